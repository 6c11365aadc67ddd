// Incremental text decoders (bytes of an encoding → UTF-8 text) and encoders (UTF-8 text →
// bytes of an encoding), as handed out by a TextEncodingI.
//
// Both work on caller-supplied buffers: a call takes an input buffer and an output buffer with
// their sizes, writes as many whole characters as fit, returns the bytes written and reports
// the input bytes it used. Input that was not used is to be presented again (at the front of
// the next call's input). Malformed input never stops a decoder: each bad sequence becomes
// U+FFFD. A decoder or encoder belongs to one caller at a time; it is not thread-safe.
#ifndef QLM_BASE_TEXTDECODERI_H_
#define QLM_BASE_TEXTDECODERI_H_

#include <cstddef>
#include <cstdint>

#include "cmn/cmn_TextCodec.h"

// Constructor argument of the decoder and encoder classes that have no settings.
struct TextCodecNoArgS {};

class TextDecoderI {
 public:
  virtual ~TextDecoderI() = default;

  // Decodes `in_size` bytes of `in` into at most `out_size` bytes of UTF-8 at `out` and
  // returns the bytes written. Stops before the first character whose UTF-8 form does not fit;
  // `in_used` receives the input bytes consumed, and the caller presents the rest again. A
  // character cut off by the end of `in` is taken into the decoder (counted as used) and
  // completed by the next call, so the result never depends on how the input was split.
  // `in` may be null when `in_size` is 0, `out` when `out_size` is 0. Never blocks.
  [[nodiscard]] virtual size_t Decode(const uint8_t* in, size_t in_size, uint8_t* out,
                                      size_t out_size, size_t& in_used) noexcept = 0;

  // End of input: writes U+FFFD for each incomplete character the decoder still holds and
  // returns the bytes written. When `out_size` is too small for all of them, writes what fits
  // and keeps the rest (HasUnusedBytes() stays true; call again with more room).
  [[nodiscard]] virtual size_t Flush(uint8_t* out, size_t out_size) noexcept = 0;

  // True when the decoder holds the bytes of an incomplete character from an earlier call.
  [[nodiscard]] virtual bool HasUnusedBytes() const noexcept = 0;

  // Returns the decoder to its state after construction: held bytes are dropped and a
  // decoder that looks at the start of the data (byte-order marks) looks again.
  virtual void Reset() noexcept = 0;

  // Output bytes that Decode(in, in_size, ...) would write, given room enough, in the
  // decoder's present state (held bytes included; an incomplete last character not counted).
  // Does not change the decoder.
  [[nodiscard]] virtual size_t GetOutputSize(const uint8_t* in, size_t in_size) const noexcept = 0;

  // Input bytes the next character takes in total, counting the bytes the decoder already
  // holds: the length announced by its first byte or unit. When too few bytes are present to
  // tell (in_size may be 0), the smallest size a character of the encoding can have.
  [[nodiscard]] virtual size_t GetNextCharSize(const uint8_t* in,
                                               size_t in_size) const noexcept = 0;
};

class TextEncoderI {
 public:
  virtual ~TextEncoderI() = default;

  // Encodes `in_size` bytes of UTF-8 text at `in` into at most `out_size` bytes at `out` and
  // returns the bytes written. Stops before the first character whose encoded form does not
  // fit; `in_used` receives the input bytes consumed. A character cut off by the end of `in`
  // is left unused (the caller presents it again with the rest of its bytes). Malformed UTF-8
  // is read as U+FFFD. Sets `lossy` when some character had no representation and was
  // replaced ("~" or U+FFFD); leaves it unchanged otherwise, so one flag can collect a whole
  // stream. Writes no byte-order mark (see TextEncodingI::GetByteOrderMark). Never blocks.
  [[nodiscard]] virtual size_t Encode(const uint8_t* in, size_t in_size, uint8_t* out,
                                      size_t out_size, size_t& in_used, bool& lossy) noexcept = 0;
};

// Holds the bytes of one incomplete character between two decoder calls. Never more than
// kCapacity bytes (the longest character of any encoding is 6 bytes of UTF-8).
class UnusedByteBufferC {
 public:
  static constexpr size_t kCapacity = 8;

  [[nodiscard]] size_t Size() const noexcept { return size_; }
  [[nodiscard]] bool IsEmpty() const noexcept { return size_ == 0; }
  [[nodiscard]] const uint8_t* Data() const noexcept { return bytes_; }
  void Clear() noexcept { size_ = 0; }
  // Appends `n` bytes; returns false (and changes nothing) when they would not fit.
  [[nodiscard]] bool Append(const uint8_t* p, size_t n) noexcept;
  // Drops the first `n` bytes (all of them when n >= Size()).
  void DropFront(size_t n) noexcept;

 private:
  uint8_t bytes_[kCapacity] = {};
  size_t size_ = 0;
};

// Base of the decoders whose characters take more than one byte (UTF-8, UTF-16, wide
// characters). A derived class supplies the stateless conversion (Convert) of the current
// settings; this class keeps the bytes of an incomplete last character in an
// UnusedByteBufferC and puts them in front of the next call's input.
class TextDecoderWithUnusedBytesC : public TextDecoderI {
 public:
  [[nodiscard]] size_t Decode(const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                              size_t& in_used) noexcept override;
  [[nodiscard]] size_t Flush(uint8_t* out, size_t out_size) noexcept override;
  [[nodiscard]] bool HasUnusedBytes() const noexcept override { return !state_.unused.IsEmpty(); }
  void Reset() noexcept override;
  [[nodiscard]] size_t GetOutputSize(const uint8_t* in, size_t in_size) const noexcept override;
  [[nodiscard]] size_t GetNextCharSize(const uint8_t* in, size_t in_size) const noexcept override;

 protected:
  // Everything a decoder carries from one call to the next: the held bytes and a word of
  // settings for the derived class (e.g. a byte order chosen from the data).
  struct StateS {
    UnusedByteBufferC unused;
    uint32_t mode = 0;
  };

  explicit TextDecoderWithUnusedBytesC(uint32_t initial_mode) noexcept
      : initial_mode_(initial_mode) {
    state_.mode = initial_mode;
  }

  // Converts complete characters in the given mode; a cut-off last character is left unused
  // (in_used == 0 for input that holds only the start of one character).
  [[nodiscard]] virtual cmn_CodecResultS Convert(uint32_t mode, const uint8_t* in, size_t n,
                                                 uint8_t* out, size_t cap) const noexcept = 0;
  // Held bytes that one U+FFFD replaces at the end of input, counted from the front of the
  // `n` held bytes (which the conversion left incomplete). Default: all of them.
  [[nodiscard]] virtual size_t IncompleteLength(uint32_t mode, const uint8_t* p,
                                                size_t n) const noexcept;
  // Total bytes of the character starting at p (n >= 1 bytes present), or the smallest
  // character size when that cannot be told from n bytes.
  [[nodiscard]] virtual size_t CharSize(uint32_t mode, const uint8_t* p,
                                        size_t n) const noexcept = 0;
  // Bytes at the start of a stream that are consumed before decoding begins (byte-order
  // marks); may change `state.mode`. Called only while the stream has not started, with the
  // held bytes followed by the input. Returns the bytes to skip, or kNeedMoreBytes when the
  // bytes present cannot decide yet. Default: nothing to skip.
  static constexpr size_t kNeedMoreBytes = ~static_cast<size_t>(0);
  [[nodiscard]] virtual size_t StartOfStream(StateS& state, const uint8_t* p,
                                             size_t n) const noexcept;

 private:
  // Mode bit that marks a stream whose start has been looked at.
  static constexpr uint32_t kStarted = 0x80000000u;

  size_t DecodeWith(StateS& state, const uint8_t* in, size_t in_size, uint8_t* out, size_t out_size,
                    size_t& in_used) const noexcept;
  // Detaches the derived class's view of the mode from the started flag.
  static uint32_t ModeOf(const StateS& state) noexcept { return state.mode & ~kStarted; }

  StateS state_;
  uint32_t initial_mode_;
};

#endif  // QLM_BASE_TEXTDECODERI_H_
