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
//   "LogFileSize"    "4000000"  size above which the log file is moved aside when opened: a
//                               number of bytes with an optional suffix, decimal "k" "K"
//                               "kB" "KB" (1000), "M" "MB" (10^6), "G" "GB" (10^9), binary
//                               "KiB" (1024), "MiB" (2^20), "GiB" (2^30); "0" never moves
//   "LogTimeFormat"  ""         the time in each line: empty for the catalog's format (by
//                               default "%c" in the LC_TIME locale), "iso8601" for
//                               "2026-12-06T17:05:40+01:00", or a strftime(3) format
//   "LogSyslogFacility" "user"  facility of the syslog module's messages
//   "AppDataFolder"  the user's home (password database) base of an ordinary user's own log,
//                               "<AppDataFolder>/.quillmarsh/log/quillmarsh.log", used when
//                               the shared log cannot be used by that user
//   "PolicyType"     ""         the run's policy type, handed to log modules
//
// Values are read expanded. A preference the environment does not hold at all gets the
// default above (so the defaults hold even before the default table was applied); one that
// is present but empty stays empty.
#ifndef QLM_LOG_LOG_LOGSETTINGSC_H_
#define QLM_LOG_LOG_LOGSETTINGSC_H_

#include <cstdint>
#include <string_view>

#include "base/StringC.h"

class EnvPreferencesC;

struct log_LogSettingsC {
  static constexpr const char* c_sLogLevelDef = "A-z";
  static constexpr const char* c_sLogModulesDef = "default";
  static constexpr const char* c_sLogFileDef = "$(CommonAppDataFolder)/log/quillmarsh.log";
  static constexpr const char* c_sLogFileOldDef = "$(CommonAppDataFolder)/log/quillmarsh.old";
  static constexpr const char* c_sLogFileSizeDef = "4000000";
  static constexpr int64_t c_LogFileSizeDef = 4000000;
  static constexpr const char* c_sTimeFormatIso8601 = "iso8601";

  // The defaults, with the two file names still unexpanded.
  log_LogSettingsC();

  // The preferences as `preferences` reads them (see above).
  static log_LogSettingsC Read(EnvPreferencesC& preferences);

  // "LogFlags" as a decimal unsigned number; 1 when empty. Leading blanks are skipped and
  // reading stops at the first character that is not a digit.
  uint64_t Flags() const noexcept;

  // "LogFileSize" in bytes. A value that does not parse (or is negative or too large) gives
  // the default 4000000 and sets *valid to false.
  int64_t FileSizeLimit(bool* valid) const;
  // Parses a size text (see "LogFileSize" above); false when it does not parse.
  static bool ParseSize(std::string_view text, int64_t* bytes) noexcept;

  StringC logLevel;
  StringC logModules;
  StringC logFlags;
  StringC logMsgCatPath;
  StringC programPath;
  StringC logFile;
  StringC logFileOld;
  StringC logFileSize;
  StringC logTimeFormat;
  StringC logSyslogFacility;
  StringC policyType;
  // An ordinary user's own log and its old file (expanded; empty when neither "AppDataFolder"
  // nor the password database gives an absolute directory).
  StringC userLogFile;
  StringC userLogFileOld;
  // Not a preference: the file logger checks whether its log was moved before an entry unless
  // it checked less than this many microseconds before (c_FollowIntervalDefUs in the
  // program; 0 checks before every entry, as the tests do; negative never checks, the
  // benchmark's baseline).
  static constexpr int64_t c_FollowIntervalDefUs = 1000;
  int64_t followIntervalUs = c_FollowIntervalDefUs;
};

#endif  // QLM_LOG_LOG_LOGSETTINGSC_H_
