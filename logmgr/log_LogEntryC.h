// log_LogEntryC: one logged message on its way from the log manager to the loggers.
//
// The manager makes an entry for each log call, formats it once (catalog text, arguments,
// time, process data) and hands it to every logger whose filter passes it. The entry keeps an
// owned copy of the default text and a shared reference to the argument list; it lives for
// the one log call and is not copied.
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_LOG_LOG_LOGENTRYC_H_
#define QLM_LOG_LOG_LOGENTRYC_H_

#include <cstdint>
#include <ctime>
#include <string>

#include "base/ArgListC.h"
#include "base/StringC.h"
#include "logmgr/log_LogPluginI.h"

class log_LogManagerC;

class log_LogEntryC {
 public:
  // Flags bits ("LogFlags").
  static constexpr uint64_t c_FlagProcessId = 1;
  static constexpr uint64_t c_FlagProcessTimes = 2;

  // An unformatted entry of `manager` (which must outlive it). `default_text` is copied (null
  // counts as empty); `args` is shared.
  log_LogEntryC(log_LogManagerC& manager, uint32_t letter, uint32_t level, uint64_t flags,
                uint32_t set, uint32_t number, const char* default_text, const ArgListC& args);
  log_LogEntryC(const log_LogEntryC&) = delete;
  log_LogEntryC& operator=(const log_LogEntryC&) = delete;
  // Releases the copies.
  virtual ~log_LogEntryC();

  // Looks the message 0xE0000000 | set << 16 | number up in the manager's catalog
  // (falling back to the default text), formats it with the arguments and stores the text
  // and its severity; stores the local time, and by the flags the process id (bit 0) and the
  // processor times (bit 1). Never fails: without a catalog the default text is used.
  virtual void Format();

  log_LogManagerC& Manager() const noexcept { return *manager_; }
  int32_t Severity() const noexcept { return severity_; }
  uint32_t Set() const noexcept { return set_; }
  uint32_t Number() const noexcept { return number_; }
  // 0xE0000000 | set << 16 | number.
  uint32_t MessageNumber() const noexcept { return 0xE0000000u | (set_ << 16) | number_; }
  // The formatted text (UTF-8); empty before Format.
  const std::string& TextUtf8() const noexcept { return text_; }
  StringC Text() const { return StringC::FromUtf8(text_); }

  const log_LogHeaderS& Header() const noexcept { return header_; }
  const log_LogSourceS& Source() const noexcept { return source_; }
  const struct tm& Time() const noexcept { return time_; }
  uint32_t Letter() const noexcept { return static_cast<uint32_t>(header_.letter); }
  uint32_t Level() const noexcept { return static_cast<uint32_t>(header_.level); }
  uint64_t Flags() const noexcept { return header_.flags; }
  const std::string& DefaultText() const noexcept { return default_text_; }
  const ArgListC& Arguments() const noexcept { return args_; }

 private:
  log_LogManagerC* manager_;
  int32_t severity_ = 4;
  uint32_t set_;
  uint32_t number_;
  std::string text_;
  struct tm time_ {};
  log_LogHeaderS header_{};  // header_.time points at time_
  std::string default_text_;
  ArgListC args_;
  log_LogSourceS source_{};  // points into default_text_ and at args_
};

#endif  // QLM_LOG_LOG_LOGENTRYC_H_
