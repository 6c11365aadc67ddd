#include "registry/ZelStringC.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "base/StringC.h"

ZelStringC::ZelStringC(char c) {
  if (c != '\0') Assign(&c, 1);
}

ZelStringC::ZelStringC(const char* text) {
  if (text != nullptr) Assign(text, std::strlen(text));
}

ZelStringC::ZelStringC(const StringC& text) {
  std::string_view bytes = text.Utf8View();
  // A NUL character cannot be part of the text; the bytes up to the first one are kept.
  Assign(bytes.data(), std::min(bytes.size(), bytes.find('\0')));
}

ZelStringC::ZelStringC(const ZelStringC& other) {
  Assign(other.c_str(), other.length_);
}

ZelStringC::ZelStringC(ZelStringC&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ZelStringC& ZelStringC::operator=(const ZelStringC& other) {
  if (this != &other) Assign(other.c_str(), other.length_);
  return *this;
}

ZelStringC& ZelStringC::operator=(ZelStringC&& other) noexcept {
  if (this != &other) {
    delete[] data_;
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

ZelStringC& ZelStringC::operator=(const char* text) {
  if (text == nullptr) {
    Empty();
  } else if (text >= data_ && text < data_ + capacity_) {
    // The text lives in our own buffer: copy it out first.
    ZelStringC copy(text);
    *this = std::move(copy);
  } else {
    Assign(text, std::strlen(text));
  }
  return *this;
}

ZelStringC::~ZelStringC() {
  delete[] data_;
}

ZelStringC operator+(const ZelStringC& a, const ZelStringC& b) {
  ZelStringC result(a);
  result += b;
  return result;
}

ZelStringC& ZelStringC::operator+=(char c) {
  if (c != '\0') Append(&c, 1);
  return *this;
}

ZelStringC& ZelStringC::operator+=(const ZelStringC& text) {
  if (&text == this) {
    ZelStringC copy(text);
    Append(copy.c_str(), copy.length_);
  } else {
    Append(text.c_str(), text.length_);
  }
  return *this;
}

ZelStringC& ZelStringC::operator+=(const char* text) {
  if (text == nullptr) return *this;
  if (text >= data_ && text < data_ + capacity_) {
    ZelStringC copy(text);
    return *this += copy;
  }
  Append(text, std::strlen(text));
  return *this;
}

void ZelStringC::Empty() noexcept {
  length_ = 0;
  if (data_ != nullptr) data_[0] = '\0';
}

int64_t ZelStringC::Find(char c) const noexcept {
  if (c == '\0' || length_ == 0) return -1;
  const void* p = std::memchr(data_, c, length_);
  return p != nullptr ? static_cast<const char*>(p) - data_ : -1;
}

int64_t ZelStringC::FindLast(char c) const noexcept {
  if (c == '\0' || length_ == 0) return -1;
  const void* p = ::memrchr(data_, c, length_);
  return p != nullptr ? static_cast<const char*>(p) - data_ : -1;
}

int64_t ZelStringC::Find(const ZelStringC& text, int64_t start) const noexcept {
  if (start < 0 || start > Length()) return -1;
  std::string_view hay(c_str(), length_);
  size_t pos = hay.find(std::string_view(text.c_str(), text.length_), static_cast<size_t>(start));
  return pos == std::string_view::npos ? -1 : static_cast<int64_t>(pos);
}

ZelStringC ZelStringC::Substring(int64_t position, int64_t count) const {
  ZelStringC result;
  if (position < 0 || position > Length()) return result;
  size_t rest = length_ - static_cast<size_t>(position);
  size_t n = (count < 0 || static_cast<uint64_t>(count) > rest) ? rest : static_cast<size_t>(count);
  result.Assign(c_str() + position, n);
  return result;
}

int ZelStringC::Compare(const ZelStringC& other) const noexcept {
  size_t n = std::min(length_, other.length_);
  int c = n == 0 ? 0 : std::memcmp(data_, other.data_, n);
  if (c != 0) return c < 0 ? -1 : 1;
  if (length_ == other.length_) return 0;
  return length_ < other.length_ ? -1 : 1;
}

bool operator==(const ZelStringC& a, const ZelStringC& b) noexcept {
  return a.length_ == b.length_ &&
         (a.length_ == 0 || std::memcmp(a.data_, b.data_, a.length_) == 0);
}

void ZelStringC::Reserve(size_t n, bool keep) {
  if (capacity_ >= n + 1) return;
  size_t capacity = std::max(capacity_ * 2, (n & ~static_cast<size_t>(7)) + 8);
  char* data = new char[capacity];
  if (keep && length_ > 0) std::memcpy(data, data_, length_);
  data[keep ? length_ : 0] = '\0';
  delete[] data_;
  data_ = data;
  capacity_ = capacity;
}

void ZelStringC::Assign(const char* text, size_t count) {
  if (count == 0) {
    Empty();
    return;
  }
  Reserve(count, false);
  std::memmove(data_, text, count);
  data_[count] = '\0';
  length_ = count;
}

void ZelStringC::Append(const char* text, size_t count) {
  if (count == 0) return;
  Reserve(length_ + count, true);
  std::memcpy(data_ + length_, text, count);
  length_ += count;
  data_[length_] = '\0';
}
