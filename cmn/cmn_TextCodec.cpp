// Conversion kernels between UTF-8 and the byte encodings.
//
// Every kernel is a loop over characters with a block fast path for runs of 7-bit text (the
// common case in configuration, log and protocol text): with SSE2 (baseline on x86-64) 16 or
// 32 bytes are tested and stored at a time; elsewhere 8 bytes as one 64-bit word. The fast
// paths store whole blocks only when the block lies inside both the input (n) and the output
// (cap); the block may then hold bytes beyond the reported output, which callers ignore.
// Multi-byte UTF-8 sequences that are valid and in their shortest form are copied or
// converted directly; everything else goes through the general reader, so the results are
// exactly those of reading every character with cmn_ReadUtf8 and writing it again.
#include "cmn/cmn_TextCodec.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define QLM_CODEC_SSE2 1
#else
#define QLM_CODEC_SSE2 0
#endif

namespace {

constexpr uint8_t kReplacementUtf8[3] = {0xEF, 0xBF, 0xBD};
constexpr uint64_t kHighBits64 = 0x8080808080808080ull;

inline bool IsCont(uint8_t b) noexcept {
  return (b & 0xC0) == 0x80;
}

// Both bytes are continuation bytes (one test instead of two branches).
inline bool TwoConts(uint8_t a, uint8_t b) noexcept {
  return (((a & 0xC0u) << 8) | (b & 0xC0u)) == 0x8080u;
}

inline size_t Min(size_t a, size_t b) noexcept {
  return a < b ? a : b;
}

inline size_t Utf8Len(char32_t cp) noexcept {
  if (cp < 0x80) return 1;
  if (cp < 0x800) return 2;
  if (cp < 0x10000) return 3;
  if (cp < 0x200000) return 4;
  if (cp < 0x4000000) return 5;
  if (cp < 0x80000000) return 6;
  return 0;
}

// Reads one sequence; see cmn_ReadUtf8. n > 0.
inline size_t ReadSeq(const uint8_t* p, size_t n, char32_t* cp) noexcept {
  const uint8_t b = p[0];
  if (b < 0x80) {
    *cp = b;
    return 1;
  }
  if (b < 0xC0 || b >= 0xFE) {  // stray continuation byte, 0xFE, 0xFF
    *cp = cmn_kReplacementChar;
    return 1;
  }
  // Leading 1 bits of the lead byte: 2..6.
  const size_t len = static_cast<size_t>(std::countl_one(b));
  char32_t v = b & (0x7Fu >> len);
  for (size_t i = 1; i < len; ++i) {
    if (i >= n) return 0;  // cut off, but every byte present fits: incomplete
    const uint8_t c = p[i];
    if (!IsCont(c)) {
      *cp = cmn_kReplacementChar;
      return i;  // the lead byte and the i - 1 continuation bytes after it
    }
    v = (v << 6) | (c & 0x3Fu);
  }
  // An overlong form (C0 AF for "/") is one U+FFFD: a value read from it would slip past any
  // filter that looks at the shortest bytes.
  *cp = Utf8Len(v) == len ? v : cmn_kReplacementChar;
  return len;
}

// Writes `cp` whose UTF-8 length is `len` (1..6).
inline void PutUtf8(char32_t cp, size_t len, uint8_t* out) noexcept {
  switch (len) {
    case 1:
      out[0] = static_cast<uint8_t>(cp);
      return;
    case 2:
      out[0] = static_cast<uint8_t>(0xC0 | (cp >> 6));
      out[1] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
      return;
    case 3:
      out[0] = static_cast<uint8_t>(0xE0 | (cp >> 12));
      out[1] = static_cast<uint8_t>(0x80 | ((cp >> 6) & 0x3F));
      out[2] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
      return;
    default:
      for (size_t i = len - 1; i > 0; --i) {
        out[i] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
        cp >>= 6;
      }
      out[0] = static_cast<uint8_t>((0xFF00u >> len) | cp);
  }
}

inline void PutReplacement(uint8_t* out) noexcept {
  out[0] = kReplacementUtf8[0];
  out[1] = kReplacementUtf8[1];
  out[2] = kReplacementUtf8[2];
}

// Index of the first byte >= 0x80 in a 64-bit word loaded from memory (w & kHighBits64 != 0).
inline size_t FirstHighByte(uint64_t w) noexcept {
  const uint64_t m = w & kHighBits64;
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<size_t>(std::countr_zero(m)) / 8;
  } else {
    return static_cast<size_t>(std::countl_zero(m)) / 8;
  }
}

// Copies the leading run of bytes below 0x80, at most min(n, cap) bytes; returns its length.
inline size_t CopyAscii(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  const size_t lim = Min(n, cap);
  size_t i = 0;
#if QLM_CODEC_SSE2
  while (i + 32 <= lim) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), a);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 16), b);
    const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(a)) |
                       (static_cast<unsigned>(_mm_movemask_epi8(b)) << 16);
    if (m != 0) return i + static_cast<size_t>(std::countr_zero(m));
    i += 32;
  }
  if (i + 16 <= lim) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), a);
    const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(a));
    if (m != 0) return i + static_cast<size_t>(std::countr_zero(m));
    i += 16;
  }
#endif
  while (i + 8 <= lim) {
    uint64_t w;
    std::memcpy(&w, in + i, 8);
    std::memcpy(out + i, &w, 8);
    if ((w & kHighBits64) != 0) return i + FirstHighByte(w);
    i += 8;
  }
  while (i < lim && in[i] < 0x80) {
    out[i] = in[i];
    ++i;
  }
  return i;
}

// Length of the leading run of bytes below 0x80 in n bytes.
inline size_t ScanAscii(const uint8_t* p, size_t n) noexcept {
  size_t i = 0;
#if QLM_CODEC_SSE2
  while (i + 64 <= n) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 32));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 48));
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) != 0) break;
    i += 64;
  }
  while (i + 16 <= n) {
    const unsigned m = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i))));
    if (m != 0) return i + static_cast<size_t>(std::countr_zero(m));
    i += 16;
  }
#endif
  while (i + 8 <= n) {
    uint64_t w;
    std::memcpy(&w, p + i, 8);
    if ((w & kHighBits64) != 0) return i + FirstHighByte(w);
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// Length of a valid shortest-form UTF-8 sequence of 2..4 bytes starting at p (p[0] >= 0x80),
// or 0 when the sequence needs the general reader (bad, overlong, 5/6 bytes or cut off).
// Such a sequence reads to a code point whose UTF-8 form is exactly these bytes.
inline size_t ShortestSeqLen(const uint8_t* p, size_t n) noexcept {
  const uint8_t b = p[0];
  if (b >= 0xC2 && b < 0xE0) {
    return (n >= 2 && IsCont(p[1])) ? 2 : 0;
  }
  if (b >= 0xE0 && b < 0xF0) {
    return (n >= 3 && IsCont(p[1]) && IsCont(p[2]) && (b != 0xE0 || p[1] >= 0xA0)) ? 3 : 0;
  }
  if (b >= 0xF0 && b < 0xF8) {
    return (n >= 4 && IsCont(p[1]) && IsCont(p[2]) && IsCont(p[3]) && (b != 0xF0 || p[1] >= 0x90))
               ? 4
               : 0;
  }
  return 0;
}

inline char32_t Decode2(const uint8_t* p) noexcept {
  return (static_cast<char32_t>(p[0] & 0x1F) << 6) | (p[1] & 0x3Fu);
}
inline char32_t Decode3(const uint8_t* p) noexcept {
  return (static_cast<char32_t>(p[0] & 0x0F) << 12) | (static_cast<char32_t>(p[1] & 0x3F) << 6) |
         (p[2] & 0x3Fu);
}

// Reads one character like ReadSeq, taking the common valid forms without the general loop.
inline size_t ReadChar(const uint8_t* p, size_t n, char32_t* cp) noexcept {
  const uint8_t b = p[0];
  if (b < 0x80) {
    *cp = b;
    return 1;
  }
  if (b >= 0xE1 && b <= 0xEF && n >= 3 && TwoConts(p[1], p[2])) {
    *cp = Decode3(p);
    return 3;
  }
  if (b >= 0xC2 && b < 0xE0 && n >= 2 && IsCont(p[1])) {
    *cp = Decode2(p);
    return 2;
  }
  return ReadSeq(p, n, cp);
}

inline uint16_t LoadUnit16(const uint8_t* p, bool big_endian) noexcept {
  return big_endian ? static_cast<uint16_t>((p[0] << 8) | p[1])
                    : static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline void StoreUnit16(uint16_t u, uint8_t* p, bool big_endian) noexcept {
  if (big_endian) {
    p[0] = static_cast<uint8_t>(u >> 8);
    p[1] = static_cast<uint8_t>(u);
  } else {
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
  }
}

// Converts the leading run of UTF-16 units below 0x80 to bytes, whole blocks only; returns
// the number of units converted (the caller finishes the rest one unit at a time).
inline size_t Utf16AsciiBlocks(const uint8_t* in, size_t units, uint8_t* out, size_t cap,
                               bool big_endian) noexcept {
  size_t u = 0;
#if QLM_CODEC_SSE2
  // Bits that must be clear in each 16-bit lane for a unit below 0x80, in memory order.
  const __m128i mask = big_endian ? _mm_set1_epi16(static_cast<short>(0x80FF))
                                  : _mm_set1_epi16(static_cast<short>(0xFF80));
  while (u + 16 <= units && u + 16 <= cap) {
    __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * u));
    __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * u + 16));
    const __m128i bad = _mm_and_si128(_mm_or_si128(a, b), mask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF) break;
    if (big_endian) {
      a = _mm_srli_epi16(a, 8);
      b = _mm_srli_epi16(b, 8);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + u), _mm_packus_epi16(a, b));
    u += 16;
  }
#else
  (void)in;
  (void)units;
  (void)out;
  (void)cap;
  (void)big_endian;
#endif
  return u;
}

}  // namespace

size_t cmn_ReadUtf8(const uint8_t* p, size_t n, char32_t* cp) noexcept {
  if (n == 0) return 0;
  return ReadSeq(p, n, cp);
}

size_t cmn_Utf8Length(char32_t cp) noexcept {
  return Utf8Len(cp);
}

size_t cmn_WriteUtf8(char32_t cp, uint8_t* out) noexcept {
  const size_t len = Utf8Len(cp);
  if (len != 0) PutUtf8(cp, len, out);
  return len;
}

bool cmn_IsWellFormedUtf8(const uint8_t* p, size_t n) noexcept {
  size_t i = 0;
  while (i < n) {
    i += ScanAscii(p + i, n - i);
    if (i >= n) break;
    // Only shortest forms survive decoding unchanged; 5- and 6-byte forms are checked here.
    size_t len = ShortestSeqLen(p + i, n - i);
    if (len == 0) {
      char32_t cp;
      len = ReadSeq(p + i, n - i, &cp);
      if (len < 5 || Utf8Len(cp) != len) return false;  // bad, incomplete or overlong
    }
    i += len;
  }
  return true;
}

size_t cmn_CountUtf8Chars(const uint8_t* p, size_t n) noexcept {
  size_t count = 0;
  size_t i = 0;
#if QLM_CODEC_SSE2
  // Continuation bytes 0x80..0xBF are the signed bytes -128..-65; count the others.
  const __m128i limit = _mm_set1_epi8(-65);
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const unsigned leads = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(v, limit)));
    count += static_cast<size_t>(std::popcount(leads));
    i += 16;
  }
#endif
  for (; i < n; ++i) count += IsCont(p[i]) ? 0 : 1;
  return count;
}

// ----- decoders -----

cmn_CodecResultS cmn_DecodeAscii(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  size_t i = 0, o = 0;
  while (i < n) {
    if (in[i] < 0x80) {
      const size_t k = CopyAscii(in + i, n - i, out + o, cap - o);
      i += k;
      o += k;
      if (i >= n || in[i] < 0x80) break;  // done, or the output is full
    }
    while (i < n && in[i] >= 0x80) {
      if (cap - o < 3) return {i, o, false};
      PutReplacement(out + o);
      o += 3;
      ++i;
    }
  }
  return {i, o, false};
}

cmn_CodecResultS cmn_DecodeLatin1(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  size_t i = 0, o = 0;
  while (i < n) {
    if (in[i] < 0x80) {
      const size_t k = CopyAscii(in + i, n - i, out + o, cap - o);
      i += k;
      o += k;
      if (i >= n || in[i] < 0x80) break;
    }
#if QLM_CODEC_SSE2
    // Blocks of 16 bytes that are all >= 0x80: two output bytes each, C2/C3 and the low bits.
    while (n - i >= 16 && cap - o >= 32) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      if (_mm_movemask_epi8(v) != 0xFFFF) break;
      const __m128i lead = _mm_or_si128(_mm_set1_epi8(static_cast<char>(0xC2)),
                                        _mm_and_si128(_mm_srli_epi16(v, 6), _mm_set1_epi8(1)));
      const __m128i trail = _mm_andnot_si128(_mm_set1_epi8(0x40), v);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o), _mm_unpacklo_epi8(lead, trail));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o + 16), _mm_unpackhi_epi8(lead, trail));
      i += 16;
      o += 32;
    }
#endif
    while (i < n && in[i] >= 0x80) {
      if (cap - o < 2) return {i, o, false};
      out[o] = static_cast<uint8_t>(0xC0 | (in[i] >> 6));
      out[o + 1] = static_cast<uint8_t>(0x80 | (in[i] & 0x3F));
      o += 2;
      ++i;
    }
  }
  return {i, o, false};
}

cmn_CodecResultS cmn_DecodeUtf8(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  size_t i = 0, o = 0;
  while (i < n) {
    if (in[i] < 0x80) {
      const size_t k = CopyAscii(in + i, n - i, out + o, cap - o);
      i += k;
      o += k;
      if (i >= n || in[i] < 0x80) break;
    }
    // Non-ASCII characters, until the next ASCII byte.
    while (i < n && in[i] >= 0x80) {
      const uint8_t b = in[i];
      // Three-byte forms first (most of CJK text); E1..EF cannot be overlong.
      if (b >= 0xE1 && b <= 0xEF && n - i >= 3) {
        const uint8_t c1 = in[i + 1];
        const uint8_t c2 = in[i + 2];
        if (TwoConts(c1, c2)) {
          if (cap - o < 3) return {i, o, false};
          out[o] = b;
          out[o + 1] = c1;
          out[o + 2] = c2;
          i += 3;
          o += 3;
          continue;
        }
      }
      size_t len = ShortestSeqLen(in + i, n - i);
      if (len != 0) {
        if (cap - o < len) return {i, o, false};
        out[o] = in[i];
        out[o + 1] = in[i + 1];
        if (len > 2) out[o + 2] = in[i + 2];
        if (len > 3) out[o + 3] = in[i + 3];
        i += len;
        o += len;
        continue;
      }
      char32_t cp;
      len = ReadSeq(in + i, n - i, &cp);
      if (len == 0) return {i, o, false};  // incomplete tail
      const size_t olen = Utf8Len(cp);
      if (cap - o < olen) return {i, o, false};
      PutUtf8(cp, olen, out + o);
      i += len;
      o += olen;
    }
  }
  return {i, o, false};
}

cmn_CodecResultS cmn_DecodeUtf16(const uint8_t* in, size_t n, uint8_t* out, size_t cap,
                                 bool big_endian) noexcept {
  const size_t units = n / 2;
  size_t u = 0, o = 0;
  while (u < units) {
    const size_t k = Utf16AsciiBlocks(in + 2 * u, units - u, out + o, cap - o, big_endian);
    u += k;
    o += k;
    // One unit at a time until the next block of 7-bit units may start.
    const size_t stop = Min(units, u + 16);
    while (u < stop) {
      const uint16_t c = LoadUnit16(in + 2 * u, big_endian);
      if (c < 0x80) {
        if (cap - o < 1) return {2 * u, o, false};
        out[o++] = static_cast<uint8_t>(c);
        ++u;
      } else if (c < 0x800) {
        if (cap - o < 2) return {2 * u, o, false};
        out[o] = static_cast<uint8_t>(0xC0 | (c >> 6));
        out[o + 1] = static_cast<uint8_t>(0x80 | (c & 0x3F));
        o += 2;
        ++u;
      } else if (c < 0xD800 || c > 0xDFFF) {
        if (cap - o < 3) return {2 * u, o, false};
        PutUtf8(c, 3, out + o);
        o += 3;
        ++u;
      } else if (c <= 0xDBFF) {                        // high surrogate: needs the next unit
        if (u + 1 >= units) return {2 * u, o, false};  // last unit: incomplete
        const uint16_t d = LoadUnit16(in + 2 * u + 2, big_endian);
        if (d >= 0xDC00 && d <= 0xDFFF) {
          if (cap - o < 4) return {2 * u, o, false};
          const char32_t cp = ((static_cast<char32_t>(c & 0x3FF) << 10) | (d & 0x3FFu)) + 0x10000;
          PutUtf8(cp, 4, out + o);
          o += 4;
          u += 2;
        } else {
          if (cap - o < 3) return {2 * u, o, false};
          PutReplacement(out + o);
          o += 3;
          ++u;
        }
      } else {  // lone low surrogate
        if (cap - o < 3) return {2 * u, o, false};
        PutReplacement(out + o);
        o += 3;
        ++u;
      }
    }
  }
  return {2 * u, o, false};
}

cmn_CodecResultS cmn_DecodeWchar(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  const size_t units = n / 4;
  size_t u = 0, o = 0;
  while (u < units) {
#if QLM_CODEC_SSE2
    // Blocks of 16 units below 0x80.
    while (u + 16 <= units && cap - o >= 16) {
      const __m128i* src = reinterpret_cast<const __m128i*>(in + 4 * u);
      const __m128i a = _mm_loadu_si128(src);
      const __m128i b = _mm_loadu_si128(src + 1);
      const __m128i c = _mm_loadu_si128(src + 2);
      const __m128i d = _mm_loadu_si128(src + 3);
      const __m128i any = _mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d));
      const __m128i high = _mm_and_si128(any, _mm_set1_epi32(static_cast<int>(0xFFFFFF80u)));
      if (_mm_movemask_epi8(_mm_cmpeq_epi8(high, _mm_setzero_si128())) != 0xFFFF) break;
      const __m128i ab = _mm_packs_epi32(a, b);
      const __m128i cd = _mm_packs_epi32(c, d);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o), _mm_packus_epi16(ab, cd));
      u += 16;
      o += 16;
    }
#endif
    const size_t stop = Min(units, u + 16);
    for (; u < stop; ++u) {
      uint32_t v;
      std::memcpy(&v, in + 4 * u, 4);
      char32_t cp = static_cast<char32_t>(v);
      if (cp > 0x7FFFFFFF) cp = cmn_kReplacementChar;
      const size_t olen = Utf8Len(cp);
      if (cap - o < olen) return {4 * u, o, false};
      PutUtf8(cp, olen, out + o);
      o += olen;
    }
  }
  return {4 * u, o, false};
}

// ----- encoders -----

namespace {

// Shared shape of the encoders to one-byte encodings: code points up to `limit` are written
// as themselves, others as "~".
inline cmn_CodecResultS EncodeSingleByte(const uint8_t* in, size_t n, uint8_t* out, size_t cap,
                                         char32_t limit) noexcept {
  size_t i = 0, o = 0;
  bool lossy = false;
  while (i < n) {
    if (in[i] < 0x80) {
      const size_t k = CopyAscii(in + i, n - i, out + o, cap - o);
      i += k;
      o += k;
      if (i >= n || in[i] < 0x80) break;
    }
    while (i < n && in[i] >= 0x80) {
      if (o >= cap) return {i, o, lossy};
      char32_t cp;
      const size_t len = ReadChar(in + i, n - i, &cp);
      if (len == 0) return {i, o, lossy};  // incomplete tail
      if (cp > limit) {
        cp = '~';
        lossy = true;
      }
      out[o++] = static_cast<uint8_t>(cp);
      i += len;
    }
  }
  return {i, o, lossy};
}

}  // namespace

cmn_CodecResultS cmn_EncodeAscii(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  return EncodeSingleByte(in, n, out, cap, 0x7F);
}

cmn_CodecResultS cmn_EncodeLatin1(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  return EncodeSingleByte(in, n, out, cap, 0xFF);
}

cmn_CodecResultS cmn_EncodeUtf8(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  return cmn_DecodeUtf8(in, n, out, cap);
}

cmn_CodecResultS cmn_EncodeUtf16(const uint8_t* in, size_t n, uint8_t* out, size_t cap,
                                 bool big_endian) noexcept {
  cap &= ~static_cast<size_t>(1);
  size_t i = 0, o = 0;
  bool lossy = false;
  while (i < n) {
#if QLM_CODEC_SSE2
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= n && cap - o >= 32) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      if (_mm_movemask_epi8(v) != 0) break;
      __m128i lo, hi;
      if (big_endian) {
        lo = _mm_unpacklo_epi8(zero, v);
        hi = _mm_unpackhi_epi8(zero, v);
      } else {
        lo = _mm_unpacklo_epi8(v, zero);
        hi = _mm_unpackhi_epi8(v, zero);
      }
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o), lo);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + o + 16), hi);
      i += 16;
      o += 32;
    }
#endif
    // One character at a time until the next block may start.
    const size_t stop = Min(n, i + 16);
    while (i < stop) {
      char32_t cp;
      const size_t len = ReadChar(in + i, n - i, &cp);
      if (len == 0) return {i, o, lossy};  // incomplete tail
      if (cp <= 0xFFFF) {
        if (cap - o < 2) return {i, o, lossy};
        StoreUnit16(static_cast<uint16_t>(cp), out + o, big_endian);
        o += 2;
      } else if (cp <= 0x10FFFF) {
        if (cap - o < 4) return {i, o, lossy};
        StoreUnit16(static_cast<uint16_t>(((cp - 0x10000) >> 10) + 0xD800), out + o, big_endian);
        StoreUnit16(static_cast<uint16_t>((cp & 0x3FF) + 0xDC00), out + o + 2, big_endian);
        o += 4;
      } else {
        if (cap - o < 2) return {i, o, lossy};
        StoreUnit16(static_cast<uint16_t>(cmn_kReplacementChar), out + o, big_endian);
        lossy = true;
        o += 2;
      }
      i += len;
    }
  }
  return {i, o, lossy};
}

cmn_CodecResultS cmn_EncodeWchar(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept {
  cap &= ~static_cast<size_t>(3);
  size_t i = 0, o = 0;
  while (i < n) {
#if QLM_CODEC_SSE2
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= n && cap - o >= 64) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
      if (_mm_movemask_epi8(v) != 0) break;
      // 7-bit code points: zero-extend each byte to a 4-byte unit (machine order is little
      // endian on every SSE2 target).
      const __m128i lo = _mm_unpacklo_epi8(v, zero);
      const __m128i hi = _mm_unpackhi_epi8(v, zero);
      __m128i* dst = reinterpret_cast<__m128i*>(out + o);
      _mm_storeu_si128(dst, _mm_unpacklo_epi16(lo, zero));
      _mm_storeu_si128(dst + 1, _mm_unpackhi_epi16(lo, zero));
      _mm_storeu_si128(dst + 2, _mm_unpacklo_epi16(hi, zero));
      _mm_storeu_si128(dst + 3, _mm_unpackhi_epi16(hi, zero));
      i += 16;
      o += 64;
    }
#endif
    const size_t stop = Min(n, i + 16);
    while (i < stop) {
      if (cap - o < 4) return {i, o, false};
      char32_t cp;
      const size_t len = ReadChar(in + i, n - i, &cp);
      if (len == 0) return {i, o, false};  // incomplete tail
      const uint32_t unit = cp;
      std::memcpy(out + o, &unit, 4);
      o += 4;
      i += len;
    }
  }
  return {i, o, false};
}
