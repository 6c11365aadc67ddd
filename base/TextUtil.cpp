#include "base/TextUtil.h"

#include <string>
#include <string_view>

#include "base/ByteHash.h"
#include "cmn/cmn_TextCodec.h"
#include "cmn/cmn_Unicode.h"

namespace {

// Walks the characters of a UTF-8 text, counting character positions.
class CharReaderC {
 public:
  explicit CharReaderC(std::string_view text) noexcept
      : p_(reinterpret_cast<const uint8_t*>(text.data())), end_(p_ + text.size()) {}

  bool AtEnd() const noexcept { return p_ >= end_; }
  int64_t Position() const noexcept { return pos_; }
  size_t ByteOffset(std::string_view text) const noexcept {
    return static_cast<size_t>(p_ - reinterpret_cast<const uint8_t*>(text.data()));
  }
  // The character at the current position and its byte count (0 at the end).
  char32_t Peek(size_t* len) const noexcept { return PeekAt(p_, len); }
  // The character after the current one (0 when there is none).
  char32_t PeekSecond() const noexcept {
    size_t len;
    // Only the length of the current character is needed.
    (void)PeekAt(p_, &len);
    return PeekAt(p_ + len, &len);
  }
  void Skip(size_t len) noexcept {
    p_ += len;
    ++pos_;
  }
  char32_t Next() noexcept {
    size_t len;
    const char32_t c = Peek(&len);
    Skip(len);
    return c;
  }

 private:
  char32_t PeekAt(const uint8_t* p, size_t* len) const noexcept {
    if (p >= end_) {
      *len = 0;
      return 0;
    }
    if (*p < 0x80) {
      *len = 1;
      return *p;
    }
    char32_t cp;
    size_t k = cmn_ReadUtf8(p, static_cast<size_t>(end_ - p), &cp);
    if (k == 0) {  // cannot happen in a body's text; read the rest as one character
      k = static_cast<size_t>(end_ - p);
      cp = cmn_kReplacementChar;
    }
    *len = k;
    return cp;
  }

  const uint8_t* p_;
  const uint8_t* end_;
  int64_t pos_ = 0;
};

inline bool IsNumberSpace(char32_t c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xA0;
}

void SkipSpace(CharReaderC* r) noexcept {
  size_t len;
  while (!r->AtEnd() && IsNumberSpace(r->Peek(&len))) r->Skip(len);
}

// Value of `c` as a digit of `base`, or -1.
inline int DigitOf(char32_t c, int base) noexcept {
  int d = cmn_DigitValue(c);
  if (d < 0 && base > 10) {
    if (c >= 'a' && c <= 'z') d = static_cast<int>(c - 'a') + 10;
    if (c >= 'A' && c <= 'Z') d = static_cast<int>(c - 'A') + 10;
  }
  return d < base ? d : -1;
}

void AppendUtf8(std::string* out, char32_t c) {
  uint8_t buf[6];
  out->append(reinterpret_cast<const char*>(buf), cmn_WriteUtf8(c, buf));
}

// A handle over UTF-8 text that this file built from whole characters.
StringC FromBuilt(const std::string& text) {
  return StringC(text.data(), text.size(), StringC::CC_VALID_UTF8);
}

}  // namespace

int64_t ToInteger(const StringC& text, RcT* result, int base, int64_t* end) noexcept {
  auto finish = [result, end](RcT rc, int64_t value, int64_t stop) noexcept {
    if (result != nullptr) *result = rc;
    if (end != nullptr) *end = stop;
    return value;
  };
  if (base > 36 || base < 0) return finish(RC_TOINT_BAD_BASE, 0, 0);

  CharReaderC r(text.Utf8View());
  SkipSpace(&r);
  if (r.AtEnd()) return finish(RC_TOINT_NO_NUMBER, 0, 0);

  size_t len;
  bool negative = false;
  const char32_t sign = r.Peek(&len);
  if (sign == '+' || sign == '-') {
    negative = sign == '-';
    r.Skip(len);
    SkipSpace(&r);
    if (r.AtEnd()) return finish(RC_TOINT_NO_NUMBER, 0, 0);
  }

  if (cmn_DigitValue(r.Peek(&len)) == 0) {
    const char32_t next = r.PeekSecond();
    if ((next == 'b' || next == 'B') && (base == 0 || base == 2)) {
      base = 2;
      r.Next();
      r.Next();
    } else if ((next == 'x' || next == 'X') && (base == 0 || base == 16)) {
      base = 16;
      r.Next();
      r.Next();
    } else if (base == 0) {
      base = 8;
    }
  } else if (base == 0) {
    base = 10;
  }

  int digit = r.AtEnd() ? -1 : DigitOf(r.Peek(&len), base);
  if (digit < 0) return finish(RC_TOINT_NOT_DIGIT, 0, r.Position());

  uint64_t value = 0;
  bool too_big = false;
  const auto ubase = static_cast<uint64_t>(base);
  while (digit >= 0) {
    uint64_t scaled;
    if (too_big || __builtin_mul_overflow(value, ubase, &scaled) ||
        __builtin_add_overflow(scaled, static_cast<uint64_t>(digit), &value)) {
      too_big = true;  // read on to the end of the digits, so *end is after the number
    }
    r.Skip(len);
    digit = r.AtEnd() ? -1 : DigitOf(r.Peek(&len), base);
  }
  if (too_big) return finish(RC_TOINT_RANGE, 0, r.Position());

  SkipSpace(&r);
  RcT rc = r.AtEnd() ? RC_OK : RC_TOINT_TRAILING;
  constexpr uint64_t kMinMagnitude = uint64_t{1} << 63;  // |INT64_MIN|
  if (negative) {
    if (value > kMinMagnitude) rc = RC_TOINT_RANGE;
    value = 0 - value;  // two's complement; the conversion below is modulo 2^64
  } else if (value >= kMinMagnitude) {
    rc = RC_TOINT_RANGE;
  }
  return finish(rc, static_cast<int64_t>(value), r.Position());
}

bool IsTrueWord(const StringC& text) noexcept {
  static const StringC kWords[] = {
      StringC("TRUE", StringC::CC_ASCII),    StringC("T", StringC::CC_ASCII),
      StringC("1", StringC::CC_ASCII),       StringC("YES", StringC::CC_ASCII),
      StringC("ON", StringC::CC_ASCII),      StringC("OK", StringC::CC_ASCII),
      StringC("ENABLED", StringC::CC_ASCII), StringC("ACTIVE", StringC::CC_ASCII),
  };
  const int64_t n = text.Length();
  if (n == 0 || n > 7) return false;
  for (const StringC& word : kWords) {
    if (word.Length() == n && text.CompareNoCase(word) == 0) return true;
  }
  return false;
}

StringC ReplaceText(const StringC& text, const StringC& what, const StringC& with, bool all,
                    int64_t start, bool ignore_case) {
  if (what.IsEmpty()) return text;
  // Simple case folding maps character to character, so positions in the folded copies are
  // positions in the text.
  const StringC hay = ignore_case ? text.ToLower() : text;
  const StringC needle = ignore_case ? what.ToLower() : what;
  int64_t pos = hay.Find(needle, start);
  if (pos < 0) return text;

  const std::string_view src = text.Utf8View();
  const std::string_view rep = with.Utf8View();
  const int64_t what_len = what.Length();
  std::string out;
  out.reserve(src.size() + rep.size());
  CharReaderC r(src);
  size_t copied = 0;  // byte offset of the first character not yet in `out`
  while (pos >= 0) {
    while (r.Position() < pos) r.Next();
    const size_t at = r.ByteOffset(src);
    out.append(src.substr(copied, at - copied));
    out.append(rep);
    while (r.Position() < pos + what_len) r.Next();
    copied = r.ByteOffset(src);
    if (!all) break;
    pos = hay.Find(needle, pos + what_len - 1);
  }
  out.append(src.substr(copied));
  return FromBuilt(out);
}

StringC TranslateChars(const StringC& text, const StringC& from, const StringC& to, bool all) {
  const int64_t n = from.Length() < to.Length() ? from.Length() : to.Length();
  if (n == 0 || text.IsEmpty()) return text;
  const StringC set = from.Length() > n ? from.Substring(0, n) : from;
  std::string out;
  out.reserve(text.Utf8View().size());
  bool changed = false;
  CharReaderC r(text.Utf8View());
  while (!r.AtEnd()) {
    char32_t c = r.Next();
    if (all || !changed) {
      const int64_t index = set.FindChar(c);
      if (index >= 0) {
        c = to.CharAt(index);
        changed = true;
      }
    }
    AppendUtf8(&out, c);
  }
  return changed ? FromBuilt(out) : text;
}

StringC RemoveChar(const StringC& text, char32_t c) {
  if (text.FindChar(c) < 0) return text;
  std::string out;
  out.reserve(text.Utf8View().size());
  CharReaderC r(text.Utf8View());
  while (!r.AtEnd()) {
    const char32_t ch = r.Next();
    if (ch != c) AppendUtf8(&out, ch);
  }
  return FromBuilt(out);
}

uint32_t HashText(const StringC& text) noexcept {
  const std::string_view v = text.Utf8View();
  return HashBytes(v.data(), v.size());
}

uint32_t HashTextNoCase(const StringC& text) noexcept {
  const std::string_view v = text.Utf8View();
  const auto* p = reinterpret_cast<const uint8_t*>(v.data());
  const uint8_t* const e = p + v.size();
  uint32_t h = 0;
  while (p < e) {
    uint32_t c;
    if (*p < 0x80) {
      c = *p++ | 0x20u;
    } else {
      char32_t cp;
      size_t k = cmn_ReadUtf8(p, static_cast<size_t>(e - p), &cp);
      if (k == 0) {
        k = static_cast<size_t>(e - p);
        cp = cmn_kReplacementChar;
      }
      p += k;
      c = static_cast<uint32_t>(cmn_ToLower(cp));
    }
    h += c;
    h *= 1025;
    h ^= h >> 6;
  }
  h *= 9;
  h ^= h >> 11;
  h *= 32769;
  return h;
}
