// Debug-build checks of the invariants and preconditions the headers state.
//
// QLM_DCHECK(condition): in a build without NDEBUG, a false condition writes
// "file:line: check failed: condition" to standard error and aborts; with NDEBUG the condition
// is not evaluated (it must have no side effects). Use it for what a caller or the class itself
// guarantees, never for outside input, which gets a result code.
//
// QLM_DCHECK_MAIN_THREAD(): the calling thread is the process's first thread, for code whose
// header says "main thread only".
#ifndef QLM_CMN_CMN_CHECK_H_
#define QLM_CMN_CMN_CHECK_H_

// Writes the failure line to standard error (no allocation, no locks) and aborts.
[[noreturn]] void cmn_CheckFailed(const char* file, int line, const char* condition) noexcept;

// True on the thread that started the process (its thread id is the process id).
[[nodiscard]] bool cmn_OnMainThread() noexcept;

#ifdef NDEBUG
#define QLM_DCHECK(condition) static_cast<void>(sizeof(static_cast<bool>(condition)))
#else
#define QLM_DCHECK(condition)                          \
  (static_cast<bool>(condition) ? static_cast<void>(0) \
                                : cmn_CheckFailed(__FILE__, __LINE__, #condition))
#endif

#define QLM_DCHECK_MAIN_THREAD() QLM_DCHECK(cmn_OnMainThread())

#endif  // QLM_CMN_CMN_CHECK_H_
