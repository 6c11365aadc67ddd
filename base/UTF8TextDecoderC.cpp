#include "base/UTF8TextDecoderC.h"

#include <bit>

cmn_CodecResultS UTF8TextDecoderC::Convert(uint32_t, const uint8_t* in, size_t n, uint8_t* out,
                                           size_t cap) const noexcept {
  return cmn_DecodeUtf8(in, n, out, cap);
}

size_t UTF8TextDecoderC::CharSize(uint32_t, const uint8_t* p, size_t n) const noexcept {
  if (n == 0) return 1;
  const uint8_t b = p[0];
  if (b < 0xC0 || b >= 0xFE) return 1;  // ASCII, stray continuation byte, 0xFE, 0xFF
  return static_cast<size_t>(std::countl_one(b));
}

size_t UTF8TextEncoderC::Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                                size_t& in_used, bool&) noexcept {
  const cmn_CodecResultS r = cmn_EncodeUtf8(in, in_size, out, out_size);
  in_used = r.in_used;
  return r.out_written;
}
