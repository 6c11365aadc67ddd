#include "base/UTF16TextDecoderC.h"

namespace {

constexpr uint32_t kBig = static_cast<uint32_t>(UTF16ByteOrderE::kBigEndian);
constexpr uint32_t kFromData = static_cast<uint32_t>(UTF16ByteOrderE::kFromData);

// Until the data has chosen, the from-data decoder reads little-endian (only reached when the
// stream ends before its first unit is complete).
inline bool IsBigEndian(uint32_t mode) noexcept {
  return mode == kBig;
}

}  // namespace

cmn_CodecResultS UTF16TextDecoderC::Convert(uint32_t mode, const uint8_t* in, size_t n,
                                            uint8_t* out, size_t cap) const noexcept {
  return cmn_DecodeUtf16(in, n, out, cap, IsBigEndian(mode));
}

size_t UTF16TextDecoderC::IncompleteLength(uint32_t, const uint8_t*, size_t n) const noexcept {
  return n < 2 ? n : 2;
}

size_t UTF16TextDecoderC::CharSize(uint32_t mode, const uint8_t* p, size_t n) const noexcept {
  if (n < 2) return 2;
  const unsigned unit = IsBigEndian(mode) ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]);
  return (unit >= 0xD800 && unit <= 0xDBFF) ? 4 : 2;
}

size_t UTF16TextDecoderC::StartOfStream(StateS& state, const uint8_t* p, size_t n) const noexcept {
  if (n < 2) return kNeedMoreBytes;
  const bool fe_ff = p[0] == 0xFE && p[1] == 0xFF;
  const bool ff_fe = p[0] == 0xFF && p[1] == 0xFE;
  if (state.mode == kFromData) state.mode = fe_ff ? kBig : 0;
  return (IsBigEndian(state.mode) ? fe_ff : ff_fe) ? 2 : 0;
}

size_t UTF16TextEncoderC::Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                                 size_t& in_used, bool& lossy) noexcept {
  const cmn_CodecResultS r = cmn_EncodeUtf16(in, in_size, out, out_size, big_endian_);
  in_used = r.in_used;
  if (r.lossy) lossy = true;
  return r.out_written;
}
