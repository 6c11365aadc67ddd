// Shared driver of the text-codec fuzz targets: runs decoders and encoders once over a whole
// buffer and again in pieces with small output buffers, the piece lengths and buffer sizes
// taken from control bytes at the front of the fuzz input (so the fuzzer can steer them).
#ifndef QLM_FUZZ_TEXT_CODEC_FUZZ_UTIL_H_
#define QLM_FUZZ_TEXT_CODEC_FUZZ_UTIL_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "base/TextEncodingM.h"

namespace codec_fuzz {

using Bytes = std::vector<uint8_t>;

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "codec fuzz: %s\n", what);
  std::abort();
}

inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// Input layout: byte 0 gives the number of control bytes (1 + low 4 bits); the rest is text.
// Control byte i: low nibble = length of piece i (0..15), high nibble = output room (0..15).
class PlanC {
 public:
  PlanC(const uint8_t* data, size_t size) {
    const size_t want = size == 0 ? 0 : 1 + (data[0] & 15u);
    const size_t take = want < size ? want : size;
    control_.assign(data, data + take);
    text_.assign(data + take, data + size);
  }
  const Bytes& Text() const { return text_; }
  size_t PieceLength() { return Control() & 15u; }
  size_t Room() { return Control() >> 4; }

 private:
  uint8_t Control() {
    if (control_.empty()) return 0x55;
    return control_[next_++ % control_.size()];
  }
  Bytes control_;
  Bytes text_;
  size_t next_ = 0;
};

// Room for any one character.
constexpr size_t kOneChar = 8;

inline Bytes DecodeOneShot(const TextEncodingI& enc, const uint8_t* p, size_t n,
                           bool flush = true) {
  auto dec = enc.CreateDecoder();
  Bytes out(n * 3 + 16);
  size_t used = 0;
  size_t w = dec->Decode(p, n, out.data(), out.size(), used);
  Check(used == n, "one-shot decode left input unused");
  if (flush) {
    w += dec->Flush(out.data() + w, out.size() - w);
    Check(!dec->HasUnusedBytes(), "flush left bytes held");
  }
  out.resize(w);
  return out;
}

// Decodes in pieces chosen by the plan, each call with the plan's output room; a call that
// cannot make progress is repeated with room for one character.
inline Bytes DecodeSplit(const TextEncodingI& enc, const uint8_t* p, size_t n, PlanC& plan) {
  auto dec = enc.CreateDecoder();
  Bytes out;
  uint8_t buf[32];
  size_t pos = 0;
  bool last_empty = false;
  while (pos < n) {
    // Empty pieces are fed too, but never two in a row.
    size_t len = plan.PieceLength();
    if (len == 0 && last_empty) len = 16;
    last_empty = len == 0;
    if (len > n - pos) len = n - pos;
    // An exact-size copy, so that a read past the piece is seen by the address sanitizer.
    std::unique_ptr<uint8_t[]> piece(new uint8_t[len + 1]);
    std::memcpy(piece.get(), p + pos, len);
    size_t at = 0;
    int stalls = 0;
    do {
      const size_t room = stalls == 0 ? plan.Room() : kOneChar;
      size_t used = 0;
      const size_t w = dec->Decode(piece.get() + at, len - at, buf, room, used);
      Check(w <= room && used <= len - at, "decode overran its buffers");
      out.insert(out.end(), buf, buf + w);
      at += used;
      stalls = (w == 0 && used == 0) ? stalls + 1 : 0;
      Check(stalls < 2, "decode makes no progress");
    } while (at < len);
    pos += len;
  }
  int guard = 0;
  while (dec->HasUnusedBytes()) {
    Check(++guard < 64, "flush makes no progress");
    const size_t room = plan.Room();
    size_t w = dec->Flush(buf, room);
    if (w == 0) w = dec->Flush(buf, kOneChar);
    Check(w <= (room > kOneChar ? room : kOneChar), "flush overran its buffer");
    out.insert(out.end(), buf, buf + w);
  }
  return out;
}

struct EncodedS {
  Bytes bytes;
  size_t used = 0;
  bool lossy = false;
};

inline EncodedS EncodeOneShot(const TextEncodingI& enc, const uint8_t* p, size_t n) {
  auto encoder = enc.CreateEncoder();
  EncodedS r;
  r.bytes.resize(n * 4 + 16);
  const size_t w = encoder->Encode(p, n, r.bytes.data(), r.bytes.size(), r.used, r.lossy);
  r.bytes.resize(w);
  return r;
}

// Encodes with the plan's output rooms (at least one unit and room for one character when a
// call cannot make progress); input is presented again from where the last call stopped.
inline EncodedS EncodeSplit(const TextEncodingI& enc, const uint8_t* p, size_t n, PlanC& plan) {
  auto encoder = enc.CreateEncoder();
  EncodedS r;
  uint8_t buf[32];
  int stalls = 0;
  while (r.used < n) {
    const size_t room = stalls == 0 ? plan.Room() : kOneChar;
    size_t used = 0;
    const size_t w = encoder->Encode(p + r.used, n - r.used, buf, room, used, r.lossy);
    Check(w <= room && w % enc.GetUnitSize() == 0, "encode overran its buffer or split a unit");
    r.bytes.insert(r.bytes.end(), buf, buf + w);
    r.used += used;
    if (w == 0 && used == 0) {
      if (stalls > 0) break;  // only a cut-off last character is left
      ++stalls;
    } else {
      stalls = 0;
    }
  }
  return r;
}

// Decodes with both drivers and checks that they agree, that the output is well-formed UTF-8
// and that GetOutputSize predicted the one-shot output. Returns the output.
inline Bytes CheckDecoder(const TextEncodingI& enc, const Bytes& text, PlanC& plan) {
  const uint8_t* p = text.data();
  const size_t n = text.size();
  std::unique_ptr<uint8_t[]> exact(new uint8_t[n + 1]);
  if (n != 0) std::memcpy(exact.get(), p, n);
  const Bytes once = DecodeOneShot(enc, exact.get(), n);
  const Bytes split = DecodeSplit(enc, exact.get(), n, plan);
  Check(once == split, "split decoding differs from one-shot decoding");
  Check(cmn_IsWellFormedUtf8(once.data(), once.size()), "decoder wrote malformed UTF-8");
  const Bytes body = DecodeOneShot(enc, exact.get(), n, false);
  Check(enc.CreateDecoder()->GetOutputSize(exact.get(), n) == body.size(),
        "GetOutputSize differs from the decoded size");
  return once;
}

}  // namespace codec_fuzz

#endif  // QLM_FUZZ_TEXT_CODEC_FUZZ_UTIL_H_
