// A reference-counted string body: the characters behind every StringC handle.
//
// Bodies hold their text as valid UTF-8; lengths and positions count Unicode characters
// (code points). Positions are signed 64-bit; -1 means "not found" in results and has the
// documented meaning in arguments. Bodies are made by a cmn_StringFactoryI with a reference
// count of 0; whoever keeps one adds its own reference.
//
// Thread safety: reference counting is atomic. A body that IsShared() must not be changed in
// place; the handle copies it first. Read operations may run concurrently on one body.
#ifndef QLM_CMN_CMN_STRINGBODYI_H_
#define QLM_CMN_CMN_STRINGBODYI_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

class cmn_StringFactoryI;

class cmn_StringBodyI {
 public:
  // Adds one reference.
  virtual void AddRef() const noexcept = 0;
  // Drops one reference; the body frees itself when the last one goes. The shared empty
  // body is never freed.
  virtual void Release() const noexcept = 0;
  // True when more than one reference is held.
  virtual bool IsShared() const noexcept = 0;
  // The factory that made this body (never null).
  virtual cmn_StringFactoryI* Factory() const noexcept = 0;
  // Number of characters. O(1).
  virtual int64_t Length() const noexcept = 0;
  // Length() == 0.
  virtual bool IsEmpty() const noexcept = 0;
  // Exact, case-sensitive comparison in code-point order: negative, 0 or positive.
  virtual int Compare(const cmn_StringBodyI& other) const noexcept = 0;
  // Comparison after simple case folding (lower-case mapping) of both sides.
  virtual int CompareNoCase(const cmn_StringBodyI& other) const noexcept = 0;
  // First position after `start` holding `c` (search begins at start + 1; start -1 searches
  // from the beginning); -1 when absent.
  virtual int64_t FindChar(char32_t c, int64_t start) const noexcept = 0;
  // Last position before `start` holding `c` (search begins at start - 1; start -1 searches
  // from the end); -1 when absent.
  virtual int64_t FindCharBackwards(char32_t c, int64_t start) const noexcept = 0;
  // First position of `text` after `start` (start rule of FindChar); -1 when absent. An
  // empty `text` is found at the first position searched, if that position is <= Length().
  virtual int64_t FindText(const cmn_StringBodyI& text, int64_t start) const noexcept = 0;
  // 0 when the first `count` characters equal those of `text` (both must have them), else
  // nonzero (the sign of the first difference, or of the length shortfall).
  virtual int StartsWith(const cmn_StringBodyI& text, int64_t count) const noexcept = 0;
  // First / last position holding any character of `set`, with the start rules of FindChar /
  // FindCharBackwards; -1 when none.
  virtual int64_t FindFirstOf(const cmn_StringBodyI& set, int64_t start) const noexcept = 0;
  virtual int64_t FindLastOf(const cmn_StringBodyI& set, int64_t start) const noexcept = 0;
  // First / last position holding a character not in `set`; -1 when none.
  virtual int64_t FindFirstNotOf(const cmn_StringBodyI& set, int64_t start) const noexcept = 0;
  virtual int64_t FindLastNotOf(const cmn_StringBodyI& set, int64_t start) const noexcept = 0;
  // The code point at `index`; 0 when out of range. O(1) when the text is all ASCII.
  virtual char32_t CharAt(int64_t index) const noexcept = 0;
  // Bytes needed for the text in `encoding` (an encoding name, see cmn_Encodings.h), not
  // counting the terminating zero unit; -1 for an unknown encoding.
  virtual int64_t ByteLength(const char* encoding) const noexcept = 0;
  // A new buffer holding the text in `encoding`, terminated by one zero unit of the
  // encoding's unit size; null for an unknown encoding. Give it back with ReleaseBytes.
  // Characters the encoding cannot represent become "~" (one-byte encodings) or U+FFFD.
  virtual void* Bytes(const char* encoding) const noexcept = 0;
  // Frees a buffer from Bytes(). Null is ignored.
  virtual void ReleaseBytes(void* buffer, const char* encoding) const noexcept = 0;
  // Removes `count` characters at `position` (count -1: to the end). Out-of-range parts
  // are clipped. Precondition: !IsShared().
  virtual void Erase(int64_t position, int64_t count) noexcept = 0;
  // Appends the text of `other` (which may be this body). Precondition: !IsShared().
  virtual void Append(const cmn_StringBodyI& other) noexcept = 0;
  // Appends one code point (values above 0x7FFFFFFF are ignored). Precondition: !IsShared().
  virtual void AppendChar(char32_t c) noexcept = 0;
  // Inserts `other` before `position` (clipped to 0..Length()). Precondition: !IsShared().
  virtual void Insert(int64_t position, const cmn_StringBodyI& other) noexcept = 0;
  // Simple upper-case mapping in place. Precondition: !IsShared().
  virtual void ToUpper() noexcept = 0;
  // Simple lower-case mapping in place. Precondition: !IsShared().
  virtual void ToLower() noexcept = 0;
  // The text as valid UTF-8, without copying. Valid until the body changes or is freed.
  virtual std::string_view Utf8() const noexcept = 0;
  // True when every character is below 0x80 (then byte and character positions agree).
  virtual bool IsAscii() const noexcept = 0;

 protected:
  ~cmn_StringBodyI() = default;
};

#endif  // QLM_CMN_CMN_STRINGBODYI_H_
