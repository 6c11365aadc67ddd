// log_LogFileLoggerC: the built-in logger, named "default", that appends one line per entry to
// the log file.
//
// Line: message 0xE0010003, by default "[%1$s (%2$c, %3$d)] %4$s": the time (message
// 0xE0010002, by default "%c", rendered by strftime into at most 128 bytes), the component
// letter, the level and the text. When the log flags are not 0 the text is preceded by
// "{<pid>} " (bit 0), "{<user s>.<ms>U+<system s>.<ms>K} " (bit 1) or
// "{<pid>: <user s>.<ms>U+<system s>.<ms>K} " (both). Passwords in URLs are removed from the
// text (see CredentialMask.h). Each line and its "\n" reach the file in one write(2) on a
// descriptor opened with O_APPEND, so lines of processes sharing the log never interleave.
//
// Opening, once, in the constructor:
//   1. A "LogFile" holding any of "*?<>|" opens nothing (the logger is not ready).
//   2. The log file's directory is created with its parents when missing.
//   3. Under an exclusive flock(2) of that directory, which every process opening the log
//      takes, the log file is opened through the checked open of the common-services layer
//      (a symbolic link is never followed; for root, no path another user could change). A
//      refused file leaves the logger not ready and changes nothing.
//   4. Still under the lock, when "LogFileSize" (an integer, base from its prefix) is above 0
//      and the file is larger, the file is renamed to "LogFileOld" (whose directory is
//      created when missing), which atomically replaces the previous old file. The size is
//      examined only once the lock is held, so of several processes starting at once only
//      the first moves the log aside and the others append to the new file.
//   5. The log file is opened for appending, created when missing, with a UTF-8 text writer
//      over it. The size is not examined again while the program runs.
// Every failure is silent: the error buffer is left as it was.
#ifndef QLM_LOG_LOG_LOGFILELOGGERC_H_
#define QLM_LOG_LOG_LOGFILELOGGERC_H_

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

#include "base/StringC.h"
#include "log/log_LoggerC.h"
#include "os/FileNameC.h"

struct log_LogSettingsC;
class log_LogEntryC;
class log_LogManagerC;
class TextWriterC;

class log_LogFileLoggerC : public log_LoggerC {
 public:
  static const char* const m_sDefaultName;       // "default"
  static const char* const m_sInvalidFileChars;  // "*?<>|"

  static constexpr uint32_t c_TimeFormatMessage = 0xE0010002;
  static constexpr const char* c_TimeFormatText = "\x01\x01i\x01%%c";
  static constexpr uint32_t c_LineMessage = 0xE0010003;
  static constexpr const char* c_LineText = "\x01\x01i\x01[%1$s (%2$c, %3$d)] %4$s";
  // Bytes strftime may fill, terminator included.
  static constexpr size_t c_TimeTextSize = 128;

  // Opens the log file named by `settings` (see above).
  explicit log_LogFileLoggerC(const log_LogSettingsC& settings);
  // Closes the file.
  ~log_LogFileLoggerC() override;

  // Writes the entry's line. Does nothing when the file is not open; a failed write is
  // silent and leaves the file open.
  void Write(const log_LogEntryC& entry) override;
  // True while the file is open.
  bool IsReady() const override;

  // The log file's name ("LogFile").
  const FileNameC& LogFileName() const noexcept { return m_FileName; }

  // The line of `entry` without the line break: `time_text`, the process prefix and the
  // masked text, placed by `line_format` (UTF-8).
  static std::string FormatLine(const log_LogEntryC& entry, const char* time_text,
                                const std::string& line_format);
  // Appends the process prefix for the entry's flags to `out` (nothing for flags 0).
  static void AppendPrefix(const log_LogEntryC& entry, std::string* out);

 private:
  // Steps 2 to 5 of the opening; leaves m_pWriter null on any failure.
  void Open(const StringC& old_name, int64_t limit);
  // Reads the time and line formats from the manager's catalog, once.
  void LoadFormats(const log_LogManagerC& manager);
  // The entry's time rendered with the time format; rendered again only when the time
  // differs from the previous entry's.
  const char* TimeText(const struct tm& time);

  FileNameC m_FileName;
  std::unique_ptr<TextWriterC> m_pWriter;
  bool m_bFormatsLoaded = false;
  std::string m_TimeFormat;
  std::string m_LineFormat;
  struct tm m_LastTime {};
  bool m_bTimeValid = false;
  char m_TimeText[c_TimeTextSize] = {};
};

#endif  // QLM_LOG_LOG_LOGFILELOGGERC_H_
