#include "base/StringC.h"

#include <atomic>
#include <cstring>

#include "base/ArgListC.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_StringFactoryI.h"

namespace {

cmn_StringFactoryI* DefaultFactory() noexcept {
  return getStringFactory(true);
}

// The shared empty body, fetched once; it lives until the process ends.
const cmn_StringBodyI* EmptyBody() noexcept {
  static const cmn_StringBodyI* const empty = DefaultFactory()->Empty();
  return empty;
}

// A body from a factory with the reference this handle will own already added.
const cmn_StringBodyI* Owned(const cmn_StringBodyI* body) noexcept {
  body->AddRef();
  return body;
}

cmn_StringFactoryI* Pick(cmn_StringFactoryI* factory) noexcept {
  return factory != nullptr ? factory : DefaultFactory();
}

}  // namespace

StringC::StringC() noexcept : body_(Owned(EmptyBody())) {}

StringC::StringC(const char* text, const char* cc, cmn_StringFactoryI* factory)
    : body_(Owned(Pick(factory)->MakeFromCText(text, cc))) {}

StringC::StringC(const void* bytes, size_t count, const char* encoding, cmn_StringFactoryI* factory)
    : body_(Owned(Pick(factory)->MakeFromBytes(bytes, count, encoding))) {}

StringC::StringC(char32_t c, cmn_StringFactoryI* factory)
    : body_(Owned(Pick(factory)->MakeFromChar(c))) {}

StringC::StringC(const cmn_StringBodyI* body) noexcept
    : body_(Owned(body != nullptr ? body : EmptyBody())) {}

StringC StringC::FromUtf8(std::string_view text) {
  return StringC(text.data(), text.size(), CC_UTF8);
}

StringC::StringC(const StringC& other) noexcept : body_(Owned(other.body_)) {}

StringC::StringC(StringC&& other) noexcept : body_(other.body_) {
  // The moved-from handle stays usable: it becomes the empty string.
  other.body_ = Owned(EmptyBody());
}

// NOLINTNEXTLINE(bugprone-unhandled-self-assignment): safe without a self check, see below.
StringC& StringC::operator=(const StringC& other) noexcept {
  // Read before Reset takes this handle's pointer out: `other` may be this very handle. The
  // new reference is taken before Reset drops the old one, so the count never reaches zero.
  const cmn_StringBodyI* fresh = other.body_;
  fresh->AddRef();
  Reset(fresh);
  return *this;
}

StringC& StringC::operator=(StringC&& other) noexcept {
  if (this != &other) {
    const cmn_StringBodyI* fresh = other.body_;
    other.body_ = Owned(EmptyBody());
    Reset(fresh);
  }
  return *this;
}

StringC::~StringC() {
  body_->Release();
}

void StringC::Reset(const cmn_StringBodyI* body) noexcept {
  // The old pointer is taken out (replaced by null) before the new one is stored, so two
  // threads swapping bodies through one handle never both release the same old body.
  std::atomic_ref<const cmn_StringBodyI*> slot(body_);
  const cmn_StringBodyI* old = slot.load(std::memory_order_acquire);
  while (old == nullptr || !slot.compare_exchange_weak(old, nullptr, std::memory_order_acq_rel,
                                                       std::memory_order_acquire)) {
    if (old == nullptr) old = slot.load(std::memory_order_acquire);
  }
  slot.store(body, std::memory_order_release);
  old->Release();
}

void StringC::MakeEmpty() noexcept {
  if (body_ != EmptyBody()) Reset(Owned(EmptyBody()));
}

cmn_StringBodyI* StringC::MakePrivate() {
  if (body_->IsShared()) {
    const std::string_view text = body_->Utf8();
    Reset(Owned(body_->Factory()->MakeFromBytes(text.data(), text.size(), CC_VALID_UTF8)));
  }
  return const_cast<cmn_StringBodyI*>(body_);
}

// ----- comparison and search -----

int StringC::CompareNoCase(const StringC& other) const noexcept {
  return body_->CompareNoCase(*other.body_);
}

bool StringC::Equals(const StringC& other) const noexcept {
  if (body_ == other.body_) return true;
  // Bodies keep their text in shortest-form UTF-8, so equal texts have equal bytes; the byte
  // length is compared first, before any byte.
  const std::string_view a = body_->Utf8();
  const std::string_view b = other.body_->Utf8();
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size()) == 0);
}

bool StringC::EqualsNoCase(const StringC& other) const noexcept {
  if (body_ == other.body_) return true;
  return body_->Length() == other.body_->Length() && body_->CompareNoCase(*other.body_) == 0;
}

int64_t StringC::Find(const StringC& text, int64_t start) const noexcept {
  return body_->FindText(*text.body_, start);
}

int64_t StringC::FindChar(char32_t c, int64_t start) const noexcept {
  return body_->FindChar(c, start);
}

int64_t StringC::FindCharBackwards(char32_t c, int64_t start) const noexcept {
  return body_->FindCharBackwards(c, start);
}

int64_t StringC::FindFirstOf(const StringC& set, int64_t start) const noexcept {
  return body_->FindFirstOf(*set.body_, start);
}

int64_t StringC::FindLastOf(const StringC& set, int64_t start) const noexcept {
  return body_->FindLastOf(*set.body_, start);
}

int64_t StringC::FindFirstNotOf(const StringC& set, int64_t start) const noexcept {
  return body_->FindFirstNotOf(*set.body_, start);
}

int64_t StringC::FindLastNotOf(const StringC& set, int64_t start) const noexcept {
  return body_->FindLastNotOf(*set.body_, start);
}

int StringC::StartsWith(const StringC& text, int64_t count) const noexcept {
  return body_->StartsWith(*text.body_, count);
}

bool StringC::StartsWith(const StringC& prefix) const noexcept {
  const int64_t n = prefix.Length();
  return n <= Length() && body_->StartsWith(*prefix.body_, n) == 0;
}

// ----- new strings -----

StringC StringC::Substring(int64_t position, int64_t count) const {
  const int64_t len = Length();
  // The whole text: share the body.
  if (position <= 0 && (count < 0 || (position + (count < len ? count : len) >= len))) {
    return *this;
  }
  return StringC(AdoptTag{}, Owned(body_->Factory()->Substring(*body_, position, count)));
}

StringC operator+(const StringC& a, const StringC& b) {
  if (b.IsEmpty()) return a;
  if (a.IsEmpty()) return b;
  return StringC(StringC::AdoptTag{}, Owned(a.body_->Factory()->Concat(*a.body_, *b.body_)));
}

StringC StringC::ToUpper() const {
  StringC copy(*this);
  if (IsAscii()) {
    // Nothing to change: keep sharing.
    const std::string_view v = Utf8View();
    bool lower = false;
    for (const char ch : v) lower |= static_cast<unsigned char>(ch - 'a') < 26u;
    if (!lower) return copy;
  }
  if (!copy.IsEmpty()) copy.MakePrivate()->ToUpper();
  return copy;
}

StringC StringC::ToLower() const {
  StringC copy(*this);
  if (IsAscii()) {
    const std::string_view v = Utf8View();
    bool upper = false;
    for (const char ch : v) upper |= static_cast<unsigned char>(ch - 'A') < 26u;
    if (!upper) return copy;
  }
  if (!copy.IsEmpty()) copy.MakePrivate()->ToLower();
  return copy;
}

StringC StringC::Format(const StringC& format, const ArgListC& arguments) {
  cmn_StringFactoryI* factory = format.body_->Factory();
  return StringC(AdoptTag{}, Owned(factory->Format(*format.body_, arguments.Args())));
}

// ----- changes in place -----

StringC& StringC::Append(const StringC& other) {
  if (other.IsEmpty()) return *this;
  if (IsEmpty()) return *this = other;
  if (body_->IsShared()) {
    // Copying and then growing would copy the text twice; one new body holds both.
    Reset(Owned(body_->Factory()->Concat(*body_, *other.body_)));
    return *this;
  }
  const_cast<cmn_StringBodyI*>(body_)->Append(*other.body_);
  return *this;
}

StringC& StringC::AppendChar(char32_t c) {
  if (c > 0x7FFFFFFF) return *this;
  if (IsEmpty() && body_->IsShared()) {
    Reset(Owned(body_->Factory()->MakeFromChar(c)));
    return *this;
  }
  MakePrivate()->AppendChar(c);
  return *this;
}

StringC& StringC::Insert(int64_t position, const StringC& other) {
  if (other.IsEmpty()) return *this;
  if (IsEmpty()) return *this = other;
  MakePrivate()->Insert(position, *other.body_);
  return *this;
}

StringC& StringC::Erase(int64_t position, int64_t count) {
  const int64_t len = Length();
  if (count == 0 || len == 0) return *this;
  // The characters [b, e) that go.
  int64_t b = position < 0 ? 0 : (position > len ? len : position);
  int64_t e;
  if (count < 0) {
    e = len;
  } else if (position < 0) {
    e = count > len + position ? len : (count + position < 0 ? 0 : count + position);
  } else {
    e = count > len - b ? len : b + count;
  }
  if (e <= b) return *this;
  if (b == 0 && e == len) {
    MakeEmpty();
  } else if (body_->IsShared() && (b == 0 || e == len)) {
    // Only one end goes: one copy of the part that stays.
    const int64_t keep_from = b == 0 ? e : 0;
    const int64_t keep_count = b == 0 ? len - e : b;
    Reset(Owned(body_->Factory()->Substring(*body_, keep_from, keep_count)));
  } else {
    MakePrivate()->Erase(b, e - b);
  }
  return *this;
}

StringC& StringC::TrimLeft(const StringC& set) {
  if (IsEmpty()) return *this;
  const int64_t first = FindFirstNotOf(set);
  if (first < 0) {
    MakeEmpty();
  } else if (first > 0) {
    Erase(0, first);
  }
  return *this;
}

StringC& StringC::TrimRight(const StringC& set) {
  if (IsEmpty()) return *this;
  const int64_t last = FindLastNotOf(set);
  if (last < 0) {
    MakeEmpty();
  } else {
    Erase(last + 1);
  }
  return *this;
}

// ----- bytes -----

void* StringC::GetBytes(const char* encoding) const noexcept {
  return body_->Bytes(encoding);
}

int64_t StringC::GetByteLength(const char* encoding) const noexcept {
  return body_->ByteLength(encoding);
}

void StringC::ReleaseBytes(void* buffer, const char* encoding) const noexcept {
  body_->ReleaseBytes(buffer, encoding);
}
