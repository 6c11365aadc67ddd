// UTF-8, read in the lenient 31-bit form (see cmn/cmn_TextCodec.h) and written again in
// shortest form: malformed input, overlong forms included, comes out with U+FFFD in place of
// each bad sequence. The
// decoder keeps a sequence cut off by the end of one buffer for the next.
#ifndef QLM_BASE_UTF8TEXTDECODERC_H_
#define QLM_BASE_UTF8TEXTDECODERC_H_

#include "base/TextDecoderI.h"

class UTF8TextDecoderC final : public TextDecoderWithUnusedBytesC {
 public:
  using ArgT = TextCodecNoArgS;
  explicit UTF8TextDecoderC(ArgT = {}) noexcept : TextDecoderWithUnusedBytesC(0) {}

 protected:
  [[nodiscard]] cmn_CodecResultS Convert(uint32_t mode, const uint8_t* in, size_t n, uint8_t* out,
                                         size_t cap) const noexcept override;
  // The length announced by the lead byte (1 for a byte that cannot lead a sequence).
  [[nodiscard]] size_t CharSize(uint32_t mode, const uint8_t* p, size_t n) const noexcept override;
};

class UTF8TextEncoderC final : public TextEncoderI {
 public:
  using ArgT = TextCodecNoArgS;
  explicit UTF8TextEncoderC(ArgT = {}) noexcept {}

  [[nodiscard]] size_t Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                              size_t& in_used, bool& lossy) noexcept override;
};

#endif  // QLM_BASE_UTF8TEXTDECODERC_H_
