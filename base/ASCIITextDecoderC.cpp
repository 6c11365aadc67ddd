#include "base/ASCIITextDecoderC.h"

size_t ASCIITextDecoderC::Decode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                                 size_t& in_used) noexcept {
  const cmn_CodecResultS r = cmn_DecodeAscii(in, in_size, out, out_size);
  in_used = r.in_used;
  return r.out_written;
}

size_t ASCIITextDecoderC::GetOutputSize(const uint8_t* in, size_t in_size) const noexcept {
  size_t high = 0;
  for (size_t i = 0; i < in_size; ++i) high += in[i] >> 7;
  return in_size + 2 * high;
}

size_t ASCIITextEncoderC::Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                                 size_t& in_used, bool& lossy) noexcept {
  const cmn_CodecResultS r = cmn_EncodeAscii(in, in_size, out, out_size);
  in_used = r.in_used;
  if (r.lossy) lossy = true;
  return r.out_written;
}
