// Conversion kernels between UTF-8 and the byte encodings, shared by string bodies (which
// convert whole texts) and the incremental decoders and encoders of base/TextEncodingM.h.
//
// UTF-8 is read in the lenient 31-bit form of RFC 2279: the lead byte's count of leading 1
// bits gives the length (0 → 1 byte, 2..6 → that many); encoded surrogates are accepted, but an
// overlong form (a value written with more bytes than it needs, such as C0 AF for "/") reads as
// one U+FFFD for the whole sequence, so that no byte-level filter can be bypassed. A stray
// continuation byte, 0xFE or 0xFF gives U+FFFD and advances one byte. A sequence missing a
// continuation byte gives U+FFFD and skips the lead byte and the continuation bytes that follow it,
// never more than the announced length. A sequence cut off by the end of the input is left unread
// ("incomplete") as long as every byte present could still start it correctly; one whose present
// bytes already prove it bad is replaced at once, so the outcome never depends on where the input
// was split.
//
// Every kernel stops before a character whose output would not fit in `cap` bytes, and never
// reads past `n` or writes past `cap`.
#ifndef QLM_CMN_CMN_TEXTCODEC_H_
#define QLM_CMN_CMN_TEXTCODEC_H_

#include <cstddef>
#include <cstdint>

struct cmn_CodecResultS {
  size_t in_used = 0;      // input bytes consumed
  size_t out_written = 0;  // output bytes produced
  bool lossy = false;      // encoders: some character had no representation
};

inline constexpr char32_t cmn_kReplacementChar = 0xFFFD;

// Reads one UTF-8 sequence from `p` (n > 0 bytes available). Returns the bytes consumed (>= 1)
// and sets *cp (U+FFFD for bad sequences), or returns 0 when the sequence is incomplete.
[[nodiscard]] size_t cmn_ReadUtf8(const uint8_t* p, size_t n, char32_t* cp) noexcept;
// Bytes the UTF-8 form of `cp` takes (1..6), 0 for values above 0x7FFFFFFF.
[[nodiscard]] size_t cmn_Utf8Length(char32_t cp) noexcept;
// Writes the UTF-8 form of `cp` (room for 6 bytes needed); returns its length (0 = nothing).
size_t cmn_WriteUtf8(char32_t cp, uint8_t* out) noexcept;
// True when `n` bytes are well-formed in the sense above with no incomplete tail, i.e. the
// UTF-8 decoder would return them unchanged.
[[nodiscard]] bool cmn_IsWellFormedUtf8(const uint8_t* p, size_t n) noexcept;
// Number of characters in well-formed UTF-8 (counts lead bytes).
[[nodiscard]] size_t cmn_CountUtf8Chars(const uint8_t* p, size_t n) noexcept;

// Decoders: bytes of an encoding → UTF-8 text.
// ASCII: bytes >= 0x80 become U+FFFD. Uses all input that fits.
cmn_CodecResultS cmn_DecodeAscii(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept;
// ISO 8859-1: each byte is its own code point.
cmn_CodecResultS cmn_DecodeLatin1(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept;
// UTF-8 with replacement of bad sequences; an incomplete tail is left unused.
cmn_CodecResultS cmn_DecodeUtf8(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept;
// UTF-16 units in the given byte order; surrogate pairs combine, lone surrogates become
// U+FFFD. An odd last byte, or a high surrogate that is the last unit, is left unused.
cmn_CodecResultS cmn_DecodeUtf16(const uint8_t* in, size_t n, uint8_t* out, size_t cap,
                                 bool big_endian) noexcept;
// 4-byte units in machine order, each taken as the code point (values above 0x7FFFFFFF
// become U+FFFD). A partial last unit is left unused.
cmn_CodecResultS cmn_DecodeWchar(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept;

// Encoders: UTF-8 text → bytes of an encoding. Input is read as above; an incomplete tail is
// left unused.
// ASCII: code points above 0x7F become "~" and set lossy.
cmn_CodecResultS cmn_EncodeAscii(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept;
// ISO 8859-1: code points above 0xFF become "~" and set lossy.
cmn_CodecResultS cmn_EncodeLatin1(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept;
// UTF-8: read and written again (bad sequences become U+FFFD).
cmn_CodecResultS cmn_EncodeUtf8(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept;
// UTF-16 in the given byte order: up to 0xFFFF one unit (surrogate code points unchanged),
// up to 0x10FFFF a pair, above that U+FFFD and lossy. `cap` is rounded down to whole units.
cmn_CodecResultS cmn_EncodeUtf16(const uint8_t* in, size_t n, uint8_t* out, size_t cap,
                                 bool big_endian) noexcept;
// 4-byte units in machine order; never lossy. `cap` is rounded down to whole units.
cmn_CodecResultS cmn_EncodeWchar(const uint8_t* in, size_t n, uint8_t* out, size_t cap) noexcept;

#endif  // QLM_CMN_CMN_TEXTCODEC_H_
