#include "logmgr/log_LogEntryC.h"

#include "log/ErrCatalogC.h"
#include "logmgr/log_LogManagerC.h"
#include "logmgr/log_LogSystem_posix.h"

log_LogEntryC::log_LogEntryC(log_LogManagerC& manager, uint32_t letter, uint32_t level,
                             uint64_t flags, uint32_t set, uint32_t number,
                             const char* default_text, const ArgListC& args)
    : m_pManager(&manager),
      m_uSet(set & 0xFFFu),
      m_uNumber(number & 0xFFFFu),
      m_DefaultText(default_text != nullptr ? default_text : ""),
      m_Args(args) {
  m_Header.time = &m_Time;
  m_Header.letter = static_cast<int32_t>(letter);
  m_Header.level = static_cast<int32_t>(level);
  m_Header.flags = flags;
  m_Source.defaultText = m_DefaultText.c_str();
  m_Source.arguments = &m_Args;
}

log_LogEntryC::~log_LogEntryC() = default;

void log_LogEntryC::Format() {
  StringC text;
  int severity = 4;
  if (const std::shared_ptr<const ErrCatalogC> catalog = m_pManager->Catalog()) {
    catalog->GetMessage(&text, &severity, MessageNumber(), m_DefaultText.c_str(),
                        ERR_NO_CONDITIONS);
  } else {
    ErrCatalogC::ParseText(m_DefaultText, ERR_NO_CONDITIONS, &text, &severity);
  }
  m_Text = m_Args.FormatUtf8(text.Utf8View());
  m_iSeverity = severity;

  log_LocalTime(&m_Time);
  if (m_Header.flags & c_FlagProcessId) m_Header.processId = log_ProcessId();
  if (m_Header.flags & c_FlagProcessTimes) {
    log_ProcessTimes(&m_Header.userMillis, &m_Header.systemMillis);
  }
}
