// ISO 8859-1: each byte is the code point of the same value. Encoding turns each code point
// above 0xFF into "~" and reports the loss.
#ifndef QLM_BASE_LATIN1TEXTDECODERC_H_
#define QLM_BASE_LATIN1TEXTDECODERC_H_

#include "base/TextDecoderI.h"

class Latin1TextDecoderC final : public TextDecoderI {
 public:
  using ArgT = TextCodecNoArgS;
  explicit Latin1TextDecoderC(ArgT = {}) noexcept {}

  [[nodiscard]] size_t Decode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                              size_t& in_used) noexcept override;
  // One-byte characters are never incomplete: nothing to flush.
  [[nodiscard]] size_t Flush(uint8_t*, size_t) noexcept override { return 0; }
  [[nodiscard]] bool HasUnusedBytes() const noexcept override { return false; }
  void Reset() noexcept override {}
  // 2 bytes for each byte >= 0x80, 1 for every other.
  [[nodiscard]] size_t GetOutputSize(const uint8_t* in, size_t in_size) const noexcept override;
  [[nodiscard]] size_t GetNextCharSize(const uint8_t*, size_t) const noexcept override { return 1; }
};

class Latin1TextEncoderC final : public TextEncoderI {
 public:
  using ArgT = TextCodecNoArgS;
  explicit Latin1TextEncoderC(ArgT = {}) noexcept {}

  [[nodiscard]] size_t Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                              size_t& in_used, bool& lossy) noexcept override;
};

#endif  // QLM_BASE_LATIN1TEXTDECODERC_H_
