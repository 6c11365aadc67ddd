#include "log/log_LogFileLoggerC.h"

#include <fcntl.h>

#include <cstdio>
#include <string_view>

#include "base/ArgListC.h"
#include "base/TextUtil.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "log/CredentialMask.h"
#include "log/ErrCatalogC.h"
#include "log/log_LogEntryC.h"
#include "log/log_LogFileStreamC.h"
#include "log/log_LogManagerC.h"
#include "log/log_LogSettingsC.h"
#include "log/log_LogSystem_posix.h"
#include "os/File_posix.h"
#include "os/FlnFileServiceC.h"
#include "os/StreamWriterC.h"

const char* const log_LogFileLoggerC::m_sDefaultName = "default";
const char* const log_LogFileLoggerC::m_sInvalidFileChars = "*?<>|";

namespace {

// The line format as the default text gives it; lines in this format are assembled directly.
constexpr std::string_view kDefaultLineFormat = "[%1$s (%2$c, %3$d)] %4$s";

bool HasInvalidChars(const StringC& name) {
  return name.Utf8View().find_first_of(log_LogFileLoggerC::m_sInvalidFileChars) !=
         std::string_view::npos;
}

// Restores the calling thread's error buffer on scope exit: logging reports nothing.
class SilentScopeC {
 public:
  SilentScopeC() noexcept : m_pBuffer(getErrBuf()), m_uMark(m_pBuffer ? m_pBuffer->Mark() : 0) {}
  ~SilentScopeC() {
    if (m_pBuffer != nullptr) m_pBuffer->Rollback(m_uMark);
  }
  SilentScopeC(const SilentScopeC&) = delete;
  SilentScopeC& operator=(const SilentScopeC&) = delete;

 private:
  cmn_ErrBufI* m_pBuffer;
  uint64_t m_uMark;
};

// The text of `number` in the manager's catalog with `default_text`, before formatting.
StringC CatalogText(const log_LogManagerC& manager, uint32_t number, const char* default_text) {
  StringC text;
  int severity = 4;
  if (const ErrCatalogC* catalog = manager.Catalog()) {
    catalog->GetMessage(&text, &severity, number, default_text, ERR_NO_CONDITIONS);
  } else {
    ErrCatalogC::ParseText(default_text, ERR_NO_CONDITIONS, &text, &severity);
  }
  return text;
}

// Gives the file `leaf` in `dir_fd` the name `old_name`, replacing the previous old file.
// False when the old name is unusable or the rename fails; nothing has changed then.
bool MoveAside(int dir_fd, const std::string& leaf, const StringC& old_name) {
  if (old_name.IsEmpty() || HasInvalidChars(old_name)) return false;
  const FileNameC old(old_name);
  FlnFileServiceC files;
  (void)files.CreateDirectory(old.GetDirectoryName(), true);
  std::string old_path;
  if (os_SystemPath(old, &old_path) != 0) return false;
  cmn_UniqueFdC old_dir;
  std::string old_leaf;
  if (cmn_SafeOpenParent(old_path, &old_dir, &old_leaf) != RC_OK) return false;
  return log_RenameAt(dir_fd, leaf, old_dir.Get(), old_leaf) == 0;
}

}  // namespace

log_LogFileLoggerC::log_LogFileLoggerC(const log_LogSettingsC& settings)
    : log_LoggerC(StringC(m_sDefaultName, StringC::CC_ASCII)), m_FileName(settings.logFile) {
  if (settings.logFile.IsEmpty() || HasInvalidChars(settings.logFile)) return;
  SilentScopeC silent;
  const int64_t limit = ToInteger(settings.logFileSize, nullptr, 0);
  Open(settings.logFileOld, limit);
}

log_LogFileLoggerC::~log_LogFileLoggerC() {
  if (m_pWriter != nullptr) {
    SilentScopeC silent;
    (void)m_pWriter->Close();
  }
}

void log_LogFileLoggerC::Open(const StringC& old_name, int64_t limit) {
  FlnFileServiceC files;
  (void)files.CreateDirectory(m_FileName.GetDirectoryName(), true);

  std::string path;
  if (os_SystemPath(m_FileName, &path) != 0) return;
  cmn_UniqueFdC dir;
  std::string leaf;
  if (cmn_SafeOpenParent(path, &dir, &leaf) != RC_OK) return;
  // Every process opening this log holds the lock from here until the file is open, so the
  // size test and the move aside are one step as far as the others are concerned. Without
  // the lock (a file system refusing flock) the file is used as it is and never moved.
  const bool locked = log_LockDirectory(dir.Get()) == 0;

  constexpr int kFlags = O_WRONLY | O_APPEND | O_CREAT;
  cmn_UniqueFdC fd;
  if (cmn_SafeOpenAt(dir.Get(), leaf, kFlags, 0666, &fd, path) != RC_OK) return;
  int64_t size = 0;
  if (locked && limit > 0 && log_FileSize(fd.Get(), &size) == 0 && size > limit &&
      MoveAside(dir.Get(), leaf, old_name)) {
    fd.Reset();
    if (cmn_SafeOpenAt(dir.Get(), leaf, kFlags, 0666, &fd, path) != RC_OK) return;
  }
  m_pWriter = std::make_unique<StreamWriterC>(std::make_unique<log_LogFileStreamC>(std::move(fd)));
  // `dir` closes here, which drops the lock.
}

bool log_LogFileLoggerC::IsReady() const {
  return m_pWriter != nullptr && m_pWriter->IsOpen();
}

void log_LogFileLoggerC::LoadFormats(const log_LogManagerC& manager) {
  m_TimeFormat = ArgListNull.FormatUtf8(
      CatalogText(manager, c_TimeFormatMessage, c_TimeFormatText).Utf8View());
  m_LineFormat = CatalogText(manager, c_LineMessage, c_LineText).ToUtf8();
  m_bFormatsLoaded = true;
  m_bTimeValid = false;
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
  const bool same = m_bTimeValid && time.tm_sec == m_LastTime.tm_sec &&
                    time.tm_min == m_LastTime.tm_min && time.tm_hour == m_LastTime.tm_hour &&
                    time.tm_mday == m_LastTime.tm_mday && time.tm_mon == m_LastTime.tm_mon &&
                    time.tm_year == m_LastTime.tm_year && time.tm_isdst == m_LastTime.tm_isdst &&
                    time.tm_gmtoff == m_LastTime.tm_gmtoff;
  if (!same) {
    (void)log_FormatTime(m_TimeText, sizeof m_TimeText, m_TimeFormat.c_str(), &time);
    m_LastTime = time;
    m_bTimeValid = true;
  }
  return m_TimeText;
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
    (void)MaskCredentials(line, text_start);
    return line;
  }
  std::string text;
  AppendPrefix(entry, &text);
  text += entry.TextUtf8();
  (void)MaskCredentials(text);
  ArgListC args;
  args.AddCharStar(time_text)
      .AddInt32(static_cast<int32_t>(letter))
      .AddInt32(static_cast<int32_t>(entry.Level()))
      .AddCharStar(std::string_view(text));
  return args.FormatUtf8(line_format);
}

void log_LogFileLoggerC::Write(const log_LogEntryC& entry) {
  if (!IsReady()) return;
  if (!m_bFormatsLoaded) LoadFormats(entry.Manager());
  std::string line = FormatLine(entry, TimeText(entry.Time()), m_LineFormat);
  line += TextWriterC::UNIXNewLine;
  // The line and its break in one piece: one write(2) on the O_APPEND descriptor. A failure
  // reported by the stream is taken back out of the error buffer.
  SilentScopeC silent;
  (void)m_pWriter->WriteUtf8(line);
}
