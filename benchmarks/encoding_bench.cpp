// Text decoders and encoders against glibc iconv on the same 64 KiB buffers: UTF-8 decoding
// with replacement, UTF-16LE and ISO 8859-1 in both directions, over pure ASCII, European text
// (mostly ASCII with accented letters), CJK text and European text with 1% malformed bytes.
//
// Our side runs through the public API (an encoding's decoder or encoder, one call per buffer
// plus the end-of-input flush). iconv gets one iconv() call per buffer; malformed input (and
// CJK text for ISO 8859-1) is handled the way an iconv user must: on EILSEQ write the
// replacement ("\uFFFD" in UTF-8 or UTF-16, "~" in ISO 8859-1), skip the bad bytes (one byte
// of UTF-8, one UTF-16 unit, or the whole unrepresentable UTF-8 character) and call again.
// ISO 8859-1 output uses "ISO-8859-1//TRANSLIT" so that unrepresentable characters need no
// restart. Throughput is input bytes per second.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/TextEncodingM.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr size_t kBufferSize = 64 * 1024;

void AppendUtf8(Bytes& out, char32_t cp) {
  uint8_t buf[6];
  const size_t n = cmn_WriteUtf8(cp, buf);
  out.insert(out.end(), buf, buf + n);
}

// Whole characters only, cut to at most kBufferSize bytes.
Bytes CutAtCharacter(Bytes text) {
  size_t end = kBufferSize;
  if (text.size() <= end) return text;
  while (end > 0 && (text[end] & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

Bytes FromWords(const std::vector<const char*>& words, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes text;
  while (text.size() < kBufferSize + 64) {
    const char* w = words[rng() % words.size()];
    text.insert(text.end(), w, w + std::strlen(w));
    text.push_back(rng() % 12 == 0 ? '\n' : ' ');
  }
  return CutAtCharacter(text);
}

Bytes AsciiText() {
  return FromWords({"the",         "policy",   "client",        "reads",
                    "preferences", "from",     "configuration", "store",
                    "and",         "writes",   "log",           "lines",
                    "server",      "address",  "value=42",      "path=/opt/app/bin",
                    "merged",      "schedule", "install",       "agent"},
                   1);
}

// Every letter is in ISO 8859-1, so the text has a Latin-1 form; about 4% of bytes are >= 0x80.
Bytes EuropeanText() {
  return FromWords({"Gr\xC3\xB6\xC3\x9F"
                    "e",
                    "und",
                    "die",
                    "der",
                    "caf\xC3\xA9",
                    "na\xC3\xAF"
                    "ve",
                    "\xC3\xA9l\xC3\xA8ve",
                    "de",
                    "la",
                    "le",
                    "et",
                    "Stra\xC3\x9F"
                    "e",
                    "ma\xC3\xB1"
                    "ana",
                    "configuration",
                    "fen\xC3\xAAtre",
                    "gar\xC3\xA7on",
                    "das",
                    "ist",
                    "nicht",
                    "les",
                    "donn\xC3\xA9"
                    "es",
                    "Konfiguration",
                    "wird",
                    "gelesen",
                    "pour",
                    "serveur",
                    "avec",
                    "Benutzer",
                    "the",
                    "and",
                    "of",
                    "to",
                    "in",
                    "is",
                    "policy",
                    "file"},
                   2);
}

Bytes CjkText() {
  std::mt19937 rng(3);
  Bytes text;
  while (text.size() < kBufferSize + 64) {
    const uint32_t r = rng() % 100;
    if (r < 6) {
      text.push_back(' ');
    } else if (r < 9) {
      AppendUtf8(text, 0x3002);  // ideographic full stop
    } else if (r < 11) {
      text.push_back(static_cast<uint8_t>('0' + rng() % 10));
    } else {
      AppendUtf8(text, 0x4E00 + rng() % (0x9FA5 - 0x4E00));
    }
  }
  return CutAtCharacter(text);
}

// European text with 1% of its bytes replaced by stray continuation bytes, 0xFF and lead bytes
// without their continuation.
Bytes MalformedText() {
  Bytes text = EuropeanText();
  std::mt19937 rng(4);
  static const uint8_t kBad[] = {0x80, 0xBF, 0xFF, 0xFE, 0xC3, 0xE2};
  for (size_t i = 0; i < text.size() / 100; ++i) text[rng() % text.size()] = kBad[rng() % 6];
  return text;
}

struct TextsS {
  Bytes ascii = AsciiText();
  Bytes european = EuropeanText();
  Bytes cjk = CjkText();
  Bytes malformed = MalformedText();
};

const TextsS& Texts() {
  static const TextsS texts;
  return texts;
}

// ----- our side -----

size_t OursDecode(const TextEncodingI& enc, const Bytes& in, Bytes& out) {
  auto dec = enc.CreateDecoder();
  size_t used = 0;
  size_t w = dec->Decode(in.data(), in.size(), out.data(), out.size(), used);
  w += dec->Flush(out.data() + w, out.size() - w);
  return w;
}

size_t OursEncode(const TextEncodingI& enc, const Bytes& in, Bytes& out) {
  auto encoder = enc.CreateEncoder();
  size_t used = 0;
  bool lossy = false;
  return encoder->Encode(in.data(), in.size(), out.data(), out.size(), used, lossy);
}

Bytes Convert(const std::function<size_t(const Bytes&, Bytes&)>& f, const Bytes& in) {
  Bytes out(in.size() * 4 + 64);
  out.resize(f(in, out));
  return out;
}

// ----- iconv with restart on bad input -----

enum class SkipE { kUtf8Byte, kUtf16Unit, kUtf8Char };

size_t SkipLength(SkipE skip, const uint8_t* p, size_t n) {
  size_t len = 1;
  if (skip == SkipE::kUtf16Unit) {
    len = 2;
  } else if (skip == SkipE::kUtf8Char) {
    char32_t cp;
    len = cmn_ReadUtf8(p, n, &cp);
    if (len == 0) len = n;
  }
  return len < n ? len : n;
}

class IconvC {
 public:
  IconvC(const char* to, const char* from, Bytes replacement, SkipE skip)
      : cd_(iconv_open(to, from)), replacement_(std::move(replacement)), skip_(skip) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      std::fprintf(stderr, "iconv_open(%s, %s) failed\n", to, from);
      std::abort();
    }
  }
  ~IconvC() { iconv_close(cd_); }
  IconvC(const IconvC&) = delete;
  IconvC& operator=(const IconvC&) = delete;

  size_t Run(const Bytes& in, Bytes& out) const {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* ip = reinterpret_cast<char*>(const_cast<uint8_t*>(in.data()));
    size_t il = in.size();
    char* op = reinterpret_cast<char*>(out.data());
    size_t ol = out.size();
    while (il > 0) {
      if (iconv(cd_, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) break;
      if ((errno != EILSEQ && errno != EINVAL) || ol < replacement_.size()) break;
      std::memcpy(op, replacement_.data(), replacement_.size());
      op += replacement_.size();
      ol -= replacement_.size();
      const size_t k = SkipLength(skip_, reinterpret_cast<const uint8_t*>(ip), il);
      ip += k;
      il -= k;
    }
    iconv(cd_, nullptr, nullptr, &op, &ol);
    return out.size() - ol;
  }

 private:
  iconv_t cd_;
  Bytes replacement_;
  SkipE skip_;
};

const Bytes kFffdUtf8 = {0xEF, 0xBF, 0xBD};
const Bytes kFffdUtf16LE = {0xFD, 0xFF};
const Bytes kTilde = {'~'};

// ----- benchmark registration -----

using ConvertFn = std::function<size_t(const Bytes&, Bytes&)>;

void Register(const std::string& name, const Bytes& input, ConvertFn ours, ConvertFn theirs) {
  // Same buffers for both; say when the outputs differ (expected only for malformed input,
  // where iconv reports some bad sequences byte by byte).
  const Bytes a = Convert(ours, input);
  const Bytes b = Convert(theirs, input);
  if (a != b) {
    std::fprintf(stderr, "note: %s: outputs differ (ours %zu bytes, iconv %zu bytes)\n",
                 name.c_str(), a.size(), b.size());
  }
  for (int side = 0; side < 2; ++side) {
    ConvertFn f = side == 0 ? ours : theirs;
    std::string full = name;
    full.append(side == 0 ? "/ours" : "/iconv");
    benchmark::RegisterBenchmark(full.c_str(), [f, &input](benchmark::State& state) {
      Bytes out(input.size() * 4 + 64);
      for (auto _ : state) {
        benchmark::DoNotOptimize(f(input, out));
        benchmark::ClobberMemory();
      }
      state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
    });
  }
}

struct SuiteS {
  // Inputs in the source encoding of each conversion, kept alive for the benchmarks.
  std::vector<std::unique_ptr<Bytes>> inputs;
  const Bytes& Keep(Bytes b) {
    inputs.push_back(std::make_unique<Bytes>(std::move(b)));
    return *inputs.back();
  }
};

void RegisterAll(SuiteS& suite) {
  const TextsS& t = Texts();
  const std::pair<const char*, const Bytes*> texts[] = {{"ascii", &t.ascii},
                                                        {"european", &t.european},
                                                        {"cjk", &t.cjk},
                                                        {"malformed1pct", &t.malformed}};

  static const IconvC utf8_utf8("UTF-8", "UTF-8", kFffdUtf8, SkipE::kUtf8Byte);
  static const IconvC utf16_to_utf8("UTF-8", "UTF-16LE", kFffdUtf8, SkipE::kUtf16Unit);
  static const IconvC utf8_to_utf16("UTF-16LE", "UTF-8", kFffdUtf16LE, SkipE::kUtf8Byte);
  static const IconvC latin1_to_utf8("UTF-8", "ISO-8859-1", kFffdUtf8, SkipE::kUtf8Byte);
  static const IconvC utf8_to_latin1("ISO-8859-1//TRANSLIT", "UTF-8", kTilde, SkipE::kUtf8Byte);

  const TextEncodingI& utf8 = TextEncodingUtf8();
  const TextEncodingI& utf16 = TextEncodingUtf16LE();
  const TextEncodingI& latin1 = TextEncodingLatin1();

  for (const auto& [label, text] : texts) {
    const std::string l = label;
    Register(
        "utf8_decode/" + l, *text,
        [&utf8](const Bytes& in, Bytes& out) { return OursDecode(utf8, in, out); },
        [](const Bytes& in, Bytes& out) { return utf8_utf8.Run(in, out); });

    // UTF-16 input: the text in UTF-16LE; for the malformed row, 1% of its units are replaced
    // by lone surrogates.
    Bytes u16 =
        Convert([&utf16](const Bytes& in, Bytes& out) { return OursEncode(utf16, in, out); },
                l == "malformed1pct" ? t.european : *text);
    if (l == "malformed1pct") {
      std::mt19937 rng(5);
      for (size_t i = 0; i < u16.size() / 200; ++i) {
        const size_t at = (rng() % (u16.size() / 2)) * 2;
        u16[at] = static_cast<uint8_t>(rng());
        u16[at + 1] = static_cast<uint8_t>(0xD8 + rng() % 8);
      }
    }
    const Bytes& u16in = suite.Keep(std::move(u16));
    Register(
        "utf16le_decode/" + l, u16in,
        [&utf16](const Bytes& in, Bytes& out) { return OursDecode(utf16, in, out); },
        [](const Bytes& in, Bytes& out) { return utf16_to_utf8.Run(in, out); });
    Register(
        "utf16le_encode/" + l, *text,
        [&utf16](const Bytes& in, Bytes& out) { return OursEncode(utf16, in, out); },
        [](const Bytes& in, Bytes& out) { return utf8_to_utf16.Run(in, out); });

    // ISO 8859-1 input: ASCII and European text in ISO 8859-1; the CJK row decodes the CJK
    // UTF-8 bytes as ISO 8859-1 (almost all bytes >= 0x80). Every byte is valid ISO 8859-1,
    // so there is no malformed row for decoding.
    if (l != "malformed1pct") {
      const Bytes& l1in =
          l == "cjk"
              ? *text
              : suite.Keep(Convert(
                    [&latin1](const Bytes& in, Bytes& out) { return OursEncode(latin1, in, out); },
                    *text));
      Register(
          "latin1_decode/" + l, l1in,
          [&latin1](const Bytes& in, Bytes& out) { return OursDecode(latin1, in, out); },
          [](const Bytes& in, Bytes& out) { return latin1_to_utf8.Run(in, out); });
    }
    Register(
        "latin1_encode/" + l, *text,
        [&latin1](const Bytes& in, Bytes& out) { return OursEncode(latin1, in, out); },
        [](const Bytes& in, Bytes& out) { return utf8_to_latin1.Run(in, out); });
  }
}

}  // namespace

int main(int argc, char** argv) {
  static SuiteS suite;
  RegisterAll(suite);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
