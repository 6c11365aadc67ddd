// Conversion kernels: the UTF-8 reading rules, buffer limits, and agreement of the fast paths
// with a plain one-character-at-a-time model and (for valid text) with ICU.
#include "cmn/cmn_TextCodec.h"

#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

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

// ----- a plain model of the conversions, one character at a time -----

struct ModelCharS {
  size_t len;  // 0: cut off by the end of the input
  char32_t cp;
};

ModelCharS ModelRead(const Bytes& s, size_t i) {
  const uint8_t b = s[i];
  int ones = 0;
  while (ones < 8 && (b & (0x80 >> ones)) != 0) ++ones;
  if (ones == 0) return {1, b};
  if (ones == 1 || ones >= 7) return {1, 0xFFFD};
  char32_t cp = b & ((1u << (7 - ones)) - 1);
  for (int k = 1; k < ones; ++k) {
    if (i + k >= s.size()) return {0, 0};
    if ((s[i + k] & 0xC0) != 0x80) return {static_cast<size_t>(k), 0xFFFD};
    cp = (cp << 6) | (s[i + k] & 0x3F);
  }
  // An overlong form reads as one U+FFFD.
  const int shortest = cp < 0x80        ? 1
                       : cp < 0x800     ? 2
                       : cp < 0x10000   ? 3
                       : cp < 0x200000  ? 4
                       : cp < 0x4000000 ? 5
                                        : 6;
  if (shortest != ones) cp = 0xFFFD;
  return {static_cast<size_t>(ones), cp};
}

Bytes ModelUtf8(char32_t cp) {
  if (cp < 0x80) return B({static_cast<int>(cp)});
  int len = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : cp < 0x200000 ? 4 : cp < 0x4000000 ? 5 : 6;
  Bytes out(len);
  for (int k = len - 1; k > 0; --k) {
    out[k] = static_cast<uint8_t>(0x80 | (cp & 0x3F));
    cp >>= 6;
  }
  out[0] = static_cast<uint8_t>((0xFF00 >> len) | cp);
  return out;
}

void PutUnit(Bytes& out, uint32_t u, bool big) {
  if (big) {
    out.push_back(static_cast<uint8_t>(u >> 8));
    out.push_back(static_cast<uint8_t>(u));
  } else {
    out.push_back(static_cast<uint8_t>(u));
    out.push_back(static_cast<uint8_t>(u >> 8));
  }
}

enum class KernelE {
  kDecAscii,
  kDecLatin1,
  kDecUtf8,
  kDecUtf16LE,
  kDecUtf16BE,
  kDecWchar,
  kEncAscii,
  kEncLatin1,
  kEncUtf8,
  kEncUtf16LE,
  kEncUtf16BE,
  kEncWchar
};

cmn_CodecResultS RunKernel(KernelE k, const uint8_t* in, size_t n, uint8_t* out, size_t cap) {
  switch (k) {
    case KernelE::kDecAscii:
      return cmn_DecodeAscii(in, n, out, cap);
    case KernelE::kDecLatin1:
      return cmn_DecodeLatin1(in, n, out, cap);
    case KernelE::kDecUtf8:
      return cmn_DecodeUtf8(in, n, out, cap);
    case KernelE::kDecUtf16LE:
      return cmn_DecodeUtf16(in, n, out, cap, false);
    case KernelE::kDecUtf16BE:
      return cmn_DecodeUtf16(in, n, out, cap, true);
    case KernelE::kDecWchar:
      return cmn_DecodeWchar(in, n, out, cap);
    case KernelE::kEncAscii:
      return cmn_EncodeAscii(in, n, out, cap);
    case KernelE::kEncLatin1:
      return cmn_EncodeLatin1(in, n, out, cap);
    case KernelE::kEncUtf8:
      return cmn_EncodeUtf8(in, n, out, cap);
    case KernelE::kEncUtf16LE:
      return cmn_EncodeUtf16(in, n, out, cap, false);
    case KernelE::kEncUtf16BE:
      return cmn_EncodeUtf16(in, n, out, cap, true);
    case KernelE::kEncWchar:
      return cmn_EncodeWchar(in, n, out, cap);
  }
  return {};
}

// The model of one kernel: splits the input into characters (in_len bytes → out bytes).
struct ModelStepS {
  size_t in_len;  // 0: stop here (incomplete)
  Bytes out;
  bool lossy = false;
};

ModelStepS ModelStep(KernelE k, const Bytes& s, size_t i) {
  const bool big = k == KernelE::kDecUtf16BE || k == KernelE::kEncUtf16BE;
  switch (k) {
    case KernelE::kDecAscii:
      return {1, s[i] < 0x80 ? B({s[i]}) : ModelUtf8(0xFFFD)};
    case KernelE::kDecLatin1:
      return {1, ModelUtf8(s[i])};
    case KernelE::kDecUtf8:
    case KernelE::kEncUtf8: {
      const ModelCharS c = ModelRead(s, i);
      return {c.len, c.len ? ModelUtf8(c.cp) : Bytes{}};
    }
    case KernelE::kDecUtf16LE:
    case KernelE::kDecUtf16BE: {
      auto unit = [&](size_t j) -> uint32_t {
        return big ? (s[j] << 8 | s[j + 1]) : (s[j + 1] << 8 | s[j]);
      };
      if (i + 2 > s.size()) return {0, {}};
      const uint32_t u = unit(i);
      if (u < 0xD800 || u > 0xDFFF) return {2, ModelUtf8(u)};
      if (u >= 0xDC00) return {2, ModelUtf8(0xFFFD)};
      if (i + 4 > s.size()) return {0, {}};
      const uint32_t d = unit(i + 2);
      if (d < 0xDC00 || d > 0xDFFF) return {2, ModelUtf8(0xFFFD)};
      return {4, ModelUtf8((((u & 0x3FF) << 10) | (d & 0x3FF)) + 0x10000)};
    }
    case KernelE::kDecWchar: {
      if (i + 4 > s.size()) return {0, {}};
      uint32_t v;
      std::memcpy(&v, &s[i], 4);
      return {4, ModelUtf8(v > 0x7FFFFFFF ? 0xFFFD : v)};
    }
    case KernelE::kEncAscii:
    case KernelE::kEncLatin1: {
      const ModelCharS c = ModelRead(s, i);
      if (c.len == 0) return {0, {}};
      const char32_t limit = k == KernelE::kEncAscii ? 0x7F : 0xFF;
      if (c.cp > limit) return {c.len, B({'~'}), true};
      return {c.len, B({static_cast<int>(c.cp)})};
    }
    case KernelE::kEncUtf16LE:
    case KernelE::kEncUtf16BE: {
      const ModelCharS c = ModelRead(s, i);
      if (c.len == 0) return {0, {}};
      Bytes out;
      if (c.cp <= 0xFFFF) {
        PutUnit(out, c.cp, big);
      } else if (c.cp <= 0x10FFFF) {
        PutUnit(out, ((c.cp - 0x10000) >> 10) + 0xD800, big);
        PutUnit(out, (c.cp & 0x3FF) + 0xDC00, big);
      } else {
        PutUnit(out, 0xFFFD, big);
        return {c.len, out, true};
      }
      return {c.len, out};
    }
    case KernelE::kEncWchar: {
      const ModelCharS c = ModelRead(s, i);
      if (c.len == 0) return {0, {}};
      Bytes out(4);
      const uint32_t v = c.cp;
      std::memcpy(out.data(), &v, 4);
      return {c.len, out};
    }
  }
  return {0, {}};
}

struct RunS {
  size_t in_used = 0;
  Bytes out;
  bool lossy = false;
};

// The model's characters for the whole input (up to a cut-off tail); independent of the room.
std::vector<ModelStepS> ModelSteps(KernelE k, const Bytes& in) {
  std::vector<ModelStepS> steps;
  size_t pos = 0;
  while (pos < in.size()) {
    ModelStepS step = ModelStep(k, in, pos);
    if (step.in_len == 0) break;
    pos += step.in_len;
    steps.push_back(std::move(step));
  }
  return steps;
}

// What a kernel must do with `cap` bytes of room: the characters that fit, in order.
RunS ModelRun(KernelE k, const std::vector<ModelStepS>& steps, size_t cap) {
  if (k == KernelE::kEncUtf16LE || k == KernelE::kEncUtf16BE) cap &= ~size_t{1};
  if (k == KernelE::kEncWchar) cap &= ~size_t{3};
  RunS r;
  for (const ModelStepS& step : steps) {
    if (r.out.size() + step.out.size() > cap) break;
    r.out.insert(r.out.end(), step.out.begin(), step.out.end());
    r.in_used += step.in_len;
    r.lossy = r.lossy || step.lossy;
  }
  return r;
}

size_t ModelFullSize(const std::vector<ModelStepS>& steps) {
  size_t n = 0;
  for (const ModelStepS& step : steps) n += step.out.size();
  return n;
}

// Runs a kernel on an input buffer of exactly n bytes (so ASan sees any read past it) and an
// output buffer followed by guard bytes that must stay untouched.
RunS RunGuarded(KernelE k, const Bytes& in, size_t cap) {
  std::unique_ptr<uint8_t[]> src(new uint8_t[in.size() + 1]);
  if (!in.empty()) std::memcpy(src.get(), in.data(), in.size());
  constexpr size_t kGuard = 64;
  std::vector<uint8_t> dst(cap + kGuard, 0xA5);
  const cmn_CodecResultS r = RunKernel(k, src.get(), in.size(), dst.data(), cap);
  for (size_t i = cap; i < dst.size(); ++i) {
    if (dst[i] != 0xA5) {
      ADD_FAILURE() << "kernel " << static_cast<int>(k) << " wrote past cap " << cap;
      break;
    }
  }
  EXPECT_LE(r.out_written, cap);
  EXPECT_LE(r.in_used, in.size());
  RunS out;
  out.in_used = r.in_used;
  out.out.assign(dst.begin(), dst.begin() + static_cast<ptrdiff_t>(r.out_written));
  out.lossy = r.lossy;
  return out;
}

// ----- the reading rules -----

struct ReadCaseS {
  const char* name;
  Bytes in;
  size_t used;
  char32_t cp;
};

TEST(TextCodecReadUtf8, FollowsTheLenientRules) {
  const ReadCaseS cases[] = {
      {"ascii", B({0x41}), 1, 0x41},
      {"two bytes", B({0xC3, 0xA9}), 2, 0xE9},
      {"three bytes", B({0xE2, 0x82, 0xAC}), 3, 0x20AC},
      {"four bytes", B({0xF0, 0x9F, 0x98, 0x80}), 4, 0x1F600},
      {"five bytes", B({0xF8, 0x88, 0x80, 0x80, 0x80}), 5, 0x200000},
      {"six bytes", B({0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}), 6, 0x4000000},
      {"largest six bytes", B({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}), 6, 0x7FFFFFFF},
      {"overlong NUL replaced", B({0xC0, 0x80}), 2, 0xFFFD},
      {"overlong slash replaced", B({0xC0, 0xAF}), 2, 0xFFFD},
      {"three-byte overlong slash replaced", B({0xE0, 0x80, 0xAF}), 3, 0xFFFD},
      {"four-byte overlong replaced", B({0xF0, 0x8F, 0xBF, 0xBF}), 4, 0xFFFD},
      {"six-byte overlong replaced", B({0xFC, 0x80, 0x80, 0x80, 0x81, 0x81}), 6, 0xFFFD},
      {"shortest C2 80 kept", B({0xC2, 0x80}), 2, 0x80},
      {"encoded surrogate accepted", B({0xED, 0xA0, 0x80}), 3, 0xD800},
      {"stray continuation", B({0x80, 0x80}), 1, 0xFFFD},
      {"FE", B({0xFE, 0x80}), 1, 0xFFFD},
      {"FF", B({0xFF}), 1, 0xFFFD},
      {"two-byte lead then ASCII skips the lead only", B({0xC3, 0x28}), 1, 0xFFFD},
      {"missing third byte skips lead and second", B({0xE2, 0x82, 0x41}), 2, 0xFFFD},
      {"missing sixth byte", B({0xFC, 0x80, 0x80, 0x80, 0x80, 0x41}), 5, 0xFFFD},
      {"cut off after the lead", B({0xE2}), 0, 0},
      {"cut off after a continuation", B({0xF0, 0x9F, 0x98}), 0, 0},
      {"cut off six-byte form", B({0xFC, 0x80, 0x80, 0x80, 0x80}), 0, 0},
      // Cut off, but already bad: decided now, whatever follows.
      {"cut off and bad", B({0xE2, 0x41}), 1, 0xFFFD},
      {"cut off and bad later", B({0xF0, 0x9F, 0x41}), 2, 0xFFFD},
  };
  for (const ReadCaseS& c : cases) {
    std::unique_ptr<uint8_t[]> p(new uint8_t[c.in.size()]);
    std::memcpy(p.get(), c.in.data(), c.in.size());
    char32_t cp = 0x12345;
    EXPECT_EQ(cmn_ReadUtf8(p.get(), c.in.size(), &cp), c.used) << c.name;
    if (c.used != 0) {
      EXPECT_EQ(cp, c.cp) << c.name;
    }
  }
}

TEST(TextCodecWriteUtf8, LengthsAtEveryBoundary) {
  const struct {
    char32_t cp;
    size_t len;
  } cases[] = {{0, 1},         {0x7F, 1},       {0x80, 2},       {0x7FF, 2},     {0x800, 3},
               {0xFFFF, 3},    {0x10000, 4},    {0x1FFFFF, 4},   {0x200000, 5},  {0x3FFFFFF, 5},
               {0x4000000, 6}, {0x7FFFFFFF, 6}, {0x80000000, 0}, {0xFFFFFFFF, 0}};
  for (const auto& c : cases) {
    uint8_t buf[6] = {};
    EXPECT_EQ(cmn_Utf8Length(c.cp), c.len) << std::hex << static_cast<uint32_t>(c.cp);
    ASSERT_EQ(cmn_WriteUtf8(c.cp, buf), c.len) << std::hex << static_cast<uint32_t>(c.cp);
    if (c.len == 0) continue;
    char32_t back = 0;
    EXPECT_EQ(cmn_ReadUtf8(buf, c.len, &back), c.len);
    EXPECT_EQ(back, c.cp);
  }
}

TEST(TextCodecWellFormed, TrueExactlyWhenDecodingChangesNothing) {
  const struct {
    Bytes in;
    bool well_formed;
  } cases[] = {
      {Bytes{}, true},
      {S("plain text that is longer than one block of sixteen bytes"), true},
      {B({0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}), true},
      {B({0xEF, 0xBF, 0xBD}), true},
      {B({0xED, 0xA0, 0x80}), true},
      {B({0xF4, 0x90, 0x80, 0x80}), true},
      {B({0xF8, 0x88, 0x80, 0x80, 0x80}), true},
      {B({0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}), true},
      {B({0xC0, 0x80}), false},
      {B({0xE0, 0x80, 0xAF}), false},
      {B({0xF8, 0x80, 0x80, 0x80, 0x80}), false},
      {B({0xFC, 0x80, 0x80, 0x80, 0x80, 0x81}), false},
      {B({0x41, 0xE2, 0x82}), false},
      {B({0x80}), false},
      {B({0xFE}), false},
      {B({0xC3, 0x28}), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cmn_IsWellFormedUtf8(c.in.data(), c.in.size()), c.well_formed);
    Bytes out(c.in.size() * 3 + 8);
    const cmn_CodecResultS r = cmn_DecodeUtf8(c.in.data(), c.in.size(), out.data(), out.size());
    const bool unchanged = r.in_used == c.in.size() && r.out_written == c.in.size() &&
                           std::equal(c.in.begin(), c.in.end(), out.begin());
    EXPECT_EQ(unchanged, c.well_formed);
  }
}

TEST(TextCodecCount, CountsLeadBytes) {
  const Bytes text =
      S("Gr\xC3\xBC\xC3\x9F"
        "e aus \xE6\x97\xA5\xE6\x9C\xAC and \xF0\x9F\x98\x80 ok, plus a tail of ASCII");
  EXPECT_EQ(cmn_CountUtf8Chars(text.data(), text.size()), 43u);
  EXPECT_EQ(cmn_CountUtf8Chars(nullptr, 0), 0u);
}

// ----- the kernels against the model -----

constexpr KernelE kAllKernels[] = {KernelE::kDecAscii,   KernelE::kDecLatin1,  KernelE::kDecUtf8,
                                   KernelE::kDecUtf16LE, KernelE::kDecUtf16BE, KernelE::kDecWchar,
                                   KernelE::kEncAscii,   KernelE::kEncLatin1,  KernelE::kEncUtf8,
                                   KernelE::kEncUtf16LE, KernelE::kEncUtf16BE, KernelE::kEncWchar};

// Random text mixing long ASCII runs (fast paths), valid sequences of every length, and
// malformed bytes, so that blocks start and end at every kind of character.
Bytes RandomText(std::mt19937& rng, size_t max_len) {
  std::uniform_int_distribution<int> kind(0, 12);
  std::uniform_int_distribution<int> byte(0, 255);
  Bytes s;
  const size_t len = std::uniform_int_distribution<size_t>(0, max_len)(rng);
  while (s.size() < len) {
    switch (kind(rng)) {
      case 0:
      case 1:
      case 2: {
        const int run = std::uniform_int_distribution<int>(1, 40)(rng);
        for (int i = 0; i < run; ++i) s.push_back(static_cast<uint8_t>(0x20 + byte(rng) % 0x5F));
        break;
      }
      case 3:
        s.push_back(static_cast<uint8_t>(byte(rng)));
        break;
      case 4:
        s.push_back(0);
        break;
      case 5: {  // any lead byte with up to 6 continuation bytes: overlong, bad and cut-off forms
        s.push_back(static_cast<uint8_t>(0xC0 + byte(rng) % 0x40));
        const int conts = byte(rng) % 7;
        for (int i = 0; i < conts; ++i) s.push_back(static_cast<uint8_t>(0x80 + byte(rng) % 0x40));
        break;
      }
      default: {
        static const char32_t kStarts[] = {0x80,     0x800,    0xD800,    0xE000, 0x10000, 0x10FFFF,
                                           0x110000, 0x200000, 0x4000000, 0xFFFD, 0xE9};
        char32_t cp = kStarts[byte(rng) % 11] + static_cast<char32_t>(byte(rng) % 64);
        if (cp > 0x7FFFFFFF) cp = 0x7FFFFFFF;
        Bytes b = ModelUtf8(cp);
        s.insert(s.end(), b.begin(), b.end());
      }
    }
  }
  return s;
}

TEST(TextCodecKernels, AgreeWithTheModelForEveryRoomOnShortText) {
  std::mt19937 rng(5);
  for (int iter = 0; iter < 250; ++iter) {
    const Bytes in = RandomText(rng, 24);
    for (KernelE k : kAllKernels) {
      const std::vector<ModelStepS> steps = ModelSteps(k, in);
      const size_t full = ModelFullSize(steps);
      for (size_t cap = 0; cap <= full + 8; ++cap) {
        const RunS want = ModelRun(k, steps, cap);
        const RunS got = RunGuarded(k, in, cap);
        ASSERT_EQ(got.in_used, want.in_used) << "kernel " << static_cast<int>(k) << " cap " << cap;
        ASSERT_EQ(got.out, want.out) << "kernel " << static_cast<int>(k) << " cap " << cap;
      }
    }
  }
}

TEST(TextCodecKernels, AgreeWithTheModelForAnyInputAndRoom) {
  std::mt19937 rng(20240611);
  for (int iter = 0; iter < 600; ++iter) {
    const Bytes in = RandomText(rng, iter < 400 ? 80 : 700);
    for (KernelE k : kAllKernels) {
      const std::vector<ModelStepS> steps = ModelSteps(k, in);
      const size_t full = ModelFullSize(steps);
      const size_t caps[] = {
          0,    1,        full ? full - 1 : 0,
          full, full + 7, std::uniform_int_distribution<size_t>(0, full + 1)(rng)};
      for (size_t cap : caps) {
        const RunS want = ModelRun(k, steps, cap);
        const RunS got = RunGuarded(k, in, cap);
        ASSERT_EQ(got.in_used, want.in_used) << "kernel " << static_cast<int>(k) << " cap " << cap;
        ASSERT_EQ(got.out, want.out) << "kernel " << static_cast<int>(k) << " cap " << cap;
        ASSERT_EQ(got.lossy, want.lossy) << "kernel " << static_cast<int>(k) << " cap " << cap;
      }
    }
  }
}

TEST(TextCodecKernels, DecodersOfRandomUnitsAgreeWithTheModel) {
  // Mostly 7-bit units (block paths) with surrogates of both kinds, larger units and odd ends.
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pick(0, 9);
  for (int iter = 0; iter < 500; ++iter) {
    std::vector<uint32_t> values;
    const int count = std::uniform_int_distribution<int>(0, iter < 400 ? 20 : 120)(rng);
    for (int u = 0; u < count; ++u) {
      const int p = pick(rng);
      if (p < 5) {
        const uint32_t run = 1 + rng() % (p == 0 ? 40 : 4);
        for (uint32_t r = 0; r < run; ++r) values.push_back(0x20 + rng() % 0x5F);
        continue;
      }
      values.push_back(p < 8   ? 0xD800 + rng() % 0x800
                       : p < 9 ? rng() % 0x10000
                               : static_cast<uint32_t>(rng()));
    }
    for (KernelE k : {KernelE::kDecUtf16LE, KernelE::kDecUtf16BE, KernelE::kDecWchar}) {
      Bytes in;
      for (uint32_t v : values) {
        if (k == KernelE::kDecWchar) {
          for (int b = 0; b < 4; ++b) in.push_back(static_cast<uint8_t>(v >> (8 * b)));
        } else {
          PutUnit(in, v & 0xFFFF, k == KernelE::kDecUtf16BE);
        }
      }
      if (pick(rng) < 3 && !in.empty()) in.pop_back();
      const std::vector<ModelStepS> steps = ModelSteps(k, in);
      const size_t full = ModelFullSize(steps);
      // Every room for short input, some for long.
      const size_t step = full < 100 ? 1 : full / 23;
      for (size_t cap = 0; cap <= full + 8; cap += step) {
        const RunS want = ModelRun(k, steps, cap);
        const RunS got = RunGuarded(k, in, cap);
        ASSERT_EQ(got.in_used, want.in_used) << "kernel " << static_cast<int>(k) << " cap " << cap;
        ASSERT_EQ(got.out, want.out) << "kernel " << static_cast<int>(k) << " cap " << cap;
      }
    }
  }
}

// ----- UTF-16 of valid text against ICU -----

TEST(TextCodecUtf16, ValidTextMatchesIcuBothWays) {
  std::mt19937 rng(99);
  for (int iter = 0; iter < 500; ++iter) {
    std::u32string cps;
    const int n = std::uniform_int_distribution<int>(0, 200)(rng);
    for (int i = 0; i < n; ++i) {
      char32_t cp;
      do {
        const int p = static_cast<int>(rng() % 4);
        cp = p == 0   ? rng() % 0x80
             : p == 1 ? rng() % 0x800
             : p == 2 ? rng() % 0x10000
                      : rng() % 0x110000;
      } while (cp >= 0xD800 && cp <= 0xDFFF);
      cps.push_back(cp);
    }
    Bytes utf8;
    for (char32_t cp : cps) {
      const Bytes b = ModelUtf8(cp);
      utf8.insert(utf8.end(), b.begin(), b.end());
    }
    std::vector<UChar> icu16(cps.size() * 2 + 1);
    int32_t len16 = 0;
    UErrorCode err = U_ZERO_ERROR;
    u_strFromUTF8(icu16.data(), static_cast<int32_t>(icu16.size()), &len16,
                  reinterpret_cast<const char*>(utf8.data()), static_cast<int32_t>(utf8.size()),
                  &err);
    ASSERT_TRUE(U_SUCCESS(err));

    Bytes ours(utf8.size() * 2 + 4);
    const cmn_CodecResultS enc =
        cmn_EncodeUtf16(utf8.data(), utf8.size(), ours.data(), ours.size(), false);
    ASSERT_EQ(enc.in_used, utf8.size());
    ASSERT_FALSE(enc.lossy);
    ASSERT_EQ(enc.out_written, static_cast<size_t>(len16) * 2);
    for (int32_t i = 0; i < len16; ++i) {
      ASSERT_EQ(ours[2 * i] | (ours[2 * i + 1] << 8), icu16[i]);
    }

    Bytes back(utf8.size() + 8);
    const cmn_CodecResultS dec =
        cmn_DecodeUtf16(ours.data(), enc.out_written, back.data(), back.size(), false);
    ASSERT_EQ(dec.in_used, enc.out_written);
    back.resize(dec.out_written);
    ASSERT_EQ(back, utf8);
  }
}

}  // namespace
