// UTF-16 in either byte order. Units outside 0xD800-0xDFFF are code points; a high surrogate
// followed by a low one forms a pair; any other surrogate unit becomes U+FFFD. A byte-order
// mark that matches the decoder's order at the start of the data is skipped; the decoder
// whose order comes from the data takes big-endian when the first unit is FE FF and
// little-endian otherwise, and keeps that choice for the rest of the stream.
#ifndef QLM_BASE_UTF16TEXTDECODERC_H_
#define QLM_BASE_UTF16TEXTDECODERC_H_

#include "base/TextDecoderI.h"

enum class UTF16ByteOrderE : uint32_t {
  kLittleEndian = 0,
  kBigEndian = 1,
  kFromData = 2,  // decoders: chosen from the first unit; encoders: little-endian
};

class UTF16TextDecoderC final : public TextDecoderWithUnusedBytesC {
 public:
  using ArgT = UTF16ByteOrderE;
  explicit UTF16TextDecoderC(ArgT order) noexcept
      : TextDecoderWithUnusedBytesC(static_cast<uint32_t>(order)) {}

 protected:
  [[nodiscard]] cmn_CodecResultS Convert(uint32_t mode, const uint8_t* in, size_t n, uint8_t* out,
                                         size_t cap) const noexcept override;
  // A lone high surrogate and a lone odd byte each become one U+FFFD.
  [[nodiscard]] size_t IncompleteLength(uint32_t mode, const uint8_t* p,
                                        size_t n) const noexcept override;
  // 4 when the first unit is a high surrogate, else 2.
  [[nodiscard]] size_t CharSize(uint32_t mode, const uint8_t* p, size_t n) const noexcept override;
  [[nodiscard]] size_t StartOfStream(StateS& state, const uint8_t* p,
                                     size_t n) const noexcept override;
};

class UTF16TextEncoderC final : public TextEncoderI {
 public:
  using ArgT = UTF16ByteOrderE;
  explicit UTF16TextEncoderC(ArgT order) noexcept
      : big_endian_(order == UTF16ByteOrderE::kBigEndian) {}

  // Code points up to 0xFFFF become one unit (surrogate code points included, unchanged), up to
  // 0x10FFFF a surrogate pair; larger ones U+FFFD and lossy. Whole units only.
  [[nodiscard]] size_t Encode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                              size_t& in_used, bool& lossy) noexcept override;

 private:
  bool big_endian_;
};

#endif  // QLM_BASE_UTF16TEXTDECODERC_H_
