#include "logmgr/log_LogFileLoggerC.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/ArgListC.h"
#include "cmn/cmn_ControlEscape.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "log/CredentialMask.h"
#include "log/ErrCatalogC.h"
#include "logmgr/log_LogEntryC.h"
#include "logmgr/log_LogManagerC.h"
#include "logmgr/log_LogSettingsC.h"
#include "os/File_posix.h"

const char* const log_LogFileLoggerC::m_sDefaultName = "default";
const char* const log_LogFileLoggerC::m_sInvalidFileChars = "*?<>|";

namespace {

// The line format as the default text gives it; lines in this format are assembled directly.
constexpr std::string_view kDefaultLineFormat = "[%1$s (%2$c, %3$d)] %4$s";

bool HasInvalidChars(const StringC& name) {
  return name.Utf8View().find_first_of(log_LogFileLoggerC::m_sInvalidFileChars) !=
         std::string_view::npos;
}

// Why `rc` refused or failed: the helper's own message when it reported one, else the
// system's error text.
std::string ReasonOf(RcT rc, const cmn_ErrMarkC& scope) {
  std::string reported = scope.LastText();
  if (!reported.empty()) return reported;
  if ((rc & 0xFFFF0000u) == 0xE0000000u) return log_ErrnoText(static_cast<int>(rc & 0xFFFFu));
  char text[32];
  std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(rc));
  return text;
}

// The text of `number` in the manager's catalog with `default_text`, before formatting.
StringC CatalogText(const log_LogManagerC& manager, uint32_t number, const char* default_text) {
  StringC text;
  int severity = 4;
  if (const std::shared_ptr<const ErrCatalogC> catalog = manager.Catalog()) {
    catalog->GetMessage(&text, &severity, number, default_text, ERR_NO_CONDITIONS);
  } else {
    ErrCatalogC::ParseText(default_text, ERR_NO_CONDITIONS, &text, &severity);
  }
  return text;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

log_LogFileLoggerC::log_LogFileLoggerC(const log_LogSettingsC& settings)
    : log_LogFileLoggerC(settings, settings.logFile, settings.logFileOld) {}

log_LogFileLoggerC::log_LogFileLoggerC(const log_LogSettingsC& settings, const StringC& file,
                                       const StringC& old_file)
    : log_LoggerC(StringC(m_sDefaultName, StringC::CC_ASCII)),
      file_name_(file),
      file_mode_(log_IsMachineRun() ? c_MachineFileMode : c_UserFileMode),
      directory_mode_(log_IsMachineRun() ? c_MachineDirectoryMode : c_UserDirectoryMode),
      configured_time_format_(settings.logTimeFormat.ToUtf8()),
      follow_interval_us_(settings.followIntervalUs) {
  if (file.IsEmpty()) {
    failure_reason_ = "no log file is configured";
    return;
  }
  if (HasInvalidChars(file)) {
    failure_reason_ = "the name holds one of the characters \"*?<>|\"";
    return;
  }
  bool size_valid = true;
  const int64_t limit = settings.FileSizeLimit(&size_valid);
  if (!size_valid) {
    warnings_.push_back("LogFileSize value '" + settings.logFileSize.ToUtf8() +
                        "' is not a size; using " +
                        std::to_string(log_LogSettingsC::c_LogFileSizeDef) + " bytes");
  }
  // Logging reports nothing in the caller's error buffer.
  cmn_ErrMarkC silent(cmn_ErrMarkC::kRollbackOnExit);
  Open(old_file, limit);
}

log_LogFileLoggerC::~log_LogFileLoggerC() = default;

std::vector<std::string> log_LogFileLoggerC::TakeWarnings() {
  std::vector<std::string> taken;
  taken.swap(warnings_);
  return taken;
}

RcT log_LogFileLoggerC::OpenLeaf(cmn_UniqueFdC* fd, log_OpenedS* opened) {
  struct stat st;
  // The log nearly always exists: it is opened as it is first, and created (exclusively, so a
  // new file gets the logger's mode exactly and an existing one keeps its own) only when
  // missing.
  RcT rc = cmn_SafeOpenAt(dir_.Get(), leaf_, O_RDWR | O_APPEND, file_mode_, fd, path_, &st);
  if (rc == cmn_RcFromErrno(ENOENT)) {
    rc = cmn_SafeOpenAt(dir_.Get(), leaf_, O_RDWR | O_APPEND | O_CREAT | O_EXCL, file_mode_, fd,
                        path_, &st);
    if (rc == RC_OK) {
      readable_ = true;
      log_OpenedFrom(st, opened);
      return RC_OK;
    }
    if (rc != cmn_RcFromErrno(EEXIST)) return rc;
    // Made by another run meanwhile (or a link is there): opened as it is.
    rc = cmn_SafeOpenAt(dir_.Get(), leaf_, O_RDWR | O_APPEND, file_mode_, fd, path_, &st);
  }
  readable_ = rc == RC_OK;
  if (rc == cmn_RcFromErrno(EACCES)) {
    // Writable but not readable: appending still works, the end is not examined.
    rc = cmn_SafeOpenAt(dir_.Get(), leaf_, O_WRONLY | O_APPEND, file_mode_, fd, path_, &st);
  }
  if (rc == RC_OK) log_OpenedFrom(st, opened);
  return rc;
}

void log_LogFileLoggerC::Open(const StringC& old_name, int64_t limit) {
  cmn_ErrMarkC scope(cmn_ErrMarkC::kRollbackOnExit);
  if (os_SystemPath(file_name_, &path_) != 0 || path_.empty()) {
    failure_reason_ = "the name is not a file name";
    return;
  }
  // The open that follows reports why the directory is missing.
  (void)log_MakeDirectories(DirectoryOf(path_), directory_mode_);

  RcT rc = cmn_SafeOpenParent(path_, &dir_, &leaf_);
  if (rc != RC_OK) {
    failure_reason_ = ReasonOf(rc, scope);
    return;
  }
  // Every process opening this log holds the lock from here until the file is open, so the
  // size test and the move aside are one step as far as the others are concerned. Without
  // the lock (a file system refusing flock, a holder past the bound) the file is used as it
  // is and never moved.
  const bool locked = log_LockDirectory(dir_.Get(), c_LockWaitMs) == 0;
  log_OpenedS opened;
  rc = OpenLeaf(&fd_, &opened);
  if (rc != RC_OK) {
    failure_reason_ = ReasonOf(rc, scope);
    fd_.Reset();
    if (locked) log_UnlockDirectory(dir_.Get());
    return;
  }
  if (locked && limit > 0 && opened.size > limit && MoveAside(old_name)) {
    fd_.Reset();
    rc = OpenLeaf(&fd_, &opened);
    if (rc != RC_OK) {
      failure_reason_ = ReasonOf(rc, scope);
      fd_.Reset();
    }
  } else if (locked && limit > 0 && opened.size > limit) {
    // Not moved (copied and truncated in place, or left as it is): the size changed.
    int64_t size = 0;
    if (log_FileSize(fd_.Get(), &size) == 0) opened.size = size;
  }
  if (fd_.IsValid()) Adopt(opened);
  if (locked) log_UnlockDirectory(dir_.Get());
}

bool log_LogFileLoggerC::MoveAside(const StringC& old_name) {
  if (old_name.IsEmpty() || HasInvalidChars(old_name)) return false;
  std::string old_path;
  if (os_SystemPath(FileNameC(old_name), &old_path) != 0) return false;
  // The open that follows reports why the directory is missing.
  (void)log_MakeDirectories(DirectoryOf(old_path), directory_mode_);
  cmn_ErrMarkC scope(cmn_ErrMarkC::kRollbackOnExit);
  cmn_UniqueFdC old_dir;
  std::string old_leaf;
  RcT rc = cmn_SafeOpenParent(old_path, &old_dir, &old_leaf);
  if (rc != RC_OK) {
    const std::string text =
        "The log file '" + path_ + "' was not moved to '" + old_path + "': " + ReasonOf(rc, scope);
    log_TellStderr(text);
    warnings_.push_back(text);
    return false;
  }
  const int err = log_RenameAt(dir_.Get(), leaf_, old_dir.Get(), old_leaf);
  if (err == 0) return true;
  std::string reason;
  if (err == EXDEV && readable_) {
    // Another file system: the old file receives a copy, then the log starts over in place.
    // The lock is still held, so no other run writes between the copy and the truncation
    // (a run that does not take it, one past the lock's bound, may lose its lines here).
    cmn_UniqueFdC old_fd;
    rc = cmn_SafeOpenAt(old_dir.Get(), old_leaf, O_RDWR | O_CREAT, file_mode_, &old_fd, old_path);
    int copied = rc == RC_OK ? log_CopyFile(fd_.Get(), old_fd.Get()) : 0;
    if (rc == RC_OK && copied == 0) {
      const int truncated = log_Truncate(fd_.Get());
      if (truncated == 0) return false;  // same file, now empty: nothing to reopen
      reason = "cannot truncate it: " + log_ErrnoText(truncated);
    } else {
      reason = rc != RC_OK ? ReasonOf(rc, scope) : "copying failed: " + log_ErrnoText(copied);
    }
  } else {
    reason = log_ErrnoText(err);
  }
  const std::string text =
      "The log file '" + path_ + "' was not moved to '" + old_path + "': " + reason;
  log_TellStderr(text);
  warnings_.push_back(text);
  return false;
}

void log_LogFileLoggerC::Adopt(const log_OpenedS& opened) {
  id_ = opened.id;
  char last = '\n';
  bool empty = true;
  // The kernel makes an appended line visible page by page, so a run that is in the middle of
  // its write(2) (or was preempted there) shows an unterminated end too. Only an end that has
  // been left alone for a while is a line cut short by a writer that is gone.
  int64_t quiet_ms = 0;
  need_newline_ = readable_ && log_LastByteOf(fd_.Get(), opened, &last, &empty, &quiet_ms) == 0 &&
                  !empty && last != '\n' && quiet_ms >= c_CutLineQuietMs;
}

void log_LogFileLoggerC::FollowPath() {
  log_FileIdS current;
  if (log_IdentityAt(dir_.Get(), leaf_, &current) == 0 && current == id_) return;
  // The name now holds another file, or none: another run moved the log aside, or logrotate
  // renamed it. Reopen under the directory lock, which the mover held while moving.
  cmn_ErrMarkC scope(cmn_ErrMarkC::kRollbackOnExit);
  const bool locked = log_LockDirectory(dir_.Get(), c_LockWaitMs) == 0;
  cmn_UniqueFdC fd;
  const bool was_readable = readable_;
  log_OpenedS opened;
  const RcT rc = OpenLeaf(&fd, &opened);
  if (rc == RC_OK) {
    fd_ = std::move(fd);
    Adopt(opened);
  } else {
    readable_ = was_readable;
    // Keep writing where we were (the moved file) rather than nowhere.
    ReportOnce(&reopen_reported_,
               "cannot reopen the log file '" + path_ + "': " + ReasonOf(rc, scope));
  }
  if (locked) log_UnlockDirectory(dir_.Get());
}

void log_LogFileLoggerC::ReportOnce(bool* flag, const std::string& text) {
  if (*flag) return;
  *flag = true;
  log_TellStderr(text);
}

bool log_LogFileLoggerC::IsReady() const {
  cmn_MutexLockC hold(mutex_);
  return fd_.IsValid();
}

void log_LogFileLoggerC::LoadFormats(const log_LogManagerC& manager) {
  if (configured_time_format_.empty()) {
    time_format_ = ArgListNull.FormatUtf8(
        CatalogText(manager, c_TimeFormatMessage, c_TimeFormatText).Utf8View());
    iso8601_ = false;
  } else {
    std::string lower = configured_time_format_;
    for (char& c : lower) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    iso8601_ = lower == log_LogSettingsC::c_sTimeFormatIso8601;
    time_format_ = iso8601_ ? "%Y-%m-%dT%H:%M:%S%z" : configured_time_format_;
  }
  line_format_ = CatalogText(manager, c_LineMessage, c_LineText).ToUtf8();
  formats_loaded_ = true;
  time_valid_ = false;
}

bool log_LogFileLoggerC::RenderTime(const std::string& format, bool iso8601, const struct tm& time,
                                    char* out, size_t size) {
  const size_t n = log_FormatTime(out, size, format.c_str(), &time);
  if (n == 0) return false;
  if (iso8601 && n >= 5 && n + 1 < size) {
    // "%z" gives "+0100"; ISO 8601 and RFC 3339 readers want "+01:00".
    const char sign = out[n - 5];
    if (sign == '+' || sign == '-') {
      std::memmove(out + n - 1, out + n - 2, 3);  // "00\0" one place on
      out[n - 2] = ':';
    }
  }
  return true;
}

void log_LogFileLoggerC::AppendPrefix(const log_LogEntryC& entry, std::string* out) {
  const uint64_t flags = entry.Flags();
  if (flags == 0) return;
  const log_LogHeaderS& header = entry.Header();
  std::string& prefix = *out;
  prefix += '{';
  char number[96];
  if (flags & log_LogEntryC::c_FlagProcessId) {
    std::snprintf(number, sizeof number, "%lu", static_cast<unsigned long>(header.processId));
    prefix += number;
  }
  if (flags & log_LogEntryC::c_FlagProcessTimes) {
    if (flags & log_LogEntryC::c_FlagProcessId) prefix += ": ";
    std::snprintf(number, sizeof number, "%lu.%03luU+%lu.%03luK",
                  static_cast<unsigned long>(header.userMillis / 1000),
                  static_cast<unsigned long>(header.userMillis % 1000),
                  static_cast<unsigned long>(header.systemMillis / 1000),
                  static_cast<unsigned long>(header.systemMillis % 1000));
    prefix += number;
  }
  prefix += "} ";
}

const char* log_LogFileLoggerC::TimeText(const struct tm& time) {
  const bool same = time_valid_ && time.tm_sec == last_time_.tm_sec &&
                    time.tm_min == last_time_.tm_min && time.tm_hour == last_time_.tm_hour &&
                    time.tm_mday == last_time_.tm_mday && time.tm_mon == last_time_.tm_mon &&
                    time.tm_year == last_time_.tm_year && time.tm_isdst == last_time_.tm_isdst &&
                    time.tm_gmtoff == last_time_.tm_gmtoff;
  if (!same) {
    // A format that renders nothing leaves the time text empty.
    (void)RenderTime(time_format_, iso8601_, time, time_text_, sizeof time_text_);
    last_time_ = time;
    time_valid_ = true;
  }
  return time_text_;
}

std::string log_LogFileLoggerC::FormatLine(const log_LogEntryC& entry, const char* time_text,
                                           const std::string& line_format) {
  const uint32_t letter = entry.Letter();
  if (line_format == kDefaultLineFormat && letter < 0x80) {
    // What the formatter makes of the default format, assembled in one buffer.
    char level[16];
    const int level_length =
        std::snprintf(level, sizeof level, "%d", static_cast<int32_t>(entry.Level()));
    std::string line;
    line.reserve(entry.TextUtf8().size() + c_TimeTextSize + 96);
    line += '[';
    line += time_text;
    line += " (";
    line += static_cast<char>(letter);
    line += ", ";
    line.append(level, static_cast<size_t>(level_length));
    line += ")] ";
    const size_t text_start = line.size();
    AppendPrefix(entry, &line);
    line += entry.TextUtf8();
    // Edits in place; how much it changed is not needed.
    (void)MaskCredentials(line, text_start);
    (void)cmn_EscapeControls(line, text_start);
    return line;
  }
  std::string text;
  AppendPrefix(entry, &text);
  text += entry.TextUtf8();
  // Edits in place; how much it changed is not needed.
  (void)MaskCredentials(text);
  (void)cmn_EscapeControls(text);
  ArgListC args;
  args.AddCharStar(time_text)
      .AddInt32(static_cast<int32_t>(letter))
      .AddInt32(static_cast<int32_t>(entry.Level()))
      .AddCharStar(std::string_view(text));
  return args.FormatUtf8(line_format);
}

void log_LogFileLoggerC::Write(const log_LogEntryC& entry) {
  cmn_MutexLockC hold(mutex_);
  if (!fd_.IsValid()) return;
  if (!formats_loaded_) LoadFormats(entry.Manager());
  if (follow_interval_us_ >= 0) {
    const int64_t now = log_MonotonicMicros();
    if (follow_interval_us_ == 0 || now - last_follow_us_ >= follow_interval_us_) {
      FollowPath();
      last_follow_us_ = now;
    }
  }
  std::string line;
  // A line cut short before (by this process, or one found at the file's end on opening)
  // is ended first, in the same write as the entry.
  const size_t lead = need_newline_ ? 1 : 0;
  if (lead != 0) line += '\n';
  line += FormatLine(entry, TimeText(entry.Time()), line_format_);
  line += '\n';
  // The line and its break in one piece: one write(2) on the O_APPEND descriptor.
  size_t written = 0;
  const int err = log_WriteSome(fd_.Get(), line.data(), line.size(), &written);
  if (err == 0) {
    need_newline_ = false;
    return;
  }
  if (written > lead) {
    // Part of the line reached the file: take it back while it is still the file's end, or
    // make the next entry start on a line of its own.
    need_newline_ = log_CutTail(fd_.Get(), line.data() + lead, written - lead, readable_) != 0;
  } else if (written == 1 && lead == 1) {
    need_newline_ = false;
  }
  ReportOnce(&write_reported_, "cannot write to the log file '" + path_ +
                                   "': " + log_ErrnoText(err) +
                                   " (later lines may be missing; reported once)");
}
