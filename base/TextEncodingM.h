// Text encodings: the factory of a matching decoder and encoder, with the encoding's
// byte-order mark and code-unit size. The process-wide encodings are reached through the
// TextEncoding...() accessors; each is made on first use under a one-time guard, is immutable
// afterwards (safe to share between threads) and lives until the process ends.
#ifndef QLM_BASE_TEXTENCODINGM_H_
#define QLM_BASE_TEXTENCODINGM_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/TextDecoderI.h"

class TextEncodingI {
 public:
  virtual ~TextEncodingI() = default;

  // A new decoder in its start state, owned by the caller. Out of memory terminates.
  [[nodiscard]] virtual std::unique_ptr<TextDecoderI> CreateDecoder() const noexcept = 0;
  // A new encoder, owned by the caller. Out of memory terminates.
  [[nodiscard]] virtual std::unique_ptr<TextEncoderI> CreateEncoder() const noexcept = 0;
  // The byte-order mark a writer puts before the text: sets `length` to its byte count and
  // returns its bytes (null with length 0 when the encoding has none). The bytes live as long
  // as the encoding.
  [[nodiscard]] virtual const uint8_t* GetByteOrderMark(size_t& length) const noexcept = 0;
  // Bytes per code unit (1, 2 or 4); encoders write whole units only.
  [[nodiscard]] virtual size_t GetUnitSize() const noexcept = 0;
};

// An encoding made of a decoder class and an encoder class. Each class names the type of its
// constructor argument as ArgT (TextCodecNoArgS when it takes none); the encoding keeps one
// argument for each and passes it to every decoder and encoder it creates.
template <class Decoder, class Encoder, size_t UnitSize, size_t MarkLength>
class TextEncodingM final : public TextEncodingI {
 public:
  using DecoderArgT = typename Decoder::ArgT;
  using EncoderArgT = typename Encoder::ArgT;

  explicit TextEncodingM(const std::array<uint8_t, MarkLength>& mark = {},
                         DecoderArgT decoder_arg = {}, EncoderArgT encoder_arg = {})
      : mark_(mark), decoder_arg_(decoder_arg), encoder_arg_(encoder_arg) {}

  [[nodiscard]] std::unique_ptr<TextDecoderI> CreateDecoder() const noexcept override {
    return std::make_unique<Decoder>(decoder_arg_);
  }
  [[nodiscard]] std::unique_ptr<TextEncoderI> CreateEncoder() const noexcept override {
    return std::make_unique<Encoder>(encoder_arg_);
  }
  [[nodiscard]] const uint8_t* GetByteOrderMark(size_t& length) const noexcept override {
    length = MarkLength;
    if constexpr (MarkLength == 0) {
      return nullptr;
    } else {
      return mark_.data();
    }
  }
  [[nodiscard]] size_t GetUnitSize() const noexcept override { return UnitSize; }

 private:
  std::array<uint8_t, MarkLength> mark_;
  DecoderArgT decoder_arg_;
  EncoderArgT encoder_arg_;
};

// The process-wide encodings.
const TextEncodingI& TextEncodingAscii() noexcept;
const TextEncodingI& TextEncodingLatin1() noexcept;
const TextEncodingI& TextEncodingUtf8() noexcept;
// UTF-8 whose writers put EF BB BF before the text.
const TextEncodingI& TextEncodingUtf8WithMark() noexcept;
const TextEncodingI& TextEncodingUtf16LE() noexcept;
const TextEncodingI& TextEncodingUtf16BE() noexcept;
// UTF-16 whose decoders take the byte order from the first unit (FE FF: big-endian, anything
// else: little-endian); its encoders and mark are little-endian.
const TextEncodingI& TextEncodingUtf16FromData() noexcept;
// The platform's 4-byte wide characters in machine order.
const TextEncodingI& TextEncodingWChar() noexcept;

#endif  // QLM_BASE_TEXTENCODINGM_H_
