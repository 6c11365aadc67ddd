// The failures of the security layer: their message numbers and default texts, and the one
// function that turns a failed OpenSSL call into this layer's result code.
#ifndef QLM_SECURITY_SEC_ERRORS_H_
#define QLM_SECURITY_SEC_ERRORS_H_

#include "cmn/cmn_Result.h"
#include "messages/security_Messages.h"

// The failures are SEC_E_<name> with default text SEC_T_<name> (messages/security.def).

// Reports the failure of the OpenSSL call `function` (e.g. "EVP_EncryptFinal"): drains
// OpenSSL's error queue of the calling thread, tracing and reporting each queued error as
// SEC_E_OPENSSL (OpenSSL's error strings are loaded once per process before the first), then
// traces "<function> failed" and reports SEC_E_CRYPTO_CALL. Returns SEC_E_CRYPTO_CALL. This
// is the layer's only mapping from library errors to result codes; the layer makes no system
// calls of its own, so it has no errno mapping.
[[nodiscard]] RcT sec_ReportOpenSSLFailure(const char* function) noexcept;

// The most recent code in the calling thread's error buffer, or RC_FAIL when it is empty.
[[nodiscard]] RcT sec_LastErrorCode() noexcept;

#endif  // QLM_SECURITY_SEC_ERRORS_H_
