// log_LogFileLoggerC: the built-in logger, named "default", that appends one line per entry to
// the log file.
//
// Line: message 0xE0010003, by default "[%1$s (%2$c, %3$d)] %4$s": the time, the component
// letter, the level and the text. The time is "LogTimeFormat": empty for message 0xE0010002
// (by default "%c", rendered by strftime in the LC_TIME locale into at most 128 bytes),
// "iso8601" for "2026-12-06T17:05:40+01:00", anything else a strftime format. When the log
// flags are not 0 the text is preceded by "{<pid>} " (bit 0), "{<user s>.<ms>U+<system
// s>.<ms>K} " (bit 1) or "{<pid>: <user s>.<ms>U+<system s>.<ms>K} " (both). Passwords are
// removed from the text (see CredentialMask.h) and control characters escaped (see
// cmn_ControlEscape.h), so every entry is exactly one line. Each line and its "\n" reach the
// file in one write(2) on a descriptor opened with O_APPEND, so lines of processes sharing
// the log never interleave.
//
// Opening, in the constructor:
//   1. A "LogFile" holding any of "*?<>|" opens nothing (the logger is not ready).
//   2. The log file's directory is created with its parents when missing: 0755 for a run as
//      root (the machine's log), 0700 for an ordinary user, whatever the umask.
//   3. The directory is opened and, under an exclusive flock(2) of it that every process
//      opening or reopening the log takes (waiting at most c_LockWaitMs), the log file is
//      opened through the safe-open helper (no symbolic link, regular files only, no path
//      another user could change), created 0644 (root) or 0600 (user) when missing. A refused
//      file leaves the logger not ready with the reason in FailureReason().
//   4. Still under the lock, when "LogFileSize" is above 0 and the file is larger, the file is
//      renamed to "LogFileOld", which atomically replaces the previous old file. When the old
//      file is on another file system (EXDEV), the log is copied to it and then truncated; a
//      move that fails is reported once on standard error and in the log.
//   5. A log whose last byte is not a line break (a line cut short by a full disk) gets one
//      before the first entry.
//
// Writing (Write), serialised by the logger's own mutex, so any thread may log:
//   - Before an entry the file at the path is compared (device and inode, one fstatat(2)) with
//     the open one; when another run moved it aside, or logrotate renamed it, the path is
//     reopened under the directory lock. A system call per line would double the logger's
//     cost, so within a burst the check is made at most once per millisecond: the first
//     entry after any pause is always checked, and a line of a burst that races a move lands
//     at the end of the moved file, which is kept as "LogFileOld". "copytruncate" rotation
//     needs nothing: the inode stays and O_APPEND writes go to the new end.
//   - A write cut short (full disk, quota, file size limit) is taken back when the cut line is
//     still the file's end; otherwise the next entry starts with a line break, so a cut line
//     never glues onto another. The first failure is reported on standard error.
#ifndef QLM_LOG_LOG_LOGFILELOGGERC_H_
#define QLM_LOG_LOG_LOGFILELOGGERC_H_

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "base/StringC.h"
#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"
#include "logmgr/log_LogSystem_posix.h"
#include "logmgr/log_LoggerC.h"
#include "messages/log_Messages.h"
#include "os/FileNameC.h"

struct log_LogSettingsC;
class log_LogEntryC;
class log_LogManagerC;

class log_LogFileLoggerC : public log_LoggerC {
 public:
  static const char* const m_sDefaultName;       // "default"
  static const char* const m_sInvalidFileChars;  // "*?<>|"

  static constexpr uint32_t c_TimeFormatMessage = LOG_M_TIME_FORMAT;
  static constexpr const char* c_TimeFormatText = LOG_T_TIME_FORMAT;
  static constexpr uint32_t c_LineMessage = LOG_M_LINE;
  static constexpr const char* c_LineText = LOG_T_LINE;
  // Bytes strftime may fill, terminator included.
  static constexpr size_t c_TimeTextSize = 128;
  // Longest wait for the log directory's lock (milliseconds).
  static constexpr int c_LockWaitMs = 5000;
  // An unterminated last line is ended before the next entry only when the file has not been
  // written for this long (milliseconds): younger, it may be another run's line in progress.
  static constexpr int64_t c_CutLineQuietMs = 2000;
  // Modes of what the logger creates: the machine's log (a run as root) is readable by all,
  // an ordinary user's is private.
  static constexpr unsigned c_MachineFileMode = 0644;
  static constexpr unsigned c_MachineDirectoryMode = 0755;
  static constexpr unsigned c_UserFileMode = 0600;
  static constexpr unsigned c_UserDirectoryMode = 0700;

  // Opens the log file named by `settings` ("LogFile", "LogFileOld"; see above).
  explicit log_LogFileLoggerC(const log_LogSettingsC& settings);
  // Opens `file` with the old file `old_file` instead (an ordinary user's own log).
  log_LogFileLoggerC(const log_LogSettingsC& settings, const StringC& file,
                     const StringC& old_file);
  // Closes the file.
  ~log_LogFileLoggerC() override;

  // Writes the entry's line (see above). Does nothing when the file is not open; a failed
  // write leaves the file open. Safe from any thread.
  void Write(const log_LogEntryC& entry) override;
  // True while the file is open.
  bool IsReady() const override;

  // The log file's name ("LogFile").
  const FileNameC& LogFileName() const noexcept { return file_name_; }
  // Why the file did not open ("" while ready): the refusal of the safe-open helper or the
  // system's error text.
  const std::string& FailureReason() const noexcept { return failure_reason_; }
  // Warnings of the opening (an unreadable "LogFileSize", a failed move aside), for the
  // manager to log once the logger is listed. Taken once.
  std::vector<std::string> TakeWarnings();

  // The line of `entry` without the line break: `time_text`, the process prefix and the
  // masked, escaped text, placed by `line_format` (UTF-8).
  static std::string FormatLine(const log_LogEntryC& entry, const char* time_text,
                                const std::string& line_format);
  // Appends the process prefix for the entry's flags to `out` (nothing for flags 0).
  static void AppendPrefix(const log_LogEntryC& entry, std::string* out);
  // strftime with "iso8601" (a numeric offset with a colon) or a strftime format; false when
  // nothing fits.
  static bool RenderTime(const std::string& format, bool iso8601, const struct tm& time, char* out,
                         size_t size);

 private:
  // Opens the log file: makes its directory, opens it under the directory lock and, when it
  // is larger than `limit` bytes (0: no limit), moves it aside to `old_name` and starts a new
  // one. Leaves fd_ closed and failure_reason_ set on any failure.
  void Open(const StringC& old_name, int64_t limit) QLM_REQUIRES(mutex_);
  // Opens (creating when missing, with the logger's mode) the leaf in dir_ into *fd.
  // *opened receives what the open's own check saw of the file.
  [[nodiscard]] RcT OpenLeaf(cmn_UniqueFdC* fd, log_OpenedS* opened) QLM_REQUIRES(mutex_);
  // Moves the open file aside to `old_name`: rename, or copy and truncate across file
  // systems. Called under the directory lock. True when the path must be reopened.
  bool MoveAside(const StringC& old_name) QLM_REQUIRES(mutex_);
  // Takes the identity of fd_ (whose status is `opened`) and notes whether its last line is
  // unterminated.
  void Adopt(const log_OpenedS& opened) QLM_REQUIRES(mutex_);
  // The identity check before a write; reopens the path when it names another file.
  void FollowPath() QLM_REQUIRES(mutex_);
  // Reports `text` once per `flag` on standard error.
  void ReportOnce(bool* flag, const std::string& text);
  // Reads the time and line formats from the manager's catalog, once.
  void LoadFormats(const log_LogManagerC& manager) QLM_REQUIRES(mutex_);
  // The entry's time rendered with the time format; rendered again only when the time
  // differs from the previous entry's.
  const char* TimeText(const struct tm& time) QLM_REQUIRES(mutex_);

  FileNameC file_name_;
  std::string path_;  // the log file's system path
  unsigned file_mode_;
  unsigned directory_mode_;
  std::string configured_time_format_;  // "LogTimeFormat"
  int64_t follow_interval_us_;
  std::string failure_reason_;
  std::vector<std::string> warnings_;

  // The constructor runs alone; afterwards the members below are touched only under mutex_.
  mutable cmn_MutexC mutex_;
  // The log file's directory, held to compare and reopen the name.
  cmn_UniqueFdC dir_ QLM_GUARDED_BY(mutex_);
  std::string leaf_ QLM_GUARDED_BY(mutex_);
  cmn_UniqueFdC fd_ QLM_GUARDED_BY(mutex_);
  log_FileIdS id_ QLM_GUARDED_BY(mutex_);
  // Monotonic time of the last check for a move.
  int64_t last_follow_us_ QLM_GUARDED_BY(mutex_) = INT64_MIN / 2;
  bool readable_ QLM_GUARDED_BY(mutex_) = false;      // fd_ was opened for reading too
  bool need_newline_ QLM_GUARDED_BY(mutex_) = false;  // the file's last line is unterminated
  bool write_reported_ QLM_GUARDED_BY(mutex_) = false;
  bool reopen_reported_ QLM_GUARDED_BY(mutex_) = false;
  bool formats_loaded_ QLM_GUARDED_BY(mutex_) = false;
  bool iso8601_ QLM_GUARDED_BY(mutex_) = false;
  std::string time_format_ QLM_GUARDED_BY(mutex_);
  std::string line_format_ QLM_GUARDED_BY(mutex_);
  struct tm last_time_ QLM_GUARDED_BY(mutex_) {};
  bool time_valid_ QLM_GUARDED_BY(mutex_) = false;
  char time_text_[c_TimeTextSize] QLM_GUARDED_BY(mutex_) = {};
};

#endif  // QLM_LOG_LOG_LOGFILELOGGERC_H_
