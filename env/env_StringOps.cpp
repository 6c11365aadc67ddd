#include "env/env_StringOps.h"

#include <cstdio>

namespace {

struct WordsS {
  StringC t{"True", StringC::CC_ASCII};
  StringC y{"Yes", StringC::CC_ASCII};
  StringC f{"False", StringC::CC_ASCII};
  StringC n{"No", StringC::CC_ASCII};
};

const WordsS& Words() {
  static const WordsS* const words = new WordsS();  // never destroyed; usable during exit
  return *words;
}

}  // namespace

bool ParseBool(const StringC& text, bool fallback) noexcept {
  const int64_t n = text.Length();
  if (n < 2 || n > 5) return fallback;
  const WordsS& w = Words();
  if (text.EqualsNoCase(w.t) || text.EqualsNoCase(w.y)) return true;
  if (text.EqualsNoCase(w.f) || text.EqualsNoCase(w.n)) return false;
  return fallback;
}

StringC BoolToString(bool flag) {
  return flag ? Words().t : Words().f;
}

StringC StripQuotes(const StringC& text) {
  if (text.CharAt(0) != U'"' || text.IsEmpty()) return text;
  const int64_t last = text.FindCharBackwards(U'"');
  if (last <= 0) return text.Substring(1);
  return text.Substring(1, last - 1);
}

StringC EscapeChars(const StringC& text, const StringC& set, char32_t escape) {
  if (text.FindFirstOf(set) < 0) return text;
  StringC out;
  const int64_t n = text.Length();
  for (int64_t i = 0; i < n; ++i) {
    const char32_t c = text.CharAt(i);
    if (set.FindChar(c) >= 0) out.AppendChar(escape);
    out.AppendChar(c);
  }
  return out;
}

StringC EncodeChars(const StringC& text, const StringC& set, char32_t escape) {
  if (text.FindFirstOf(set) < 0) return text;
  StringC out;
  const int64_t n = text.Length();
  for (int64_t i = 0; i < n; ++i) {
    const char32_t c = text.CharAt(i);
    if (set.FindChar(c) < 0) {
      out.AppendChar(c);
      continue;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(c));
    out.AppendChar(escape);
    out.Append(StringC(hex, StringC::CC_ASCII));
  }
  return out;
}

StringC ReplaceRange(const StringC& text, int64_t position, int64_t count, const StringC& with) {
  const int64_t n = text.Length();
  if (position < 0) position = 0;
  if (position > n) position = n;
  if (count < 0 || count > n - position) count = n - position;
  StringC out = text.Substring(0, position);
  out.Append(with);
  out.Append(text.Substring(position + count));
  return out;
}

StringC IntToText(int64_t value) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value));
  return StringC(buf, StringC::CC_ASCII);
}
