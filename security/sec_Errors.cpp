#include "security/sec_Errors.h"

#include <atomic>
#include <mutex>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_Services.h"
#include "log/ErrMessages.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"

namespace {

// Set once the error strings were loaded; process-wide, never cleared.
std::atomic<unsigned char> g_ErrorStringsLoaded{0};
std::once_flag g_ErrorStringsOnce;

const char* OrUnknown(const char* text) {
  return text != nullptr && *text != '\0' ? text : "?";
}

}  // namespace

RcT sec_ReportOpenSSLFailure(const char* function) noexcept {
  const cmn_CryptoTableS* ssl = getOpenSSL()->Functions();
  for (;;) {
    const char* func = nullptr;
    const unsigned long code = ssl->ERR_get_error_all(nullptr, nullptr, &func, nullptr, nullptr);
    if (code == 0) break;
    if (g_ErrorStringsLoaded.load(std::memory_order_acquire) == 0) {
      std::call_once(g_ErrorStringsOnce, [ssl] {
        // Only makes the texts nicer; the codes are reported anyway.
        (void)ssl->ERR_load_crypto_strings();
        g_ErrorStringsLoaded.store(1, std::memory_order_release);
      });
    }
    const char* lib = OrUnknown(ssl->ERR_lib_error_string(code));
    const char* reason = OrUnknown(ssl->ERR_reason_error_string(code));
    func = OrUnknown(func);
    TraceV(TrcOpenSSL, "OpenSSL error %#lx: %s: %s: %s", code, lib, func, reason);
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReportV(SEC_E_OPENSSL, SEC_T_OPENSSL, code, lib, func, reason);
  }
  const char* name = OrUnknown(function);
  TraceV(TrcOpenSSL, "%s failed", name);
  return ErrReportV(SEC_E_CRYPTO_CALL, SEC_T_CRYPTO_CALL, name);
}

RcT sec_LastErrorCode() noexcept {
  const cmn_ErrBufI* buffer = getErrBuf();
  if (buffer == nullptr || buffer->Count() == 0) return RC_FAIL;
  const cmn_ErrEntryI* last = buffer->Entry(buffer->Count() - 1);
  return last != nullptr ? last->MessageNumber() : RC_FAIL;
}
