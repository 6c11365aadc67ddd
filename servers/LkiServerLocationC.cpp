#include "servers/LkiServerLocationC.h"

#include <charconv>
#include <cstring>
#include <new>

namespace {

bool SameNameAscii(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// A new[] copy of `text` with its terminating zero, or null when memory is short.
char* NewText(std::string_view text) noexcept {
  char* out = new (std::nothrow) char[text.size() + 1];
  if (out == nullptr) return nullptr;
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  return out;
}

const std::string& EmptyText() noexcept {
  static const std::string empty;
  return empty;
}

}  // namespace

void LkiWipe(std::string* text) noexcept {
  if (text == nullptr) return;
  if (!text->empty()) {
    volatile char* p = text->data();
    for (size_t i = 0; i < text->size(); ++i) p[i] = '\0';
  }
  text->clear();
}

LkiServerLocationC::LkiServerLocationC() noexcept = default;

LkiServerLocationC::LkiServerLocationC(std::string_view name) : name_(name) {}

LkiServerLocationC* LkiServerLocationC::NewUnreferenced() noexcept {
  auto* location = new (std::nothrow) LkiServerLocationC();
  if (location != nullptr) location->count_.store(0, std::memory_order_relaxed);
  return location;
}

LkiServerLocationC::~LkiServerLocationC() {
  for (auto& [name, value] : attributes_) LkiWipe(&value);
}

RcT LkiServerLocationC::QueryInterface(const GuidC& iid, void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_ZelLKIServerLocation ||
      iid == IID_ZelAttributeCollectionI) {
    AddRef();
    *out = static_cast<ZelLKIServerLocationI*>(this);
    return RC_OK;
  }
  *out = nullptr;
  return RC_NOINTERFACE;
}

uint32_t LkiServerLocationC::AddRef() noexcept {
  return count_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t LkiServerLocationC::Release() noexcept {
  const uint32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

const std::pair<std::string, std::string>* LkiServerLocationC::Find(
    std::string_view name) const noexcept {
  for (const auto& entry : attributes_) {
    if (SameNameAscii(entry.first, name)) return &entry;
  }
  return nullptr;
}

const std::string& LkiServerLocationC::Attribute(std::string_view name) const noexcept {
  const auto* entry = Find(name);
  return entry != nullptr ? entry->second : EmptyText();
}

void LkiServerLocationC::Set(std::string_view name, std::string_view value) {
  auto* entry = const_cast<std::pair<std::string, std::string>*>(Find(name));
  if (entry == nullptr) {
    attributes_.emplace_back(std::string(name), std::string(value));
    return;
  }
  // Build the new text first so that the old one is wiped whatever its capacity.
  std::string fresh(value);
  LkiWipe(&entry->second);
  entry->second.swap(fresh);
}

RcT LkiServerLocationC::GetAttribute(const char* name, char** value) noexcept {
  if (value == nullptr) return RC_POINTER;
  *value = nullptr;
  if (name == nullptr || *name == '\0') return RC_INVALIDARG;
  const auto* entry = Find(name);
  if (entry == nullptr) return RC_FAIL;
  *value = NewText(entry->second);
  return *value != nullptr ? RC_OK : RC_FAIL;
}

RcT LkiServerLocationC::GetAttributeNames(void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  *out = nullptr;
  return RC_NOTIMPL;
}

uint32_t LkiServerLocationC::AttributeCount() noexcept {
  return static_cast<uint32_t>(attributes_.size());
}

RcT LkiServerLocationC::SetAttribute(const char* name, const char* value) noexcept {
  if (name == nullptr || *name == '\0') return RC_INVALIDARG;
  try {
    Set(name, value != nullptr ? value : "");
  } catch (const std::bad_alloc&) {
    return RC_FAIL;
  }
  return RC_OK;
}

RcT LkiServerLocationC::HasAttribute(const char* name, bool* present) noexcept {
  if (present == nullptr) return RC_POINTER;
  *present = false;
  if (name == nullptr) return RC_INVALIDARG;
  *present = Find(name) != nullptr;
  return RC_OK;
}

RcT LkiServerLocationC::GetName(char** name) noexcept {
  if (name == nullptr) return RC_POINTER;
  *name = NewText(name_);
  return *name != nullptr ? RC_OK : RC_FAIL;
}

RcT LkiServerLocationC::SetName(const char* name) noexcept {
  try {
    name_ = name != nullptr ? name : "";
  } catch (const std::bad_alloc&) {
    return RC_FAIL;
  }
  return RC_OK;
}

int64_t LkiServerLocationC::PriorityValue(int64_t fallback) const noexcept {
  const auto* entry = Find(c_Priority);
  if (entry == nullptr) return fallback;
  std::string_view text = entry->second;
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return fallback;
  }
  if (text.empty()) return fallback;
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return fallback;
  return value;
}
