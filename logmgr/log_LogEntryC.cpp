#include "logmgr/log_LogEntryC.h"

#include "log/ErrCatalogC.h"
#include "logmgr/log_LogManagerC.h"
#include "logmgr/log_LogSystem_posix.h"

log_LogEntryC::log_LogEntryC(log_LogManagerC& manager, uint32_t letter, uint32_t level,
                             uint64_t flags, uint32_t set, uint32_t number,
                             const char* default_text, const ArgListC& args)
    : manager_(&manager),
      set_(set & 0xFFFu),
      number_(number & 0xFFFFu),
      default_text_(default_text != nullptr ? default_text : ""),
      args_(args) {
  header_.time = &time_;
  header_.letter = static_cast<int32_t>(letter);
  header_.level = static_cast<int32_t>(level);
  header_.flags = flags;
  source_.defaultText = default_text_.c_str();
  source_.arguments = &args_;
}

log_LogEntryC::~log_LogEntryC() = default;

void log_LogEntryC::Format() {
  StringC text;
  int severity = 4;
  if (const std::shared_ptr<const ErrCatalogC> catalog = manager_->Catalog()) {
    catalog->GetMessage(&text, &severity, MessageNumber(), default_text_.c_str(),
                        ERR_NO_CONDITIONS);
  } else {
    ErrCatalogC::ParseText(default_text_, ERR_NO_CONDITIONS, &text, &severity);
  }
  text_ = args_.FormatUtf8(text.Utf8View());
  severity_ = severity;

  log_LocalTime(&time_);
  if (header_.flags & c_FlagProcessId) header_.processId = log_ProcessId();
  if (header_.flags & c_FlagProcessTimes) {
    log_ProcessTimes(&header_.userMillis, &header_.systemMillis);
  }
}
