// log_LogSettingsC: the logging preferences, read once when the log manager is made.
//
//   "LogLevel"       "A-z"      level specification of every logger instance (see TraceC)
//   "LogModules"     "default"  logger modules separated by ";": "default" is the log file,
//                               anything else the file name of a log module library
//   "LogFlags"       ""         decimal; bit 0 adds the process id to each line, bit 1 the
//                               processor times; empty means 1
//   "LogMsgCatPath"  ""         the manager's message catalog; empty: the default path
//   "ProgramPath"    ""         base of the default catalog path
//   "LogFile"        "$(CommonAppDataFolder)/log/quillmarsh.log"
//   "LogFileOld"     "$(CommonAppDataFolder)/log/quillmarsh.old"
//   "LogFileSize"    "4000000"  bytes above which the log file is moved aside when opened
//
// Values are read expanded. A preference the environment does not hold at all gets the
// default above (so the defaults hold even before the default table was applied); one that
// is present but empty stays empty.
#ifndef QLM_LOG_LOG_LOGSETTINGSC_H_
#define QLM_LOG_LOG_LOGSETTINGSC_H_

#include <cstdint>

#include "base/StringC.h"

class EnvPreferencesC;

struct log_LogSettingsC {
  static constexpr const char* c_sLogLevelDef = "A-z";
  static constexpr const char* c_sLogModulesDef = "default";
  static constexpr const char* c_sLogFileDef = "$(CommonAppDataFolder)/log/quillmarsh.log";
  static constexpr const char* c_sLogFileOldDef = "$(CommonAppDataFolder)/log/quillmarsh.old";
  static constexpr const char* c_sLogFileSizeDef = "4000000";

  // The defaults, with the two file names still unexpanded.
  log_LogSettingsC();

  // The preferences as `preferences` reads them (see above).
  static log_LogSettingsC Read(EnvPreferencesC& preferences);

  // "LogFlags" as a decimal unsigned number; 1 when empty. Leading blanks are skipped and
  // reading stops at the first character that is not a digit.
  uint64_t Flags() const noexcept;

  StringC logLevel;
  StringC logModules;
  StringC logFlags;
  StringC logMsgCatPath;
  StringC programPath;
  StringC logFile;
  StringC logFileOld;
  StringC logFileSize;
};

#endif  // QLM_LOG_LOG_LOGSETTINGSC_H_
