#include "os/ProcessLogHook.h"

#include <atomic>
#include <string>

#include "log/ErrMessages.h"
#include "log/MessageTextC.h"

namespace {

std::atomic<ProcessLogFnT> g_hook{nullptr};

}  // namespace

void SetProcessLogHook(ProcessLogFnT fn) noexcept {
  g_hook.store(fn, std::memory_order_release);
}

void ProcessLog(int component, int level, uint32_t number, const char* defaultText,
                const ArgListC& args) noexcept {
  if (ProcessLogFnT hook = g_hook.load(std::memory_order_acquire)) {
    hook(component, level, number, defaultText, args);
    return;
  }
  // A default text without a severity of its own is an error to ErrReport; these are
  // information.
  std::string text = defaultText != nullptr ? defaultText : "";
  if (!MessageTextC::HasPrefix(text)) text.insert(0, "{i} ");
  // Reported for the caller; the code it returns is not this function's result.
  (void)ErrReport(number, text.c_str(), args);
}
