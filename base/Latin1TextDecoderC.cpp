#include "base/Latin1TextDecoderC.h"

size_t Latin1TextDecoderC::Decode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                                  size_t& in_used) noexcept {
  const cmn_CodecResultS r = cmn_DecodeLatin1(in, in_size, out, out_size);
  in_used = r.in_used;
  return r.out_written;
}

size_t Latin1TextDecoderC::GetOutputSize(const uint8_t* in, size_t in_size) const noexcept {
  size_t high = 0;
  for (size_t i = 0; i < in_size; ++i) high += in[i] >> 7;
  return in_size + high;
}

size_t Latin1TextEncoderC::Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                                  size_t& in_used, bool& lossy) noexcept {
  const cmn_CodecResultS r = cmn_EncodeLatin1(in, in_size, out, out_size);
  in_used = r.in_used;
  if (r.lossy) lossy = true;
  return r.out_written;
}
