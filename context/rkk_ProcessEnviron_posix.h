// The process's environment array (`environ`).
#ifndef QLM_CONTEXT_RKK_PROCESSENVIRON_POSIX_H_
#define QLM_CONTEXT_RKK_PROCESSENVIRON_POSIX_H_

// The null-terminated "NAME=value" array of the process; may be null.
char** rkk_ProcessEnviron() noexcept;

#endif  // QLM_CONTEXT_RKK_PROCESSENVIRON_POSIX_H_
