#include "log/ErrCatalogC.h"

#include "cmn/cmn_LocaleI.h"
#include "cmn/cmn_Services.h"

ErrCatalogC::ErrCatalogC(const StringC& path) : path_(path) {
  if (path_.IsEmpty()) return;
  cmn_LocaleI* locale = getLocale("");
  const cmn_LocaleNamesI* names = locale != nullptr ? locale->Names() : nullptr;
  if (names != nullptr) {
    // A catalog that cannot be opened leaves the default texts in use (IsOpen says so).
    (void)file_.Open(path_.Utf8View(), *names);
  } else if (path_.Find(StringC::FromUtf8("%L")) < 0) {
    // A catalog that cannot be opened leaves the default texts in use (IsOpen says so).
    (void)file_.OpenExact(path_.ToUtf8());
  }
}

ErrCatalogC::ErrCatalogC(const StringC& path, const cmn_LocaleNamesI& names) : path_(path) {
  // A catalog that cannot be opened leaves the default texts in use (IsOpen says so).
  if (!path_.IsEmpty()) (void)file_.Open(path_.Utf8View(), names);
}

ErrCatalogC::~ErrCatalogC() = default;

void ErrCatalogC::ParseText(std::string_view raw, ErrConditionsT conditions, StringC* text,
                            int* severity) {
  const MessageTextC parsed = MessageTextC::Parse(raw, conditions);
  if (severity != nullptr) *severity = parsed.Severity();
  if (text != nullptr) {
    const std::string_view message = parsed.Message();
    if (message.empty()) {
      text->MakeEmpty();
    } else {
      *text = StringC(message.data(), message.size(), StringC::CC_UTF8);
    }
  }
}

bool ErrCatalogC::GetMessage(StringC* text, int* severity, uint32_t number,
                             const char* default_text, ErrConditionsT conditions) const {
  std::string raw;
  if (file_.Lookup(number, &raw)) {
    ParseText(raw, conditions, text, severity);
    return true;
  }
  ParseText(default_text != nullptr ? std::string_view(default_text) : std::string_view(),
            conditions, text, severity);
  return false;
}

RcT ErrCatalogC::SetName(const StringC& name) {
  cmn_MutexLockC lock(name_mutex_);
  name_ = name;
  return RC_OK;
}

StringC ErrCatalogC::Name() const {
  cmn_MutexLockC lock(name_mutex_);
  return name_;
}
