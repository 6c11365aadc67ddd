// The process-wide text encodings with their incremental decoders and encoders: worked
// examples, split independence, small output buffers, byte-order marks and end of input.
#include "base/TextEncodingM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/UTF16TextDecoderC.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(std::initializer_list<int> v) {
  Bytes b;
  for (int x : v) b.push_back(static_cast<uint8_t>(x));
  return b;
}

Bytes S(const char* s) {
  return Bytes(s, s + std::strlen(s));
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const Bytes kFFFD = B({0xEF, 0xBF, 0xBD});

std::string Hex(const Bytes& b) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (uint8_t x : b) {
    if (!s.empty()) s += ' ';
    s += kDigits[x >> 4];
    s += kDigits[x & 15];
  }
  return s;
}

// Room for any one character of output.
constexpr size_t kOneChar = 8;

// Feeds `in` to `dec` in pieces ending at the positions `cuts`, with `room` output bytes per
// call (a call that cannot make progress in that room is repeated with room for one
// character), and flushes at the end when `flush`. Returns all output.
Bytes Feed(TextDecoderI& dec, const Bytes& in, const std::vector<size_t>& cuts, size_t room,
           bool flush = true) {
  Bytes out;
  std::vector<uint8_t> buf(std::max(room, kOneChar));
  size_t start = 0;
  std::vector<size_t> ends = cuts;
  ends.push_back(in.size());
  for (size_t end : ends) {
    // An exact-size copy of the piece, so a read past it is caught by the address sanitizer.
    std::unique_ptr<uint8_t[]> piece(new uint8_t[end - start + 1]);
    if (end > start) std::memcpy(piece.get(), in.data() + start, end - start);
    size_t pos = 0;
    int stalls = 0;
    do {
      size_t used = 99999;
      size_t cap = stalls == 0 ? room : kOneChar;
      const size_t w = dec.Decode(piece.get() + pos, end - start - pos, buf.data(), cap, used);
      EXPECT_LE(w, cap);
      EXPECT_LE(used, end - start - pos);
      out.insert(out.end(), buf.begin(), buf.begin() + static_cast<ptrdiff_t>(w));
      pos += used;
      stalls = (w == 0 && used == 0) ? stalls + 1 : 0;
      if (stalls > 1) {
        ADD_FAILURE() << "decoder makes no progress";
        return out;
      }
    } while (pos < end - start);
    start = end;
  }
  if (flush) {
    int guard = 0;
    while (dec.HasUnusedBytes() && ++guard < 20) {
      size_t w = dec.Flush(buf.data(), room);
      if (w == 0) w = dec.Flush(buf.data(), kOneChar);
      out.insert(out.end(), buf.begin(), buf.begin() + static_cast<ptrdiff_t>(w));
    }
    EXPECT_FALSE(dec.HasUnusedBytes());
  }
  return out;
}

Bytes DecodeOnce(const TextEncodingI& enc, const Bytes& in, bool flush = true) {
  auto dec = enc.CreateDecoder();
  return Feed(*dec, in, {}, in.size() * 3 + 16, flush);
}

// ----- decoders: worked examples -----

struct DecodeCaseS {
  const char* name;
  const TextEncodingI& (*encoding)() noexcept;
  Bytes in;
  Bytes out;            // after the end of input
  Bytes held_out = {};  // the part of `out` that only the end of input produces
};

std::vector<DecodeCaseS> DecodeCases() {
  const Bytes euro = B({0xE2, 0x82, 0xAC});
  const Bytes grin = B({0xF0, 0x9F, 0x98, 0x80});
  return {
      // UTF-8
      {"utf8 C3 28", TextEncodingUtf8, B({0xC3, 0x28}), Cat({kFFFD, S("(")})},
      {"utf8 E2 82 at the end", TextEncodingUtf8, B({0x41, 0xE2, 0x82}), Cat({S("A"), kFFFD}),
       kFFFD},
      {"utf8 FE", TextEncodingUtf8, B({0xFE}), kFFFD},
      {"utf8 FF between letters", TextEncodingUtf8, B({0x61, 0xFF, 0x62}),
       Cat({S("a"), kFFFD, S("b")})},
      {"utf8 stray continuation bytes", TextEncodingUtf8, B({0x41, 0x80, 0xBF, 0x42}),
       Cat({S("A"), kFFFD, kFFFD, S("B")})},
      {"utf8 valid forms unchanged", TextEncodingUtf8, Cat({S("x"), euro, B({0xC3, 0xA9}), grin}),
       Cat({S("x"), euro, B({0xC3, 0xA9}), grin})},
      {"utf8 five-byte form", TextEncodingUtf8, B({0xF8, 0x88, 0x80, 0x80, 0x80}),
       B({0xF8, 0x88, 0x80, 0x80, 0x80})},
      {"utf8 six-byte form", TextEncodingUtf8, B({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}),
       B({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF})},
      // Overlong forms would smuggle "/" or NUL past byte-level filters: one U+FFFD each.
      {"utf8 overlong forms are replaced", TextEncodingUtf8,
       B({0xC0, 0x80, 0xE0, 0x80, 0xAF, 0xFC, 0x80, 0x80, 0x80, 0x81, 0x81}),
       Cat({kFFFD, kFFFD, kFFFD})},
      {"utf8 overlong slash between letters", TextEncodingUtf8, B({0x41, 0xC0, 0xAF, 0x42}),
       Cat({S("A"), kFFFD, S("B")})},
      {"utf8 overlong four-byte form", TextEncodingUtf8, B({0xF0, 0x80, 0x80, 0xAF}), kFFFD},
      {"utf8 encoded surrogate kept", TextEncodingUtf8, B({0xED, 0xA0, 0x80}),
       B({0xED, 0xA0, 0x80})},
      {"utf8 E2 28 A1", TextEncodingUtf8, B({0xE2, 0x28, 0xA1}), Cat({kFFFD, S("("), kFFFD})},
      {"utf8 four-byte form missing its last byte", TextEncodingUtf8, B({0xF0, 0x9F, 0x98, 0x41}),
       Cat({kFFFD, S("A")})},
      {"utf8 six-byte form missing its last byte", TextEncodingUtf8,
       B({0xFC, 0x80, 0x80, 0x80, 0x80, 0x41}), Cat({kFFFD, S("A")})},
      {"utf8 cut-off six-byte form at the end", TextEncodingUtf8, B({0xFC, 0x80, 0x80, 0x80, 0x80}),
       kFFFD, kFFFD},
      {"utf8 with mark decodes like utf8", TextEncodingUtf8WithMark, Cat({S("a"), euro}),
       Cat({S("a"), euro})},
      // UTF-16
      {"utf16 data FF FE 41 00", TextEncodingUtf16FromData, B({0xFF, 0xFE, 0x41, 0x00}), S("A")},
      {"utf16 data FE FF 00 41", TextEncodingUtf16FromData, B({0xFE, 0xFF, 0x00, 0x41}), S("A")},
      {"utf16 data without mark is little-endian", TextEncodingUtf16FromData,
       B({0x41, 0x00, 0xAC, 0x20}), Cat({S("A"), euro})},
      {"utf16 data big-endian kept for the stream", TextEncodingUtf16FromData,
       B({0xFE, 0xFF, 0x20, 0xAC, 0xD8, 0x3D, 0xDE, 0x00}), Cat({euro, grin})},
      {"utf16 only the first mark is skipped", TextEncodingUtf16FromData,
       B({0xFF, 0xFE, 0xFF, 0xFE}), B({0xEF, 0xBB, 0xBF})},
      {"utf16le 3D D8 00 DE", TextEncodingUtf16LE, B({0x3D, 0xD8, 0x00, 0xDE}), grin},
      {"utf16le lone 3D D8 then 41 00", TextEncodingUtf16LE, B({0x3D, 0xD8, 0x41, 0x00}),
       Cat({kFFFD, S("A")})},
      {"utf16le lone low surrogate", TextEncodingUtf16LE, B({0x00, 0xDC, 0x41, 0x00}),
       Cat({kFFFD, S("A")})},
      {"utf16le two high surrogates then a low one", TextEncodingUtf16LE,
       B({0x3D, 0xD8, 0x3D, 0xD8, 0x00, 0xDE}), Cat({kFFFD, grin})},
      {"utf16le mark skipped", TextEncodingUtf16LE, B({0xFF, 0xFE, 0x41, 0x00}), S("A")},
      {"utf16le other mark is a character", TextEncodingUtf16LE, B({0xFE, 0xFF}),
       B({0xEF, 0xBF, 0xBE})},
      {"utf16le high surrogate at the end", TextEncodingUtf16LE, B({0x41, 0x00, 0x3D, 0xD8}),
       Cat({S("A"), kFFFD}), kFFFD},
      {"utf16le high surrogate and odd byte at the end", TextEncodingUtf16LE, B({0x3D, 0xD8, 0x41}),
       Cat({kFFFD, kFFFD}), Cat({kFFFD, kFFFD})},
      {"utf16le odd byte at the end", TextEncodingUtf16LE, B({0x41, 0x00, 0x42}),
       Cat({S("A"), kFFFD}), kFFFD},
      {"utf16be pair and mark", TextEncodingUtf16BE, B({0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00}), grin},
      {"utf16be little-endian mark is a character", TextEncodingUtf16BE, B({0xFF, 0xFE}),
       B({0xEF, 0xBF, 0xBE})},
      {"utf16be two-byte and three-byte results", TextEncodingUtf16BE, B({0x00, 0xE9, 0x20, 0xAC}),
       Cat({B({0xC3, 0xA9}), euro})},
      // Wide characters (machine order; the tests run little-endian)
      {"wchar letter and pair-free emoji", TextEncodingWChar,
       B({0x41, 0, 0, 0, 0x00, 0xF6, 0x01, 0x00}), Cat({S("A"), grin})},
      {"wchar surrogate code point unchanged", TextEncodingWChar, B({0x00, 0xD8, 0, 0}),
       B({0xED, 0xA0, 0x80})},
      {"wchar largest 31-bit value", TextEncodingWChar, B({0xFF, 0xFF, 0xFF, 0x7F}),
       B({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF})},
      {"wchar beyond 31 bits", TextEncodingWChar, B({0x00, 0x00, 0x00, 0x80}), kFFFD},
      {"wchar partial unit at the end", TextEncodingWChar, B({0x41, 0, 0, 0, 0x42, 0}),
       Cat({S("A"), kFFFD}), kFFFD},
      // One-byte encodings
      {"ascii high byte", TextEncodingAscii, B({0x41, 0x80, 0xFF}), Cat({S("A"), kFFFD, kFFFD})},
      {"latin1 accented letters", TextEncodingLatin1, B({0x63, 0x61, 0x66, 0xE9, 0xFF}),
       Cat({S("caf"), B({0xC3, 0xA9, 0xC3, 0xBF})})},
  };
}

TEST(TextEncodingDecode, WorkedExamples) {
  for (const DecodeCaseS& c : DecodeCases()) {
    EXPECT_EQ(Hex(DecodeOnce(c.encoding(), c.in)), Hex(c.out)) << c.name;
    // Without the end of input, the held tail is still missing.
    const Bytes body(c.out.begin(), c.out.end() - static_cast<ptrdiff_t>(c.held_out.size()));
    EXPECT_EQ(Hex(DecodeOnce(c.encoding(), c.in, false)), Hex(body)) << c.name;
  }
}

TEST(TextEncodingDecode, EverySplitPointGivesTheOneShotResult) {
  for (const DecodeCaseS& c : DecodeCases()) {
    for (size_t cut = 0; cut <= c.in.size(); ++cut) {
      auto dec = c.encoding().CreateDecoder();
      EXPECT_EQ(Hex(Feed(*dec, c.in, {cut}, 64)), Hex(c.out)) << c.name << ", split at " << cut;
    }
    std::vector<size_t> every;
    for (size_t i = 1; i < c.in.size(); ++i) every.push_back(i);
    auto dec = c.encoding().CreateDecoder();
    EXPECT_EQ(Hex(Feed(*dec, c.in, every, 64)), Hex(c.out)) << c.name << ", byte by byte";
  }
}

TEST(TextEncodingDecode, EveryOutputRoomGivesTheSameResult) {
  for (const DecodeCaseS& c : DecodeCases()) {
    for (size_t room = 0; room <= c.out.size() + 1; ++room) {
      auto dec = c.encoding().CreateDecoder();
      EXPECT_EQ(Hex(Feed(*dec, c.in, {}, room)), Hex(c.out)) << c.name << ", room " << room;
    }
  }
}

TEST(TextEncodingDecode, OutputOneByteTooSmallStopsBeforeTheLastCharacter) {
  const struct {
    const TextEncodingI& (*encoding)() noexcept;
    Bytes in;
    size_t first_used;  // input taken by the first call
  } cases[] = {
      {TextEncodingUtf8, B({0x41, 0xE2, 0x82, 0xAC}), 1},
      {TextEncodingUtf8, B({0x41, 0xC3, 0x28}), 2},  // "A", U+FFFD fit; "(" does not
      {TextEncodingUtf16LE, B({0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE}), 2},
      {TextEncodingWChar, B({0x41, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}), 4},
      {TextEncodingAscii, B({0x41, 0x42, 0x80}), 2},
      {TextEncodingLatin1, B({0x41, 0xE9}), 1},
  };
  for (const auto& c : cases) {
    const Bytes whole = DecodeOnce(c.encoding(), c.in);
    auto dec = c.encoding().CreateDecoder();
    Bytes buf(whole.size() + 64, 0xA5);
    size_t used = 0;
    const size_t w = dec->Decode(c.in.data(), c.in.size(), buf.data(), whole.size() - 1, used);
    EXPECT_EQ(used, c.first_used) << Hex(c.in);
    EXPECT_LT(w, whole.size());
    EXPECT_TRUE(std::equal(buf.begin(), buf.begin() + static_cast<ptrdiff_t>(w), whole.begin()));
    EXPECT_EQ(buf[whole.size() - 1], 0xA5) << "wrote past the room given";
    size_t used2 = 0;
    const size_t w2 =
        dec->Decode(c.in.data() + used, c.in.size() - used, buf.data() + w, 64, used2);
    EXPECT_EQ(used + used2, c.in.size());
    EXPECT_EQ(Hex(Bytes(buf.begin(), buf.begin() + static_cast<ptrdiff_t>(w + w2))), Hex(whole));
  }
}

TEST(TextEncodingDecode, HeldCharacterWaitsForRoom) {
  auto dec = TextEncodingUtf8().CreateDecoder();
  uint8_t buf[8];
  size_t used = 0;
  const uint8_t head[] = {0xE2, 0x82};
  EXPECT_EQ(dec->Decode(head, 2, buf, sizeof buf, used), 0u);
  EXPECT_EQ(used, 2u);
  EXPECT_TRUE(dec->HasUnusedBytes());
  const uint8_t tail[] = {0xAC, 0x41};
  EXPECT_EQ(dec->Decode(tail, 2, buf, 2, used), 0u);  // the euro sign needs 3 bytes
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(dec->Decode(tail, 2, buf, 3, used), 3u);
  EXPECT_EQ(used, 1u);
  EXPECT_EQ(Hex(Bytes(buf, buf + 3)), "E2 82 AC");
  EXPECT_FALSE(dec->HasUnusedBytes());
}

TEST(TextEncodingDecode, FlushWaitsForRoomAndResetForgetsHeldBytes) {
  auto dec = TextEncodingUtf16LE().CreateDecoder();
  uint8_t buf[8];
  size_t used = 0;
  const uint8_t tail[] = {0x3D, 0xD8, 0x41};
  EXPECT_EQ(dec->Decode(tail, 3, buf, sizeof buf, used), 0u);
  EXPECT_EQ(used, 3u);
  EXPECT_EQ(dec->Flush(buf, 2), 0u);
  EXPECT_TRUE(dec->HasUnusedBytes());
  EXPECT_EQ(dec->Flush(buf, 5), 3u);  // the lone surrogate; the odd byte is still held
  EXPECT_TRUE(dec->HasUnusedBytes());
  EXPECT_EQ(dec->Flush(buf, 3), 3u);
  EXPECT_FALSE(dec->HasUnusedBytes());

  EXPECT_EQ(dec->Decode(tail, 3, buf, sizeof buf, used), 0u);
  dec->Reset();
  EXPECT_FALSE(dec->HasUnusedBytes());
  EXPECT_EQ(dec->Flush(buf, sizeof buf), 0u);
}

TEST(TextEncodingDecode, OrderFromTheDataBelongsToEachDecoderUntilReset) {
  const TextEncodingI& enc = TextEncodingUtf16FromData();
  auto big = enc.CreateDecoder();
  auto little = enc.CreateDecoder();
  EXPECT_EQ(Hex(Feed(*big, B({0xFE, 0xFF, 0x00, 0x41}), {1}, 16)), "41");
  EXPECT_EQ(Hex(Feed(*little, B({0x41, 0x00}), {}, 16)), "41");
  // A later FE FF is a character in the order already chosen: U+FEFF or U+FFFE.
  EXPECT_EQ(Hex(Feed(*big, B({0x00, 0x42, 0xFE, 0xFF}), {}, 16)), "42 EF BB BF");
  EXPECT_EQ(Hex(Feed(*little, B({0xFE, 0xFF}), {}, 16)), "EF BF BE");
  big->Reset();
  EXPECT_EQ(Hex(Feed(*big, B({0x43, 0x00}), {}, 16)), "43");
}

TEST(TextEncodingDecode, OutputSizeMatchesWhatDecodeWrites) {
  for (const DecodeCaseS& c : DecodeCases()) {
    for (size_t cut = 0; cut <= c.in.size(); ++cut) {
      auto dec = c.encoding().CreateDecoder();
      size_t used = 0;
      Bytes buf(c.in.size() * 3 + 16);
      const size_t predicted_first = dec->GetOutputSize(c.in.data(), cut);
      EXPECT_EQ(dec->Decode(c.in.data(), cut, buf.data(), buf.size(), used), predicted_first)
          << c.name << ", first " << cut;
      const size_t predicted_rest = dec->GetOutputSize(c.in.data() + cut, c.in.size() - cut);
      EXPECT_EQ(dec->Decode(c.in.data() + cut, c.in.size() - cut, buf.data(), buf.size(), used),
                predicted_rest)
          << c.name << ", after " << cut;
    }
  }
  // The one-byte encodings count without decoding.
  const Bytes high = B({0x41, 0x80, 0xFF});
  EXPECT_EQ(TextEncodingAscii().CreateDecoder()->GetOutputSize(high.data(), high.size()), 7u);
  EXPECT_EQ(TextEncodingLatin1().CreateDecoder()->GetOutputSize(high.data(), high.size()), 5u);
}

TEST(TextEncodingDecode, NextCharacterSize) {
  const struct {
    const TextEncodingI& (*encoding)() noexcept;
    Bytes held;  // fed to the decoder first
    Bytes next;
    size_t size;
  } cases[] = {
      {TextEncodingUtf8, {}, {}, 1},
      {TextEncodingUtf8, {}, B({0x41}), 1},
      {TextEncodingUtf8, {}, B({0x80}), 1},
      {TextEncodingUtf8, {}, B({0xC3}), 2},
      {TextEncodingUtf8, {}, B({0xE2, 0x82}), 3},
      {TextEncodingUtf8, {}, B({0xF0}), 4},
      {TextEncodingUtf8, {}, B({0xF8}), 5},
      {TextEncodingUtf8, {}, B({0xFC}), 6},
      {TextEncodingUtf8, {}, B({0xFF}), 1},
      {TextEncodingUtf8, B({0xE2, 0x82}), {}, 3},
      {TextEncodingUtf16LE, {}, {}, 2},
      {TextEncodingUtf16LE, {}, B({0x3D}), 2},
      {TextEncodingUtf16LE, {}, B({0x41, 0x00}), 2},
      {TextEncodingUtf16LE, {}, B({0x3D, 0xD8}), 4},
      {TextEncodingUtf16LE, B({0x41, 0x00, 0x3D, 0xD8}), {}, 4},
      {TextEncodingUtf16BE, {}, B({0xD8, 0x3D}), 4},
      {TextEncodingUtf16FromData, {}, B({0xFE, 0xFF, 0xD8, 0x3D}), 6},  // mark, then a pair
      {TextEncodingWChar, {}, B({0x41}), 4},
      {TextEncodingAscii, {}, B({0x80}), 1},
      {TextEncodingLatin1, {}, B({0xE9}), 1},
  };
  for (const auto& c : cases) {
    auto dec = c.encoding().CreateDecoder();
    uint8_t buf[16];
    size_t used = 0;
    (void)dec->Decode(c.held.data(), c.held.size(), buf, sizeof buf, used);
    EXPECT_EQ(dec->GetNextCharSize(c.next.data(), c.next.size()), c.size)
        << Hex(c.held) << " | " << Hex(c.next);
  }
}

// ----- encoders -----

struct EncodeCaseS {
  const char* name;
  const TextEncodingI& (*encoding)() noexcept;
  Bytes in;  // UTF-8
  Bytes out;
  bool lossy;
  size_t unused = 0;  // a cut-off last character is left for the caller
};

std::vector<EncodeCaseS> EncodeCases() {
  return {
      {"latin1 U+00E9 U+20AC", TextEncodingLatin1, B({0xC3, 0xA9, 0xE2, 0x82, 0xAC}),
       B({0xE9, 0x7E}), true},
      {"latin1 within range", TextEncodingLatin1, B({0x61, 0xC3, 0xBF}), B({0x61, 0xFF}), false},
      {"ascii U+00E9", TextEncodingAscii, B({0xC3, 0xA9}), B({0x7E}), true},
      {"ascii plain", TextEncodingAscii, S("plain ~ text"), S("plain ~ text"), false},
      {"ascii malformed input", TextEncodingAscii, B({0xC3, 0x28}), B({0x7E, 0x28}), true},
      {"ascii overlong letter", TextEncodingAscii, B({0xC1, 0x81}), B({0x7E}), true},
      {"utf8 rewrites malformed input", TextEncodingUtf8, B({0xC0, 0x80, 0xC3, 0x28}),
       Cat({kFFFD, kFFFD, S("(")}), false},
      {"utf8 with mark writes no mark", TextEncodingUtf8WithMark, S("a"), S("a"), false},
      {"utf16le pair", TextEncodingUtf16LE, B({0x41, 0xF0, 0x9F, 0x98, 0x80}),
       B({0x41, 0x00, 0x3D, 0xD8, 0x00, 0xDE}), false},
      {"utf16be pair", TextEncodingUtf16BE, B({0xF0, 0x9F, 0x98, 0x80}),
       B({0xD8, 0x3D, 0xDE, 0x00}), false},
      {"utf16 from data writes little-endian", TextEncodingUtf16FromData, B({0xE2, 0x82, 0xAC}),
       B({0xAC, 0x20}), false},
      {"utf16le surrogate code point unchanged", TextEncodingUtf16LE, B({0xED, 0xA0, 0x80}),
       B({0x00, 0xD8}), false},
      {"utf16le largest code point", TextEncodingUtf16LE, B({0xF4, 0x8F, 0xBF, 0xBF}),
       B({0xFF, 0xDB, 0xFF, 0xDF}), false},
      {"utf16le beyond U+10FFFF", TextEncodingUtf16LE, B({0xF4, 0x90, 0x80, 0x80}), B({0xFD, 0xFF}),
       true},
      {"utf16be six-byte form", TextEncodingUtf16BE, B({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}),
       B({0xFF, 0xFD}), true},
      {"wchar any value", TextEncodingWChar,
       B({0xF0, 0x9F, 0x98, 0x80, 0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}),
       B({0x00, 0xF6, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0x7F}), false},
      {"cut-off character left unused", TextEncodingUtf16LE, B({0x41, 0xE2, 0x82}), B({0x41, 0x00}),
       false, 2},
      {"cut-off character left unused by latin1", TextEncodingLatin1, B({0x41, 0xC3}), B({0x41}),
       false, 1},
  };
}

TEST(TextEncodingEncode, WorkedExamples) {
  for (const EncodeCaseS& c : EncodeCases()) {
    auto enc = c.encoding().CreateEncoder();
    std::unique_ptr<uint8_t[]> in(new uint8_t[c.in.size()]);
    std::memcpy(in.get(), c.in.data(), c.in.size());
    Bytes buf(c.in.size() * 4 + 8);
    size_t used = 0;
    bool lossy = false;
    const size_t w = enc->Encode(in.get(), c.in.size(), buf.data(), buf.size(), used, lossy);
    buf.resize(w);
    EXPECT_EQ(Hex(buf), Hex(c.out)) << c.name;
    EXPECT_EQ(lossy, c.lossy) << c.name;
    EXPECT_EQ(used, c.in.size() - c.unused) << c.name;
  }
}

TEST(TextEncodingEncode, SmallRoomStopsBeforeACharacterAndWritesWholeUnits) {
  for (const EncodeCaseS& c : EncodeCases()) {
    // Encoding in pieces of any room adds up to the one-shot result (rooms below one unit
    // excepted, where no character can be written).
    const size_t unit = c.encoding().GetUnitSize();
    for (size_t room = 2 * unit; room <= c.out.size() + 1; ++room) {
      auto enc = c.encoding().CreateEncoder();
      Bytes out;
      size_t pos = 0;
      bool lossy = false;
      const size_t end = c.in.size() - c.unused;
      while (pos < end) {
        Bytes buf(room + 8, 0xA5);
        size_t used = 0;
        const size_t w =
            enc->Encode(c.in.data() + pos, c.in.size() - pos, buf.data(), room, used, lossy);
        ASSERT_EQ(w % unit, 0u) << c.name;
        ASSERT_LE(w, room) << c.name;
        ASSERT_EQ(buf[room], 0xA5) << c.name << ": wrote past the room given";
        ASSERT_TRUE(used > 0 || w == 0) << c.name;
        if (used == 0) break;  // a character needing more than `room` bytes
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<ptrdiff_t>(w));
        pos += used;
      }
      if (pos < end) continue;
      EXPECT_EQ(Hex(out), Hex(c.out)) << c.name << ", room " << room;
      EXPECT_EQ(lossy, c.lossy) << c.name << ", room " << room;
    }
  }
}

TEST(TextEncodingEncode, LossyFlagCollectsAcrossCalls) {
  auto enc = TextEncodingAscii().CreateEncoder();
  uint8_t buf[8];
  size_t used = 0;
  bool lossy = false;
  const uint8_t e_acute[] = {0xC3, 0xA9};
  EXPECT_EQ(enc->Encode(e_acute, 2, buf, sizeof buf, used, lossy), 1u);
  EXPECT_TRUE(lossy);
  const uint8_t plain[] = {'o', 'k'};
  EXPECT_EQ(enc->Encode(plain, 2, buf, sizeof buf, used, lossy), 2u);
  EXPECT_TRUE(lossy);
}

// ----- round trips through every encoding -----

TEST(TextEncodingRoundTrip, TextThatEachEncodingCanHoldComesBack) {
  const Bytes ascii = S("Configuration value = 42; path=/opt/quillmarsh ~ done");
  const Bytes latin1 = Cat({ascii, S(" caf\xC3\xA9 \xC3\xBF \xC2\xA0")});
  const Bytes unicode = Cat({latin1, S(" \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80")});
  const struct {
    const TextEncodingI& (*encoding)() noexcept;
    const Bytes* text;
  } cases[] = {
      {TextEncodingAscii, &ascii},           {TextEncodingLatin1, &latin1},
      {TextEncodingUtf8, &unicode},          {TextEncodingUtf8WithMark, &unicode},
      {TextEncodingUtf16LE, &unicode},       {TextEncodingUtf16BE, &unicode},
      {TextEncodingUtf16FromData, &unicode}, {TextEncodingWChar, &unicode},
  };
  for (const auto& c : cases) {
    const TextEncodingI& enc = c.encoding();
    auto encoder = enc.CreateEncoder();
    // A writer puts the mark first; the UTF-16 decoders skip it.
    size_t mark_len = 0;
    const uint8_t* mark = enc.GetByteOrderMark(mark_len);
    Bytes bytes;
    if (enc.GetUnitSize() == 2) bytes.assign(mark, mark + mark_len);
    Bytes buf(c.text->size() * 4);
    size_t used = 0;
    bool lossy = false;
    const size_t w =
        encoder->Encode(c.text->data(), c.text->size(), buf.data(), buf.size(), used, lossy);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(used, c.text->size());
    bytes.insert(bytes.end(), buf.begin(), buf.begin() + static_cast<ptrdiff_t>(w));
    EXPECT_EQ(Hex(DecodeOnce(enc, bytes)), Hex(*c.text));
  }
}

// ----- the encoding objects -----

TEST(TextEncodingObjects, MarksAndUnitSizes) {
  const struct {
    const TextEncodingI& (*encoding)() noexcept;
    Bytes mark;
    size_t unit;
  } cases[] = {
      {TextEncodingAscii, {}, 1},
      {TextEncodingLatin1, {}, 1},
      {TextEncodingUtf8, {}, 1},
      {TextEncodingUtf8WithMark, B({0xEF, 0xBB, 0xBF}), 1},
      {TextEncodingUtf16LE, B({0xFF, 0xFE}), 2},
      {TextEncodingUtf16BE, B({0xFE, 0xFF}), 2},
      {TextEncodingUtf16FromData, B({0xFF, 0xFE}), 2},
      {TextEncodingWChar, {}, 4},
  };
  for (const auto& c : cases) {
    size_t len = 99;
    const uint8_t* mark = c.encoding().GetByteOrderMark(len);
    ASSERT_EQ(len, c.mark.size());
    EXPECT_EQ(mark == nullptr, c.mark.empty());
    if (len != 0) {
      EXPECT_EQ(Hex(Bytes(mark, mark + len)), Hex(c.mark));
    }
    EXPECT_EQ(c.encoding().GetUnitSize(), c.unit);
  }
}

TEST(TextEncodingObjects, EachIsMadeOnceForAllThreads) {
  const TextEncodingI& (*const accessors[])() noexcept = {
      TextEncodingAscii,   TextEncodingLatin1,  TextEncodingUtf8,          TextEncodingUtf8WithMark,
      TextEncodingUtf16LE, TextEncodingUtf16BE, TextEncodingUtf16FromData, TextEncodingWChar};
  std::vector<std::vector<const TextEncodingI*>> seen(4);
  std::vector<std::thread> threads;
  for (auto& s : seen) {
    threads.emplace_back([&s, &accessors] {
      for (auto* get : accessors) s.push_back(&get());
    });
  }
  for (auto& t : threads) t.join();
  for (const auto& s : seen) EXPECT_EQ(s, seen[0]);
  // Eight distinct objects; the three UTF-16 ones share a class but not their settings.
  std::vector<const TextEncodingI*> sorted = seen[0];
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::unique(sorted.begin(), sorted.end()), sorted.end());
}

}  // namespace
