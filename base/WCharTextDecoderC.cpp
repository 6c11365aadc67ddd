#include "base/WCharTextDecoderC.h"

static_assert(sizeof(wchar_t) == 4, "wide characters are 4-byte units on every target");

cmn_CodecResultS WCharTextDecoderC::Convert(uint32_t, const uint8_t* in, size_t n, uint8_t* out,
                                            size_t cap) const noexcept {
  return cmn_DecodeWchar(in, n, out, cap);
}

size_t WCharTextEncoderC::Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                                 size_t& in_used, bool&) noexcept {
  const cmn_CodecResultS r = cmn_EncodeWchar(in, in_size, out, out_size);
  in_used = r.in_used;
  return r.out_written;
}
