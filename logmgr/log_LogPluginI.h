/* The C interface between the log manager and a log module, a shared library named in the
 * preference "LogModules".
 *
 * A module exports up to four functions by these names; any of them may be missing:
 *
 *   void RklLogInitialize(void* logger)
 *       Called once, right after the module is loaded, with an opaque handle of the logger
 *       that loaded it (the same handle is given to RklLogFinalize).
 *   void RklLogFinalize(void* logger)
 *       Called once, just before the module is unloaded.
 *   const char* RklLogPreferedLogLevel(const char* level)
 *       Called when the logger's instance is made, with the "LogLevel" text (UTF-8). Returns
 *       the level specification to use instead, or null to keep `level`. The returned text
 *       belongs to the module and only has to stay valid until the function is called again;
 *       the caller copies it at once.
 *   void RklLog(uint64_t set, uint64_t number, int32_t severity, const char* text,
 *               const log_LogHeaderS* header, const log_LogSourceS* source)
 *       Called for every entry that the instance's level filter accepts, on the thread that
 *       logged it: the message's set and number (the message number is
 *       0xE0000000 | set << 16 | number), its severity 0..5 (none, message, information,
 *       warning, error, fatal), the formatted text (UTF-8, not masked) and the two records
 *       below. Nothing passed in may be kept after the call returns.
 *
 *   void RklLogConfigure(const char* const* settings)
 *       Optional. Called once, right after RklLogInitialize, with the logging preferences a
 *       module may use: name and value pairs (UTF-8, expanded), ending with a null name:
 *       "LogSyslogFacility", "LogTimeFormat", "PolicyType" and "ProgramName". Nothing passed
 *       in may be kept after the call returns.
 *
 * The log manager serialises its calls into one module: no two calls of one loaded module
 * overlap, whichever threads log.
 *
 * The functions must not throw and should return promptly: logging waits for them.
 */
#ifndef QLM_LOG_LOG_LOGPLUGINI_H_
#define QLM_LOG_LOG_LOGPLUGINI_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

struct tm;

/* What the manager knows about an entry besides its text. */
typedef struct log_LogHeaderS {
  const struct tm* time; /* local broken-down time at which the entry was made */
  int32_t letter;        /* component letter, 'A' .. 'z' */
  int32_t level;         /* level, 0 .. 31 */
  uint64_t flags;        /* the manager's "LogFlags" */
  uint64_t processId;    /* with flags bit 0, else 0 */
  uint64_t userMillis;   /* with flags bit 1: user processor time in milliseconds, else 0 */
  uint64_t systemMillis; /* with flags bit 1: system processor time in milliseconds, else 0 */
} log_LogHeaderS;

/* Where the text came from. */
typedef struct log_LogSourceS {
  const char* defaultText; /* the default text, with its severity prefix (never null) */
  const void* arguments;   /* the argument list (an ArgListC of the caller's program) */
} log_LogSourceS;

typedef void (*RklLogInitializeFn)(void* logger);
typedef void (*RklLogFinalizeFn)(void* logger);
typedef const char* (*RklLogPreferedLogLevelFn)(const char* level);
typedef void (*RklLogConfigureFn)(const char* const* settings);
typedef void (*RklLogFn)(uint64_t set, uint64_t number, int32_t severity, const char* text,
                         const log_LogHeaderS* header, const log_LogSourceS* source);

#ifdef __cplusplus
}
#endif

#endif /* QLM_LOG_LOG_LOGPLUGINI_H_ */
