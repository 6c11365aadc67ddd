#include "cmn/cmn_StringBodyC.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>

#include "cmn/cmn_Encodings.h"
#include "cmn/cmn_StringFactoryC.h"
#include "cmn/cmn_TextCodec.h"
#include "cmn/cmn_Unicode.h"

static_assert(sizeof(wchar_t) == 4, "wide characters are 4-byte units");

namespace {

constexpr bool kBigEndian = std::endian::native == std::endian::big;
constexpr uint64_t kHighBits64 = 0x8080808080808080ull;

inline bool IsCont(uint8_t b) noexcept {
  return (b & 0xC0) == 0x80;
}

// Bytes of the sequence that lead byte `b` starts (1..6) in well-formed text.
inline size_t SeqLen(uint8_t b) noexcept {
  return b < 0x80 ? 1 : static_cast<size_t>(std::countl_one(b));
}

// Decodes the character at `p` of well-formed text; *len receives its byte count.
inline char32_t DecodeAt(const uint8_t* p, size_t* len) noexcept {
  const uint8_t b = p[0];
  if (b < 0x80) {
    *len = 1;
    return b;
  }
  const size_t n = static_cast<size_t>(std::countl_one(b));
  char32_t cp = b & (0x7Fu >> n);
  for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (p[i] & 0x3Fu);
  *len = n;
  return cp;
}

// Reads the next character of text that is assumed but not known to be well-formed (the
// bytes of another body): never reads past `end`.
inline char32_t NextChar(const uint8_t*& p, const uint8_t* end) noexcept {
  const uint8_t b = *p;
  if (b < 0x80) {
    ++p;
    return b;
  }
  char32_t cp;
  const size_t k = cmn_ReadUtf8(p, static_cast<size_t>(end - p), &cp);
  if (k == 0) {
    p = end;
    return cmn_kReplacementChar;
  }
  p += k;
  return cp;
}

inline bool AllAscii(const uint8_t* p, size_t n) noexcept {
  size_t i = 0;
  uint64_t acc = 0;
  for (; i + 32 <= n; i += 32) {
    uint64_t w[4];
    std::memcpy(w, p + i, 32);
    if (((w[0] | w[1] | w[2] | w[3]) & kHighBits64) != 0) return false;
  }
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    acc |= w;
  }
  for (; i < n; ++i) acc |= p[i];
  return (acc & kHighBits64) == 0;
}

inline uint8_t AsciiLower(uint8_t b) noexcept {
  return static_cast<uint8_t>(static_cast<unsigned>(b - 'A') < 26u ? b + 32 : b);
}

inline const uint8_t* U8(const char* p) noexcept {
  return reinterpret_cast<const uint8_t*>(p);
}

// First occurrence of `pat` (m > 0 bytes) in s[0, n), or null. Candidates are found with
// memchr on the first byte, which is what makes short searches in text fast; a search that
// keeps hitting false candidates hands over to memmem, which is linear in the worst case.
const char* Search(const char* s, size_t n, const char* pat, size_t m) noexcept {
  if (m > n) return nullptr;
  if (m == 1) return static_cast<const char*>(std::memchr(s, pat[0], n));
  const char* p = s;
  const char* const last = s + (n - m);  // the last possible start
  for (int misses = 0; p <= last; ++p) {
    p = static_cast<const char*>(std::memchr(p, pat[0], static_cast<size_t>(last - p) + 1));
    if (p == nullptr) return nullptr;
    if (std::memcmp(p + 1, pat + 1, m - 1) == 0) return p;
    if (++misses == 32) {
      return static_cast<const char*>(memmem(p + 1, static_cast<size_t>(s + n - (p + 1)), pat, m));
    }
  }
  return nullptr;
}

// Characters that a search looks for: a bitmap for ASCII, the set's own text for the rest.
class CharSetC {
 public:
  explicit CharSetC(const cmn_StringBodyI& set) noexcept
      : text_(set.Utf8()), wide_(!set.IsAscii()) {
    for (const char ch : text_) {
      const auto b = static_cast<uint8_t>(ch);
      if (b < 0x80) bits_[b >> 6] |= uint64_t{1} << (b & 63);
    }
  }
  bool ContainsAscii(uint8_t b) const noexcept { return (bits_[b >> 6] >> (b & 63)) & 1; }
  bool Contains(char32_t c) const noexcept {
    if (c < 0x80) return ContainsAscii(static_cast<uint8_t>(c));
    if (!wide_) return false;
    uint8_t buf[6];
    const size_t m = cmn_WriteUtf8(c, buf);
    // A match starts on a lead byte, so it is the whole character.
    return m != 0 && Search(text_.data(), text_.size(), reinterpret_cast<char*>(buf), m) != nullptr;
  }

 private:
  std::string_view text_;
  bool wide_;
  uint64_t bits_[2] = {0, 0};
};

// Offset of the last occurrence of `pat` (m > 0 bytes) lying wholly in s[0, n), or -1.
int64_t LastOccurrence(const char* s, size_t n, const char* pat, size_t m) noexcept {
  if (m > n) return -1;
  size_t limit = n - m + 1;  // candidate starts are [0, limit)
  while (limit > 0) {
    const void* hit = memrchr(s, static_cast<unsigned char>(pat[0]), limit);
    if (hit == nullptr) return -1;
    const size_t h = static_cast<size_t>(static_cast<const char*>(hit) - s);
    if (std::memcmp(s + h, pat, m) == 0) return static_cast<int64_t>(h);
    limit = h;
  }
  return -1;
}

// Where a forward search starting after `start` begins: start -1 (or any negative) searches
// from the beginning.
inline size_t ForwardFrom(int64_t start) noexcept {
  return start < 0 ? 0 : static_cast<size_t>(start) + 1;
}

// Where a backward search before `start` ends (exclusive): negative or past-the-end values
// search from the end.
inline size_t BackwardEnd(int64_t start, size_t length) noexcept {
  return (start < 0 || static_cast<uint64_t>(start) > length) ? length : static_cast<size_t>(start);
}

inline int Sign(int v) noexcept {
  return (v > 0) - (v < 0);
}

}  // namespace

// ----- creation -----

cmn_StringBodyC::cmn_StringBodyC(size_t capacity, bool immortal) noexcept
    : data_(InlineBytes()), capacity_(capacity), immortal_(immortal) {
  data_[0] = '\0';
}

cmn_StringBodyC::~cmn_StringBodyC() {
  if (data_ != InlineBytes()) ::operator delete(data_);
}

cmn_StringBodyC* cmn_StringBodyC::Allocate(size_t capacity) {
  constexpr size_t kHeader = sizeof(cmn_StringBodyC);
  if (capacity > (SIZE_MAX >> 2)) throw std::bad_alloc();
  // The block is rounded up to 16 bytes, as the allocator would; the slack is usable room.
  const size_t total = (kHeader + capacity + 1 + 15) & ~size_t{15};
  void* mem = ::operator new(total);
  return new (mem) cmn_StringBodyC(total - kHeader - 1, false);
}

cmn_StringBodyC* cmn_StringBodyC::MakeImmortalEmpty() {
  void* mem = ::operator new(sizeof(cmn_StringBodyC) + 1);
  return new (mem) cmn_StringBodyC(0, true);
}

cmn_StringBodyC* cmn_StringBodyC::FromUtf8(const void* bytes, size_t n) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  const bool ascii = AllAscii(p, n);
  if (ascii || cmn_IsWellFormedUtf8(p, n)) {
    cmn_StringBodyC* body = Allocate(n);
    std::memcpy(body->data_, p, n);
    body->Commit(n, ascii ? n : cmn_CountUtf8Chars(p, n));
    return body;
  }
  // Rewrite: every bad byte may grow to a 3-byte U+FFFD, plus one for an incomplete tail.
  const size_t cap = 3 * n + 3;
  std::unique_ptr<uint8_t[]> tmp(new uint8_t[cap]);
  const cmn_CodecResultS r = cmn_DecodeUtf8(p, n, tmp.get(), cap);
  size_t out = r.out_written;
  if (r.in_used < n) out += cmn_WriteUtf8(cmn_kReplacementChar, tmp.get() + out);
  cmn_StringBodyC* body = Allocate(out);
  std::memcpy(body->data_, tmp.get(), out);
  body->Commit(out, cmn_CountUtf8Chars(tmp.get(), out));
  return body;
}

void cmn_StringBodyC::Commit(size_t bytes, size_t chars) noexcept {
  size_ = bytes;
  length_ = chars;
  data_[bytes] = '\0';
  ForgetPosition();
}

void cmn_StringBodyC::ClipRange(int64_t position, int64_t count, size_t length, size_t* begin,
                                size_t* end) noexcept {
  const auto len = static_cast<__int128>(length);
  __int128 b = position;
  __int128 e = count < 0 ? len : b + count;
  if (b < 0) b = 0;
  if (b > len) b = len;
  if (e > len) e = len;
  if (e < b) e = b;
  *begin = static_cast<size_t>(b);
  *end = static_cast<size_t>(e);
}

size_t cmn_StringBodyC::OffsetIn(const cmn_StringBodyI& body, size_t index) noexcept {
  if (body.IsAscii()) return index;
  if (body.Factory() == &cmn_StringFactoryC::Instance()) {
    return static_cast<const cmn_StringBodyC&>(body).OffsetOf(index);
  }
  const std::string_view v = body.Utf8();
  const uint8_t* p = U8(v.data());
  const uint8_t* end = p + v.size();
  const uint8_t* q = p;
  for (size_t i = 0; i < index && q < end; ++i) NextChar(q, end);
  return static_cast<size_t>(q - p);
}

// ----- reference counting -----

void cmn_StringBodyC::AddRef() const noexcept {
  if (!immortal_) refs_.fetch_add(1, std::memory_order_relaxed);
}

void cmn_StringBodyC::Release() const noexcept {
  if (immortal_) return;
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    auto* self = const_cast<cmn_StringBodyC*>(this);
    self->~cmn_StringBodyC();
    ::operator delete(static_cast<void*>(self));
  }
}

bool cmn_StringBodyC::IsShared() const noexcept {
  // Acquire: when the count has dropped to 1, the other holders' reads of the text happen
  // before the change in place that follows.
  return immortal_ || refs_.load(std::memory_order_acquire) > 1;
}

cmn_StringFactoryI* cmn_StringBodyC::Factory() const noexcept {
  return &cmn_StringFactoryC::Instance();
}

// ----- positions -----

void cmn_StringBodyC::RememberPosition(size_t index, size_t offset) const noexcept {
  if (IsAscii() || size_ > UINT32_MAX) return;  // ASCII positions need no cache
  const uint64_t packed = (static_cast<uint64_t>(index) << 32) | offset;
  // Readers on other threads share this cache line; write only when something changes.
  if (cursor_.load(std::memory_order_relaxed) != packed) {
    cursor_.store(packed, std::memory_order_relaxed);
  }
}

size_t cmn_StringBodyC::OffsetOf(size_t index) const noexcept {
  if (IsAscii()) return index < size_ ? index : size_;
  if (index >= length_) return size_;
  if (index == 0) return 0;
  size_t ci = 0, bo = 0;
  if (size_ <= UINT32_MAX) {
    const uint64_t c = cursor_.load(std::memory_order_relaxed);
    ci = static_cast<size_t>(c >> 32);
    bo = static_cast<size_t>(c & UINT32_MAX);
  }
  // Walk from whichever known position is nearest: the start, the cache or the end.
  const size_t from_cache = index > ci ? index - ci : ci - index;
  const size_t from_end = length_ - index;
  if (index <= from_cache && index <= from_end) {
    ci = 0;
    bo = 0;
  } else if (from_end < from_cache) {
    ci = length_;
    bo = size_;
  }
  const auto* p = U8(data_);
  while (ci < index) {
    bo += SeqLen(p[bo]);
    ++ci;
  }
  while (ci > index) {
    do {
      --bo;
    } while (IsCont(p[bo]));
    --ci;
  }
  RememberPosition(index, bo);
  return bo;
}

size_t cmn_StringBodyC::IndexOf(size_t off, size_t known, size_t at) const noexcept {
  if (IsAscii()) return off;
  const auto* p = U8(data_);
  if (off >= at) return known + cmn_CountUtf8Chars(p + at, off - at);
  return known - cmn_CountUtf8Chars(p + off, at - off);
}

char32_t cmn_StringBodyC::CharAt(int64_t index) const noexcept {
  if (index < 0 || static_cast<uint64_t>(index) >= length_) return 0;
  const auto* p = U8(data_);
  if (IsAscii()) return p[index];
  size_t len;
  return DecodeAt(p + OffsetOf(static_cast<size_t>(index)), &len);
}

// ----- comparison -----

int cmn_StringBodyC::Compare(const cmn_StringBodyI& other) const noexcept {
  // Shortest-form UTF-8 sorts bytewise in code-point order.
  const std::string_view b = other.Utf8();
  const size_t n = size_ < b.size() ? size_ : b.size();
  const int r = n == 0 ? 0 : std::memcmp(data_, b.data(), n);
  if (r != 0) return Sign(r);
  return size_ < b.size() ? -1 : (size_ > b.size() ? 1 : 0);
}

int cmn_StringBodyC::CompareNoCase(const cmn_StringBodyI& other) const noexcept {
  const std::string_view ov = other.Utf8();
  const uint8_t* p = U8(data_);
  const uint8_t* pe = p + size_;
  const uint8_t* q = U8(ov.data());
  const uint8_t* qe = q + ov.size();
  while (p < pe && q < qe) {
    if (*p < 0x80 && *q < 0x80) {
      const uint8_t a = AsciiLower(*p++), b = AsciiLower(*q++);
      if (a != b) return a < b ? -1 : 1;
      continue;
    }
    const char32_t a = cmn_ToLower(NextChar(p, pe));
    const char32_t b = cmn_ToLower(NextChar(q, qe));
    if (a != b) return a < b ? -1 : 1;
  }
  return (p < pe) - (q < qe);
}

int cmn_StringBodyC::StartsWith(const cmn_StringBodyI& text, int64_t count) const noexcept {
  const size_t tlen = static_cast<size_t>(text.Length());
  const size_t want = count < 0 ? tlen : static_cast<size_t>(count);
  if (want == 0) return 0;
  const size_t mine = want < length_ ? want : length_;
  const size_t theirs = want < tlen ? want : tlen;
  const size_t b1 = OffsetOf(mine);
  const size_t b2 = OffsetIn(text, theirs);
  const size_t n = b1 < b2 ? b1 : b2;
  const int r = n == 0 ? 0 : std::memcmp(data_, text.Utf8().data(), n);
  if (r != 0) return Sign(r);
  if (mine < want) return -1;
  if (theirs < want) return 1;
  return b1 < b2 ? -1 : (b1 > b2 ? 1 : 0);
}

// ----- searching -----

int64_t cmn_StringBodyC::FindChar(char32_t c, int64_t start) const noexcept {
  const size_t from = ForwardFrom(start);
  if (start >= 0 && static_cast<uint64_t>(start) >= length_) return -1;
  if (from >= length_) return -1;
  if (IsAscii()) {
    if (c >= 0x80) return -1;
    const void* hit = std::memchr(data_ + from, static_cast<int>(c), size_ - from);
    return hit ? static_cast<const char*>(hit) - data_ : -1;
  }
  const size_t bo = OffsetOf(from);
  size_t off;
  if (c < 0x80) {
    const void* hit = std::memchr(data_ + bo, static_cast<int>(c), size_ - bo);
    if (hit == nullptr) return -1;
    off = static_cast<size_t>(static_cast<const char*>(hit) - data_);
  } else {
    char buf[6];
    const size_t m = cmn_WriteUtf8(c, reinterpret_cast<uint8_t*>(buf));
    if (m == 0) return -1;
    const void* hit = Search(data_ + bo, size_ - bo, buf, m);
    if (hit == nullptr) return -1;
    off = static_cast<size_t>(static_cast<const char*>(hit) - data_);
  }
  const size_t index = IndexOf(off, from, bo);
  RememberPosition(index, off);
  return static_cast<int64_t>(index);
}

int64_t cmn_StringBodyC::FindCharBackwards(char32_t c, int64_t start) const noexcept {
  const size_t end = BackwardEnd(start, length_);
  if (end == 0) return -1;
  if (IsAscii()) {
    if (c >= 0x80) return -1;
    const void* hit = memrchr(data_, static_cast<int>(c), end);
    return hit ? static_cast<const char*>(hit) - data_ : -1;
  }
  const size_t be = OffsetOf(end);
  int64_t off;
  if (c < 0x80) {
    const void* hit = memrchr(data_, static_cast<int>(c), be);
    off = hit ? static_cast<const char*>(hit) - data_ : -1;
  } else {
    char buf[6];
    const size_t m = cmn_WriteUtf8(c, reinterpret_cast<uint8_t*>(buf));
    if (m == 0) return -1;
    off = LastOccurrence(data_, be, buf, m);
  }
  if (off < 0) return -1;
  const size_t index = IndexOf(static_cast<size_t>(off), end, be);
  RememberPosition(index, static_cast<size_t>(off));
  return static_cast<int64_t>(index);
}

int64_t cmn_StringBodyC::FindText(const cmn_StringBodyI& text, int64_t start) const noexcept {
  if (start >= 0 && static_cast<uint64_t>(start) >= length_) return -1;
  const size_t from = ForwardFrom(start);
  const std::string_view pat = text.Utf8();
  if (pat.empty()) return static_cast<int64_t>(from);  // from <= length_ here
  if (static_cast<uint64_t>(text.Length()) > length_ - from) return -1;
  const size_t bo = OffsetOf(from);
  const void* hit = Search(data_ + bo, size_ - bo, pat.data(), pat.size());
  if (hit == nullptr) return -1;
  const auto off = static_cast<size_t>(static_cast<const char*>(hit) - data_);
  const size_t index = IndexOf(off, from, bo);
  RememberPosition(index, off);
  return static_cast<int64_t>(index);
}

namespace {

// First position at or after `from` whose membership in `set` equals `in`.
template <bool kIn>
int64_t ScanForward(const char* data, size_t size, bool ascii, size_t from, size_t bo,
                    const CharSetC& set) noexcept {
  const auto* p = U8(data);
  if (ascii) {
    for (size_t i = from; i < size; ++i) {
      if (set.ContainsAscii(p[i]) == kIn) return static_cast<int64_t>(i);
    }
    return -1;
  }
  size_t ci = from;
  while (bo < size) {
    size_t len;
    const char32_t c = DecodeAt(p + bo, &len);
    if (set.Contains(c) == kIn) return static_cast<int64_t>(ci);
    bo += len;
    ++ci;
  }
  return -1;
}

// Last position before `end` (byte offset `be`) whose membership in `set` equals `in`.
template <bool kIn>
int64_t ScanBackward(const char* data, bool ascii, size_t end, size_t be,
                     const CharSetC& set) noexcept {
  const auto* p = U8(data);
  if (ascii) {
    for (size_t i = end; i-- > 0;) {
      if (set.ContainsAscii(p[i]) == kIn) return static_cast<int64_t>(i);
    }
    return -1;
  }
  size_t ci = end;
  while (ci > 0) {
    do {
      --be;
    } while (IsCont(p[be]));
    --ci;
    size_t len;
    if (set.Contains(DecodeAt(p + be, &len)) == kIn) return static_cast<int64_t>(ci);
  }
  return -1;
}

}  // namespace

int64_t cmn_StringBodyC::FindFirstOf(const cmn_StringBodyI& set, int64_t start) const noexcept {
  if (start >= 0 && static_cast<uint64_t>(start) >= length_) return -1;
  const size_t from = ForwardFrom(start);
  if (from >= length_ || set.IsEmpty()) return -1;
  return ScanForward<true>(data_, size_, IsAscii(), from, OffsetOf(from), CharSetC(set));
}

int64_t cmn_StringBodyC::FindFirstNotOf(const cmn_StringBodyI& set, int64_t start) const noexcept {
  if (start >= 0 && static_cast<uint64_t>(start) >= length_) return -1;
  const size_t from = ForwardFrom(start);
  if (from >= length_) return -1;
  return ScanForward<false>(data_, size_, IsAscii(), from, OffsetOf(from), CharSetC(set));
}

int64_t cmn_StringBodyC::FindLastOf(const cmn_StringBodyI& set, int64_t start) const noexcept {
  const size_t end = BackwardEnd(start, length_);
  if (end == 0 || set.IsEmpty()) return -1;
  return ScanBackward<true>(data_, IsAscii(), end, OffsetOf(end), CharSetC(set));
}

int64_t cmn_StringBodyC::FindLastNotOf(const cmn_StringBodyI& set, int64_t start) const noexcept {
  const size_t end = BackwardEnd(start, length_);
  if (end == 0) return -1;
  return ScanBackward<false>(data_, IsAscii(), end, OffsetOf(end), CharSetC(set));
}

// ----- byte buffers -----

namespace {

// The encoding a byte buffer is produced in: "vutf8" is "utf8" and "system-8" is whatever
// the process's system encoding is.
inline cmn_EncodingE OutputEncoding(const char* encoding) noexcept {
  cmn_EncodingE e = cmn_EncodingOf(encoding);
  if (e == cmn_EncodingE::kSys8) e = cmn_SystemEncoding();
  if (e == cmn_EncodingE::kValidUtf8) e = cmn_EncodingE::kUtf8;
  return e;
}

inline size_t UnitSize(cmn_EncodingE e) noexcept {
  return e == cmn_EncodingE::kWchar ? 4 : (e == cmn_EncodingE::kUtf16 ? 2 : 1);
}

}  // namespace

int64_t cmn_StringBodyC::ByteLength(const char* encoding) const noexcept {
  switch (OutputEncoding(encoding)) {
    case cmn_EncodingE::kUtf8:
      return static_cast<int64_t>(size_);
    case cmn_EncodingE::kAscii:
    case cmn_EncodingE::kLatin1:
      return static_cast<int64_t>(length_);
    case cmn_EncodingE::kWchar:
      return static_cast<int64_t>(4 * length_);
    case cmn_EncodingE::kUtf16: {
      if (IsAscii()) return static_cast<int64_t>(2 * length_);
      size_t units = 0;
      const auto* p = U8(data_);
      for (size_t bo = 0; bo < size_;) {
        size_t len;
        const char32_t c = DecodeAt(p + bo, &len);
        units += (c >= 0x10000 && c <= 0x10FFFF) ? 2 : 1;
        bo += len;
      }
      return static_cast<int64_t>(2 * units);
    }
    default:
      return -1;
  }
}

void* cmn_StringBodyC::Bytes(const char* encoding) const noexcept {
  const cmn_EncodingE e = OutputEncoding(encoding);
  const int64_t len = ByteLength(encoding);
  if (len < 0) return nullptr;
  const auto n = static_cast<size_t>(len);
  const size_t unit = UnitSize(e);
  auto* out = static_cast<uint8_t*>(::operator new(n + unit));
  const auto* in = U8(data_);
  switch (e) {
    case cmn_EncodingE::kAscii:
      if (IsAscii()) {
        std::memcpy(out, in, n);
      } else {
        // The output was sized for this text by the same codec.
        (void)cmn_EncodeAscii(in, size_, out, n);
      }
      break;
    case cmn_EncodingE::kLatin1:
      if (IsAscii()) {
        std::memcpy(out, in, n);
      } else {
        // The output was sized for this text by the same codec.
        (void)cmn_EncodeLatin1(in, size_, out, n);
      }
      break;
    case cmn_EncodingE::kUtf16:
      // The output was sized for this text by the same codec.
      (void)cmn_EncodeUtf16(in, size_, out, n, kBigEndian);
      break;
    case cmn_EncodingE::kWchar:
      // The output was sized for this text by the same codec.
      (void)cmn_EncodeWchar(in, size_, out, n);
      break;
    default:  // UTF-8
      std::memcpy(out, in, n);
      break;
  }
  std::memset(out + n, 0, unit);
  return out;
}

void cmn_StringBodyC::ReleaseBytes(void* buffer, const char* /*encoding*/) const noexcept {
  ::operator delete(buffer);
}

// ----- changes in place -----

void cmn_StringBodyC::Reserve(size_t bytes) {
  if (bytes <= capacity_) return;
  if (bytes > (SIZE_MAX >> 2)) throw std::bad_alloc();
  const size_t grown = capacity_ + capacity_ / 2 + 16;
  const size_t cap = bytes > grown ? bytes : grown;
  auto* fresh = static_cast<char*>(::operator new(cap + 1));
  std::memcpy(fresh, data_, size_ + 1);
  if (data_ != InlineBytes()) ::operator delete(data_);
  data_ = fresh;
  capacity_ = cap;
}

void cmn_StringBodyC::Splice(size_t from, size_t to, const char* src, size_t n, size_t chars_in,
                             size_t chars_out) {
  const size_t tail = size_ - to;
  const size_t new_size = from + n + tail;
  Reserve(new_size);
  if (tail != 0 && from + n != to) std::memmove(data_ + from + n, data_ + to, tail);
  if (n != 0) std::memcpy(data_ + from, src, n);
  size_ = new_size;
  length_ = length_ + chars_in - chars_out;
  data_[size_] = '\0';
  ForgetPosition();
}

void cmn_StringBodyC::Erase(int64_t position, int64_t count) noexcept {
  size_t b, e;
  ClipRange(position, count, length_, &b, &e);
  if (b == e) return;
  const size_t bb = OffsetOf(b);
  const size_t be = OffsetOf(e);
  Splice(bb, be, nullptr, 0, 0, e - b);
}

void cmn_StringBodyC::Append(const cmn_StringBodyI& other) noexcept {
  if (&other == this) {
    if (size_ == 0) return;
    Reserve(2 * size_);
    std::memcpy(data_ + size_, data_, size_);
    size_ *= 2;
    length_ *= 2;
    data_[size_] = '\0';
    return;  // the cached position still holds for the unchanged front
  }
  const std::string_view v = other.Utf8();
  if (v.empty()) return;
  const size_t chars = static_cast<size_t>(other.Length());
  Reserve(size_ + v.size());
  std::memcpy(data_ + size_, v.data(), v.size());
  size_ += v.size();
  length_ += chars;
  data_[size_] = '\0';
}

void cmn_StringBodyC::AppendChar(char32_t c) noexcept {
  if (c > 0x7FFFFFFF) return;
  uint8_t buf[6];
  const size_t m = cmn_WriteUtf8(c, buf);
  Reserve(size_ + m);
  std::memcpy(data_ + size_, buf, m);
  size_ += m;
  ++length_;
  data_[size_] = '\0';
}

void cmn_StringBodyC::Insert(int64_t position, const cmn_StringBodyI& other) noexcept {
  const std::string_view v = other.Utf8();
  if (v.empty()) return;
  size_t pos, unused;
  ClipRange(position, 0, length_, &pos, &unused);
  const size_t chars = static_cast<size_t>(other.Length());
  const size_t bo = OffsetOf(pos);
  if (&other == this) {
    const std::unique_ptr<char[]> copy(new char[v.size()]);
    std::memcpy(copy.get(), v.data(), v.size());
    Splice(bo, bo, copy.get(), v.size(), chars, 0);
  } else {
    Splice(bo, bo, v.data(), v.size(), chars, 0);
  }
}

void cmn_StringBodyC::ChangeCase(bool upper) noexcept {
  auto* p = reinterpret_cast<uint8_t*>(data_);
  if (IsAscii()) {
    const uint8_t first = upper ? 'a' : 'A';
    for (size_t i = 0; i < size_; ++i) {
      if (static_cast<uint8_t>(p[i] - first) < 26u) p[i] ^= 0x20;
    }
    return;
  }
  // Mapped characters may change their UTF-8 length (U+0131 -> "I"), so the text is rebuilt.
  auto map = [upper](char32_t c) noexcept {
    const char32_t m = upper ? cmn_ToUpper(c) : cmn_ToLower(c);
    return cmn_Utf8Length(m) != 0 ? m : c;
  };
  size_t new_size = 0;
  for (size_t bo = 0; bo < size_;) {
    size_t len;
    new_size += cmn_Utf8Length(map(DecodeAt(p + bo, &len)));
    bo += len;
  }
  const std::unique_ptr<uint8_t[]> out(new uint8_t[new_size + 1]);
  size_t o = 0;
  for (size_t bo = 0; bo < size_;) {
    size_t len;
    o += cmn_WriteUtf8(map(DecodeAt(p + bo, &len)), out.get() + o);
    bo += len;
  }
  Reserve(new_size);
  std::memcpy(data_, out.get(), new_size);
  Commit(new_size, length_);
}

void cmn_StringBodyC::ToUpper() noexcept {
  ChangeCase(true);
}

void cmn_StringBodyC::ToLower() noexcept {
  ChangeCase(false);
}
