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

  log_LogManagerC& Manager() const noexcept { return *m_pManager; }
  int32_t Severity() const noexcept { return m_iSeverity; }
  uint32_t Set() const noexcept { return m_uSet; }
  uint32_t Number() const noexcept { return m_uNumber; }
  // 0xE0000000 | set << 16 | number.
  uint32_t MessageNumber() const noexcept { return 0xE0000000u | (m_uSet << 16) | m_uNumber; }
  // The formatted text (UTF-8); empty before Format.
  const std::string& TextUtf8() const noexcept { return m_Text; }
  StringC Text() const { return StringC::FromUtf8(m_Text); }

  const log_LogHeaderS& Header() const noexcept { return m_Header; }
  const log_LogSourceS& Source() const noexcept { return m_Source; }
  const struct tm& Time() const noexcept { return m_Time; }
  uint32_t Letter() const noexcept { return static_cast<uint32_t>(m_Header.letter); }
  uint32_t Level() const noexcept { return static_cast<uint32_t>(m_Header.level); }
  uint64_t Flags() const noexcept { return m_Header.flags; }
  const std::string& DefaultText() const noexcept { return m_DefaultText; }
  const ArgListC& Arguments() const noexcept { return m_Args; }

 private:
  log_LogManagerC* m_pManager;
  int32_t m_iSeverity = 4;
  uint32_t m_uSet;
  uint32_t m_uNumber;
  std::string m_Text;
  struct tm m_Time {};
  log_LogHeaderS m_Header{};  // m_Header.time points at m_Time
  std::string m_DefaultText;
  ArgListC m_Args;
  log_LogSourceS m_Source{};  // points into m_DefaultText and at m_Args
};

#endif  // QLM_LOG_LOG_LOGENTRYC_H_
