// The log hook of the process layer: the messages ExecuteCommand writes to the log file.
//
// The log manager is installed into this hook once it exists; until then (and whenever no
// hook is installed) each message is reported into the calling thread's error buffer with
// ErrReport at severity information, so it is not lost.
#ifndef QLM_OS_PROCESSLOGHOOK_H_
#define QLM_OS_PROCESSLOGHOOK_H_

#include <cstdint>

#include "base/ArgListC.h"

// Writes one log message: `component` is the component letter's code (71, 'G'), `level` the
// log level, `number` the message number, `defaultText` its default text (used when no
// catalog has the number) and `args` its arguments. Must not fail visibly.
using ProcessLogFnT = void (*)(int component, int level, uint32_t number, const char* defaultText,
                               const ArgListC& args);

// Installs `fn` (null: back to the error-buffer default). Any thread may call it.
void SetProcessLogHook(ProcessLogFnT fn) noexcept;

// Logs through the installed hook, or the default.
void ProcessLog(int component, int level, uint32_t number, const char* defaultText,
                const ArgListC& args) noexcept;

#endif  // QLM_OS_PROCESSLOGHOOK_H_
