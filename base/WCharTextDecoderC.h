// The platform's wide characters: 4-byte units in machine order, each taken as the code point
// (values above 0x7FFFFFFF, which UTF-8 cannot carry, become U+FFFD). The decoder keeps a unit
// cut off by the end of one buffer for the next.
#ifndef QLM_BASE_WCHARTEXTDECODERC_H_
#define QLM_BASE_WCHARTEXTDECODERC_H_

#include "base/TextDecoderI.h"

class WCharTextDecoderC final : public TextDecoderWithUnusedBytesC {
 public:
  using ArgT = TextCodecNoArgS;
  explicit WCharTextDecoderC(ArgT = {}) noexcept : TextDecoderWithUnusedBytesC(0) {}

 protected:
  [[nodiscard]] cmn_CodecResultS Convert(uint32_t mode, const uint8_t* in, size_t n, uint8_t* out,
                                         size_t cap) const noexcept override;
  [[nodiscard]] size_t CharSize(uint32_t, const uint8_t*, size_t) const noexcept override {
    return 4;
  }
};

class WCharTextEncoderC final : public TextEncoderI {
 public:
  using ArgT = TextCodecNoArgS;
  explicit WCharTextEncoderC(ArgT = {}) noexcept {}

  // Each code point as one unit; never lossy. Whole units only.
  [[nodiscard]] size_t Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                              size_t& in_used, bool& lossy) noexcept override;
};

#endif  // QLM_BASE_WCHARTEXTDECODERC_H_
