#include "registry/StringRegValueC.h"

#include "log/Trace.h"
#include "log/TraceCategories.h"

namespace {

std::string JoinEscaped(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    for (char c : items[i]) {
      if (c == ',' || c == '\\') out += '\\';
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitEscaped(const char* text) {
  std::vector<std::string> items(1);
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\\' && p[1] != '\0') {
      items.back() += *++p;
    } else if (*p == ',') {
      items.emplace_back();
    } else {
      items.back() += *p;
    }
  }
  return items;
}

}  // namespace

StringRegValueC::StringRegValueC(uint32_t type, const StringC& text)
    : RegValueC(type == 2 || type == 7 ? type : 1) {
  if (type_ == 7) {
    // A list type's text always converts.
    (void)SetFromText(text.ToUtf8().c_str());
  } else {
    text_ = text;
  }
}

StringRegValueC::~StringRegValueC() = default;

std::vector<std::string> StringRegValueC::Items() const {
  if (type_ != 7) return {text_.ToUtf8()};
  std::vector<std::string> items;
  size_t i = 0;
  while (i < raw_.size()) {
    size_t j = raw_.find('\0', i);
    if (j == std::string::npos) j = raw_.size();
    if (j == i) break;  // two NULs end the list
    items.push_back(raw_.substr(i, j - i));
    i = j + 1;
  }
  return items;
}

void StringRegValueC::SetItems(const std::vector<std::string>& items) {
  if (type_ != 7) {
    text_ = StringC::FromUtf8(items.empty() ? std::string() : items.front());
    return;
  }
  raw_.clear();
  for (const std::string& item : items) {
    raw_ += item;
    raw_ += '\0';
  }
  raw_ += '\0';
  text_ = StringC::FromUtf8(JoinEscaped(items));
}

StringC StringRegValueC::Text() const {
  return text_;
}

int64_t StringRegValueC::Count() const {
  if (type_ != 7) return 1;
  int64_t n = 1;
  for (size_t i = 0; i + 2 < raw_.size(); ++i) {
    if (raw_[i] == '\0') ++n;
  }
  return n;
}

RegStatusC StringRegValueC::WriteRegistry(cmn_RegHandleT key, const StringC& name) {
  std::string utf8 = name.ToUtf8();
  TraceV(TrcRegValSet, "StringRegValueC::SetValue(%p, %s)", static_cast<const void*>(this),
         utf8.c_str());
  if (type_ == 7) return GenericWrite(key, name, type_, raw_.data(), raw_.size());
  std::string data = text_.ToUtf8();
  return GenericWrite(key, name, type_, data.c_str(), data.size() + 1);
}

RegStatusC StringRegValueC::ReadRegistry(cmn_RegHandleT key, const StringC& name) {
  std::vector<uint8_t> buffer;
  RegStatusC st = GenericRead(key, name, type_, &buffer);
  if (!st.IsOk()) return st;
  if (type_ == 7) {
    raw_.assign(reinterpret_cast<const char*>(buffer.data()), buffer.size());
    text_ = StringC::FromUtf8(JoinEscaped(Items()));
  } else {
    size_t n = 0;
    while (n < buffer.size() && buffer[n] != 0) ++n;
    text_ = StringC(buffer.data(), n, StringC::CC_UTF8);
  }
  std::string utf8 = name.ToUtf8();
  TraceV(TrcRegValGet, "StringRegValueC::GetValue(%p, %s): got %S", static_cast<const void*>(this),
         utf8.c_str(), &text_);
  return st;
}

RegStatusC StringRegValueC::GetText(std::string* text) const {
  *text = text_.ToUtf8();
  return RegStatusC();
}

RegStatusC StringRegValueC::SetFromText(const char* text) {
  if (text == nullptr) text = "";
  if (type_ == 7) {
    SetItems(SplitEscaped(text));
  } else {
    text_ = StringC::FromUtf8(text);
  }
  return RegStatusC();
}
