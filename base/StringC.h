// StringC: the string of the whole system.
//
// A handle owning one reference to a reference-counted string body (cmn_StringBodyI) made by
// the string factory. Copies share the body; a shared body is copied before it is changed
// (copy on write). Lengths and positions count Unicode characters; searches return -1 when
// nothing is found, and a start of -1 means "from the beginning" (forwards) or "from the end"
// (backwards). Text enters with an explicit conversion code and leaves as bytes in a named
// encoding.
//
// Thread safety: handles on different threads may share a body freely. One handle object is
// not to be assigned on one thread while another thread reads it.
#ifndef QLM_BASE_STRINGC_H_
#define QLM_BASE_STRINGC_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cmn/cmn_Encodings.h"
#include "cmn/cmn_StringBodyI.h"

class ArgListC;
class cmn_StringFactoryI;

class StringC {
 public:
  // Conversion codes: the encoding of 8-bit C text handed to a constructor.
  static constexpr const char* CC_ASCII = cmn_kEncAscii;
  static constexpr const char* CC_SYS8 = cmn_kEncSys8;
  static constexpr const char* CC_LATIN1 = cmn_kEncLatin1;
  static constexpr const char* CC_UTF8 = cmn_kEncUtf8;
  static constexpr const char* CC_VALID_UTF8 = cmn_kEncValidUtf8;

  // The shared empty string; no allocation.
  StringC() noexcept;
  // From zero-terminated `text` in conversion code `cc` (null text: empty). Bad bytes become
  // U+FFFD (except with CC_VALID_UTF8, where the caller vouches for the bytes).
  StringC(const char* text, const char* cc, cmn_StringFactoryI* factory = nullptr);
  // From `count` bytes in `encoding` (any encoding name, including "utf16" and "wchar_t").
  StringC(const void* bytes, size_t count, const char* encoding,
          cmn_StringFactoryI* factory = nullptr);
  // One character.
  explicit StringC(char32_t c, cmn_StringFactoryI* factory = nullptr);
  // Adopts one reference to `body` (adds its own; the caller keeps its reference, if any).
  explicit StringC(const cmn_StringBodyI* body) noexcept;

  // Shorthand for UTF-8 text (validated).
  static StringC FromUtf8(std::string_view text);

  StringC(const StringC& other) noexcept;
  StringC(StringC&& other) noexcept;
  StringC& operator=(const StringC& other) noexcept;
  StringC& operator=(StringC&& other) noexcept;
  ~StringC();

  // Makes this the shared empty string.
  void MakeEmpty() noexcept;

  int64_t Length() const noexcept { return body_->Length(); }
  bool IsEmpty() const noexcept { return body_->IsEmpty(); }
  // The code point at `index`, 0 when out of range.
  char32_t CharAt(int64_t index) const noexcept { return body_->CharAt(index); }

  int Compare(const StringC& other) const noexcept { return body_->Compare(*other.body_); }
  int CompareNoCase(const StringC& other) const noexcept;
  // Equality compares lengths first.
  bool Equals(const StringC& other) const noexcept;
  bool EqualsNoCase(const StringC& other) const noexcept;
  friend bool operator==(const StringC& a, const StringC& b) noexcept { return a.Equals(b); }
  friend bool operator!=(const StringC& a, const StringC& b) noexcept { return !a.Equals(b); }
  friend bool operator<(const StringC& a, const StringC& b) noexcept { return a.Compare(b) < 0; }

  int64_t Find(const StringC& text, int64_t start = -1) const noexcept;
  int64_t FindChar(char32_t c, int64_t start = -1) const noexcept;
  int64_t FindCharBackwards(char32_t c, int64_t start = -1) const noexcept;
  int64_t FindFirstOf(const StringC& set, int64_t start = -1) const noexcept;
  int64_t FindLastOf(const StringC& set, int64_t start = -1) const noexcept;
  int64_t FindFirstNotOf(const StringC& set, int64_t start = -1) const noexcept;
  int64_t FindLastNotOf(const StringC& set, int64_t start = -1) const noexcept;
  // 0 when the first `count` characters equal those of `text` (body slot semantics).
  int StartsWith(const StringC& text, int64_t count) const noexcept;
  // True when this text begins with all of `prefix`.
  bool StartsWith(const StringC& prefix) const noexcept;

  // `count` characters from `position` (-1: the rest).
  StringC Substring(int64_t position, int64_t count = -1) const;
  friend StringC operator+(const StringC& a, const StringC& b);

  // In-place changes (the body is made private first). Each returns *this.
  StringC& Append(const StringC& other);
  StringC& AppendChar(char32_t c);
  StringC& Insert(int64_t position, const StringC& other);
  StringC& Erase(int64_t position, int64_t count = -1);
  // Removes leading (trailing) characters that belong to `set`.
  StringC& TrimLeft(const StringC& set);
  StringC& TrimRight(const StringC& set);

  // Case-changed copies.
  StringC ToUpper() const;
  StringC ToLower() const;

  // `format` rendered with `arguments` (see cmn/cmn_Formatter.h).
  static StringC Format(const StringC& format, const ArgListC& arguments);

  // The text in `encoding` ("utf8", "system-8", "iso-8859-1", "ascii", "wchar_t", "utf16"),
  // terminated by a zero unit; null for an unknown encoding. Give it back with ReleaseBytes in
  // the same encoding.
  [[nodiscard]] void* GetBytes(const char* encoding) const noexcept;
  // Bytes of the text in `encoding`, without the terminator; -1 for an unknown encoding.
  int64_t GetByteLength(const char* encoding) const noexcept;
  void ReleaseBytes(void* buffer, const char* encoding) const noexcept;

  // The UTF-8 text without copying; valid while this handle holds the same unchanged body.
  std::string_view Utf8View() const noexcept { return body_->Utf8(); }
  // A copy of the UTF-8 text.
  std::string ToUtf8() const { return std::string(body_->Utf8()); }
  bool IsAscii() const noexcept { return body_->IsAscii(); }

  const cmn_StringBodyI* Body() const noexcept { return body_; }

 private:
  // Takes ownership of one reference to `body` (already added).
  struct AdoptTag {};
  StringC(AdoptTag, const cmn_StringBodyI* body) noexcept : body_(body) {}
  // Swaps `body` in (one reference already added) and releases the old body.
  void Reset(const cmn_StringBodyI* body) noexcept;
  // Copies a shared body so that it may be changed in place; returns the private body.
  cmn_StringBodyI* MakePrivate();

  const cmn_StringBodyI* body_;
};

#endif  // QLM_BASE_STRINGC_H_
