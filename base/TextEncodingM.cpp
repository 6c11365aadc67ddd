// The process-wide encodings. Each is built in static storage on first use (the function-local
// static's one-time guard makes that thread-safe) and never destroyed, so encodings stay usable
// by code that runs during exit (log writers, static destructors).
#include "base/TextEncodingM.h"

#include <new>
#include <utility>

#include "base/ASCIITextDecoderC.h"
#include "base/Latin1TextDecoderC.h"
#include "base/UTF16TextDecoderC.h"
#include "base/UTF8TextDecoderC.h"
#include "base/WCharTextDecoderC.h"

namespace {

using AsciiEncodingT = TextEncodingM<ASCIITextDecoderC, ASCIITextEncoderC, 1, 0>;
using Latin1EncodingT = TextEncodingM<Latin1TextDecoderC, Latin1TextEncoderC, 1, 0>;
using Utf8EncodingT = TextEncodingM<UTF8TextDecoderC, UTF8TextEncoderC, 1, 0>;
using Utf8MarkEncodingT = TextEncodingM<UTF8TextDecoderC, UTF8TextEncoderC, 1, 3>;
using Utf16EncodingT = TextEncodingM<UTF16TextDecoderC, UTF16TextEncoderC, 2, 2>;
using WCharEncodingT = TextEncodingM<WCharTextDecoderC, WCharTextEncoderC, 4, 0>;

// Constructs a T in static storage that is never destroyed.
template <class T>
class ImmortalM {
 public:
  template <class... Args>
  explicit ImmortalM(Args&&... args) {
    ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
  }
  const T& Get() const noexcept { return *std::launder(reinterpret_cast<const T*>(storage_)); }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

}  // namespace

const TextEncodingI& TextEncodingAscii() noexcept {
  static const ImmortalM<AsciiEncodingT> s_Encoding;
  return s_Encoding.Get();
}

const TextEncodingI& TextEncodingLatin1() noexcept {
  static const ImmortalM<Latin1EncodingT> s_Encoding;
  return s_Encoding.Get();
}

const TextEncodingI& TextEncodingUtf8() noexcept {
  static const ImmortalM<Utf8EncodingT> s_Encoding;
  return s_Encoding.Get();
}

const TextEncodingI& TextEncodingUtf8WithMark() noexcept {
  static const ImmortalM<Utf8MarkEncodingT> s_Encoding(std::array<uint8_t, 3>{0xEF, 0xBB, 0xBF});
  return s_Encoding.Get();
}

const TextEncodingI& TextEncodingUtf16LE() noexcept {
  static const ImmortalM<Utf16EncodingT> s_Encoding(std::array<uint8_t, 2>{0xFF, 0xFE},
                                                    UTF16ByteOrderE::kLittleEndian,
                                                    UTF16ByteOrderE::kLittleEndian);
  return s_Encoding.Get();
}

const TextEncodingI& TextEncodingUtf16BE() noexcept {
  static const ImmortalM<Utf16EncodingT> s_Encoding(
      std::array<uint8_t, 2>{0xFE, 0xFF}, UTF16ByteOrderE::kBigEndian, UTF16ByteOrderE::kBigEndian);
  return s_Encoding.Get();
}

const TextEncodingI& TextEncodingUtf16FromData() noexcept {
  static const ImmortalM<Utf16EncodingT> s_Encoding(std::array<uint8_t, 2>{0xFF, 0xFE},
                                                    UTF16ByteOrderE::kFromData,
                                                    UTF16ByteOrderE::kLittleEndian);
  return s_Encoding.Get();
}

const TextEncodingI& TextEncodingWChar() noexcept {
  static const ImmortalM<WCharEncodingT> s_Encoding;
  return s_Encoding.Get();
}
