// ZelStringC: the plain 8-bit string of the component layer.
//
// A zero-terminated byte buffer owned by the object (no sharing, no encoding). The component
// registry keeps its names and keys in it. Positions and lengths count bytes; searches return -1
// when nothing is found. A NUL byte never enters the text (appending one is ignored), so the
// text always ends at its first zero byte.
//
// Growth: when the string must hold n bytes and its capacity (terminator included) is smaller
// than n + 1, the new capacity is the larger of twice the old one and (n rounded down to a
// multiple of 8) + 8. An empty string that never held text owns no buffer.
//
// A ZelStringC object belongs to one thread at a time; copies are independent.
#ifndef QLM_REGISTRY_ZELSTRINGC_H_
#define QLM_REGISTRY_ZELSTRINGC_H_

#include <cstddef>
#include <cstdint>

class StringC;

class ZelStringC {
 public:
  ZelStringC() noexcept = default;
  // One character; a NUL character gives the empty string.
  explicit ZelStringC(char c);
  // A zero-terminated text; null gives the empty string.
  ZelStringC(const char* text);  // NOLINT(google-explicit-constructor): names are passed as text
  // The UTF-8 bytes of `text`.
  explicit ZelStringC(const StringC& text);
  ZelStringC(const ZelStringC& other);
  ZelStringC(ZelStringC&& other) noexcept;
  ZelStringC& operator=(const ZelStringC& other);
  ZelStringC& operator=(ZelStringC&& other) noexcept;
  ZelStringC& operator=(const char* text);
  ~ZelStringC();

  friend ZelStringC operator+(const ZelStringC& a, const ZelStringC& b);

  // Appends `c`; a NUL character leaves the string unchanged.
  ZelStringC& operator+=(char c);
  ZelStringC& operator+=(const ZelStringC& text);
  ZelStringC& operator+=(const char* text);  // null appends nothing

  // Makes the string empty; the buffer is kept for reuse.
  void Empty() noexcept;

  // Position of the first (last) `c`, -1 when absent or when `c` is NUL.
  int64_t Find(char c) const noexcept;
  int64_t FindLast(char c) const noexcept;
  // Position of the first occurrence of `text` at or after `start`; -1 when absent or when
  // `start` lies outside [0, Length()]. An empty `text` is found at `start`.
  int64_t Find(const ZelStringC& text, int64_t start = 0) const noexcept;
  // `count` bytes from `position` (-1: the rest), clipped to the string; empty when `position`
  // lies outside [0, Length()].
  ZelStringC Substring(int64_t position, int64_t count = -1) const;

  // Byte-wise ordering (bytes compare unsigned); a prefix orders first.
  int Compare(const ZelStringC& other) const noexcept;
  friend bool operator==(const ZelStringC& a, const ZelStringC& b) noexcept;
  friend bool operator!=(const ZelStringC& a, const ZelStringC& b) noexcept { return !(a == b); }
  friend bool operator<(const ZelStringC& a, const ZelStringC& b) noexcept {
    return a.Compare(b) < 0;
  }
  friend bool operator>(const ZelStringC& a, const ZelStringC& b) noexcept {
    return a.Compare(b) > 0;
  }
  friend bool operator<=(const ZelStringC& a, const ZelStringC& b) noexcept {
    return a.Compare(b) <= 0;
  }
  friend bool operator>=(const ZelStringC& a, const ZelStringC& b) noexcept {
    return a.Compare(b) >= 0;
  }

  // The characters, zero-terminated; "" for the empty string. Valid until the next change.
  const char* c_str() const noexcept { return data_ != nullptr ? data_ : ""; }
  int64_t Length() const noexcept { return static_cast<int64_t>(length_); }
  bool IsEmpty() const noexcept { return length_ == 0; }
  // Bytes the buffer holds, terminator included (0 without a buffer).
  size_t Capacity() const noexcept { return capacity_; }

 private:
  // Makes room for `n` bytes plus the terminator (growth rule above). The text is kept when
  // `keep` is true; otherwise the contents are undefined afterwards.
  void Reserve(size_t n, bool keep);
  void Assign(const char* text, size_t count);
  void Append(const char* text, size_t count);

  char* data_ = nullptr;
  size_t length_ = 0;
  size_t capacity_ = 0;
};

#endif  // QLM_REGISTRY_ZELSTRINGC_H_
