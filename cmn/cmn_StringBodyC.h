// The string body of the common-services layer: the one concrete cmn_StringBodyI.
//
// Representation: the text as well-formed UTF-8 in shortest form (what cmn_DecodeUtf8
// produces, so byte order is code-point order and every character has exactly one spelling),
// its byte size, its character count and an atomic reference count. The text is all ASCII
// exactly when the character count equals the byte size, so character and byte positions
// then agree and CharAt/Find are plain byte operations.
//
// Memory: one allocation holds the header and the initial bytes; an in-place change that
// outgrows them moves the bytes to a separate heap buffer (grown geometrically). The bytes are
// always followed by a zero byte.
//
// Non-ASCII positions: a cached (character index, byte offset) pair, packed in one atomic
// 64-bit word, remembers the last position resolved, so walking a text forwards or backwards
// with CharAt costs O(1) per step. Concurrent readers each read and write the whole pair
// atomically, so a reader only ever sees a pair that was true for the current text.
#ifndef QLM_CMN_CMN_STRINGBODYC_H_
#define QLM_CMN_CMN_STRINGBODYC_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cmn/cmn_StringBodyI.h"

class cmn_StringBodyC final : public cmn_StringBodyI {
 public:
  // A body from `n` bytes of UTF-8 of unknown quality: well-formed shortest-form input is
  // copied as it is, anything else is decoded (bad sequences and an incomplete last
  // character become U+FFFD). Reference count 0. n > 0.
  static cmn_StringBodyC* FromUtf8(const void* bytes, size_t n);
  // A body with room for `capacity` bytes and no text yet; fill Data() and call Commit().
  static cmn_StringBodyC* Allocate(size_t capacity);
  // The process's empty body: never freed, never counted, always reported as shared.
  static cmn_StringBodyC* MakeImmortalEmpty();

  // Writable bytes of a body from Allocate(), room for the capacity given there.
  uint8_t* Data() noexcept { return reinterpret_cast<uint8_t*>(data_); }
  // Sets the text to the first `bytes` bytes of Data(), which must be well-formed shortest-form
  // UTF-8 holding `chars` characters.
  void Commit(size_t bytes, size_t chars) noexcept;

  // Byte offset of character `index` (0..Length()); uses and refreshes the position cache.
  size_t OffsetOf(size_t index) const noexcept;
  // Byte offset of character `index` in any body (clipped to its end).
  static size_t OffsetIn(const cmn_StringBodyI& body, size_t index) noexcept;
  // The characters [*begin, *end) that `count` characters from `position` (count < 0: the
  // rest) cover within a text of `length` characters; parts outside the text are cut off.
  static void ClipRange(int64_t position, int64_t count, size_t length, size_t* begin,
                        size_t* end) noexcept;

  // cmn_StringBodyI
  void AddRef() const noexcept override;
  void Release() const noexcept override;
  bool IsShared() const noexcept override;
  cmn_StringFactoryI* Factory() const noexcept override;
  int64_t Length() const noexcept override { return static_cast<int64_t>(length_); }
  bool IsEmpty() const noexcept override { return length_ == 0; }
  int Compare(const cmn_StringBodyI& other) const noexcept override;
  int CompareNoCase(const cmn_StringBodyI& other) const noexcept override;
  int64_t FindChar(char32_t c, int64_t start) const noexcept override;
  int64_t FindCharBackwards(char32_t c, int64_t start) const noexcept override;
  int64_t FindText(const cmn_StringBodyI& text, int64_t start) const noexcept override;
  int StartsWith(const cmn_StringBodyI& text, int64_t count) const noexcept override;
  int64_t FindFirstOf(const cmn_StringBodyI& set, int64_t start) const noexcept override;
  int64_t FindLastOf(const cmn_StringBodyI& set, int64_t start) const noexcept override;
  int64_t FindFirstNotOf(const cmn_StringBodyI& set, int64_t start) const noexcept override;
  int64_t FindLastNotOf(const cmn_StringBodyI& set, int64_t start) const noexcept override;
  char32_t CharAt(int64_t index) const noexcept override;
  int64_t ByteLength(const char* encoding) const noexcept override;
  void* Bytes(const char* encoding) const noexcept override;
  void ReleaseBytes(void* buffer, const char* encoding) const noexcept override;
  void Erase(int64_t position, int64_t count) noexcept override;
  void Append(const cmn_StringBodyI& other) noexcept override;
  void AppendChar(char32_t c) noexcept override;
  void Insert(int64_t position, const cmn_StringBodyI& other) noexcept override;
  void ToUpper() noexcept override;
  void ToLower() noexcept override;
  std::string_view Utf8() const noexcept override { return {data_, size_}; }
  bool IsAscii() const noexcept override { return length_ == size_; }

 private:
  cmn_StringBodyC(size_t capacity, bool immortal) noexcept;
  ~cmn_StringBodyC();
  cmn_StringBodyC(const cmn_StringBodyC&) = delete;
  cmn_StringBodyC& operator=(const cmn_StringBodyC&) = delete;

  char* InlineBytes() noexcept { return reinterpret_cast<char*>(this + 1); }
  // Makes room for `bytes` bytes of text (plus the terminator), keeping the current text.
  void Reserve(size_t bytes);
  // Character index of byte offset `off`, given that character `known` starts at byte `at`.
  size_t IndexOf(size_t off, size_t known, size_t at) const noexcept;
  void RememberPosition(size_t index, size_t offset) const noexcept;
  void ForgetPosition() noexcept { cursor_.store(0, std::memory_order_relaxed); }
  void ChangeCase(bool upper) noexcept;
  // Replaces bytes [from, to) with `n` bytes from `src` (which must not point into this
  // body), adjusting the character count by `chars_in - chars_out`.
  void Splice(size_t from, size_t to, const char* src, size_t n, size_t chars_in, size_t chars_out);

  mutable std::atomic<size_t> refs_{0};
  // (character index << 32) | byte offset of the last position resolved; only used while
  // the text is shorter than 4 GiB.
  mutable std::atomic<uint64_t> cursor_{0};
  char* data_;
  size_t size_ = 0;    // bytes of text, without the terminator
  size_t length_ = 0;  // characters
  size_t capacity_;    // bytes of text data_ can hold, without the terminator
  bool immortal_;
};

#endif  // QLM_CMN_CMN_STRINGBODYC_H_
