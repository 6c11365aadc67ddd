#include "base/TextDecoderI.h"

#include <cstring>

namespace {

// Output room for any one character (6 bytes of UTF-8 at most), used to tell a character that
// is incomplete from one that did not fit.
constexpr size_t kOneCharRoom = 16;

inline size_t Min(size_t a, size_t b) noexcept {
  return a < b ? a : b;
}

}  // namespace

bool UnusedByteBufferC::Append(const uint8_t* p, size_t n) noexcept {
  if (n > kCapacity - size_) return false;
  if (n != 0) std::memcpy(bytes_ + size_, p, n);
  size_ += n;
  return true;
}

void UnusedByteBufferC::DropFront(size_t n) noexcept {
  if (n >= size_) {
    size_ = 0;
    return;
  }
  std::memmove(bytes_, bytes_ + n, size_ - n);
  size_ -= n;
}

size_t TextDecoderWithUnusedBytesC::IncompleteLength(uint32_t, const uint8_t*,
                                                     size_t n) const noexcept {
  return n;
}

size_t TextDecoderWithUnusedBytesC::StartOfStream(StateS&, const uint8_t*, size_t) const noexcept {
  return 0;
}

size_t TextDecoderWithUnusedBytesC::Decode(const uint8_t* in, size_t in_size, uint8_t* out,
                                           size_t out_size, size_t& in_used) noexcept {
  return DecodeWith(state_, in, in_size, out, out_size, in_used);
}

size_t TextDecoderWithUnusedBytesC::DecodeWith(StateS& state, const uint8_t* in, size_t in_size,
                                               uint8_t* out, size_t out_size,
                                               size_t& in_used) const noexcept {
  size_t pos = 0;
  size_t written = 0;
  in_used = 0;

  if ((state.mode & kStarted) == 0) {
    // The held bytes followed by the input, as far as a decision can need.
    uint8_t head[UnusedByteBufferC::kCapacity];
    const size_t held = state.unused.Size();
    const size_t take = Min(in_size, sizeof head - held);
    std::memcpy(head, state.unused.Data(), held);
    if (take != 0) std::memcpy(head + held, in, take);
    size_t skip = StartOfStream(state, head, held + take);
    if (skip == kNeedMoreBytes) {
      if (state.unused.Append(in, in_size)) {
        in_used = in_size;
        return 0;
      }
      skip = 0;  // more bytes than any start can need: nothing to skip
    }
    state.mode |= kStarted;
    const size_t from_held = Min(skip, held);
    state.unused.DropFront(from_held);
    pos = Min(skip - from_held, in_size);
  }

  const uint32_t mode = ModeOf(state);

  // Complete the held character with the first input bytes. The conversion may use only part
  // of the held bytes (a bad sequence), in which case the rest is tried again.
  while (!state.unused.IsEmpty()) {
    uint8_t joined[2 * UnusedByteBufferC::kCapacity];
    const size_t held = state.unused.Size();
    const size_t take = Min(in_size - pos, UnusedByteBufferC::kCapacity);
    std::memcpy(joined, state.unused.Data(), held);
    if (take != 0) std::memcpy(joined + held, in + pos, take);
    const cmn_CodecResultS r =
        Convert(mode, joined, held + take, out + written, out_size - written);
    if (r.in_used == 0) {
      uint8_t scratch[kOneCharRoom];
      if (Convert(mode, joined, held + take, scratch, sizeof scratch).in_used == 0 &&
          take == in_size - pos && state.unused.Append(in + pos, take)) {
        pos = in_size;  // still incomplete: everything is held
      }
      in_used = pos;  // otherwise the output is full
      return written;
    }
    written += r.out_written;
    if (r.in_used >= held) {
      pos += r.in_used - held;
      state.unused.Clear();
    } else {
      state.unused.DropFront(r.in_used);
    }
  }

  const cmn_CodecResultS r =
      Convert(mode, in + pos, in_size - pos, out + written, out_size - written);
  written += r.out_written;
  pos += r.in_used;
  const size_t rest = in_size - pos;
  if (rest != 0 && rest < UnusedByteBufferC::kCapacity) {
    uint8_t scratch[kOneCharRoom];
    if (Convert(mode, in + pos, rest, scratch, sizeof scratch).in_used == 0 &&
        state.unused.Append(in + pos, rest)) {
      pos = in_size;  // an incomplete last character, kept for the next call
    }
  }
  in_used = pos;
  return written;
}

size_t TextDecoderWithUnusedBytesC::Flush(uint8_t* out, size_t out_size) noexcept {
  static constexpr uint8_t kReplacement[3] = {0xEF, 0xBF, 0xBD};
  const uint32_t mode = ModeOf(state_);
  size_t written = 0;
  while (!state_.unused.IsEmpty()) {
    const uint8_t* held = state_.unused.Data();
    const size_t n = state_.unused.Size();
    const cmn_CodecResultS r = Convert(mode, held, n, out + written, out_size - written);
    if (r.in_used != 0) {
      written += r.out_written;
      state_.unused.DropFront(r.in_used);
      continue;
    }
    uint8_t scratch[kOneCharRoom];
    if (Convert(mode, held, n, scratch, sizeof scratch).in_used != 0) break;  // output full
    if (out_size - written < sizeof kReplacement) break;
    std::memcpy(out + written, kReplacement, sizeof kReplacement);
    written += sizeof kReplacement;
    const size_t len = IncompleteLength(mode, held, n);
    state_.unused.DropFront(len == 0 ? 1 : len);
  }
  return written;
}

void TextDecoderWithUnusedBytesC::Reset() noexcept {
  state_ = StateS{};
  state_.mode = initial_mode_;
}

size_t TextDecoderWithUnusedBytesC::GetOutputSize(const uint8_t* in,
                                                  size_t in_size) const noexcept {
  StateS state = state_;
  uint8_t scratch[1024];
  size_t total = 0;
  size_t pos = 0;
  while (pos < in_size) {
    size_t used = 0;
    const size_t w = DecodeWith(state, in + pos, in_size - pos, scratch, sizeof scratch, used);
    total += w;
    pos += used;
    if (used == 0 && w == 0) break;  // cannot happen with room for any character
  }
  return total;
}

size_t TextDecoderWithUnusedBytesC::GetNextCharSize(const uint8_t* in,
                                                    size_t in_size) const noexcept {
  StateS state = state_;
  uint8_t head[2 * UnusedByteBufferC::kCapacity];
  const size_t held = state.unused.Size();
  const size_t take = Min(in_size, UnusedByteBufferC::kCapacity);
  std::memcpy(head, state.unused.Data(), held);
  if (take != 0) std::memcpy(head + held, in, take);
  size_t n = held + take;
  size_t skip = 0;
  if ((state.mode & kStarted) == 0) {
    skip = StartOfStream(state, head, Min(n, UnusedByteBufferC::kCapacity));
    if (skip == kNeedMoreBytes) skip = 0;
    skip = Min(skip, n);
  }
  return skip + CharSize(ModeOf(state), head + skip, n - skip);
}
