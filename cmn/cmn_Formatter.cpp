// The formatting operation: printf-style conversions over a typed argument list.
//
// Formats come from catalog files and other outside sources, so nothing here trusts the format
// to match the arguments: every argument index is checked against Count(), every number read
// from the format saturates, widths and precisions are clamped to cmn_kMaxFormatWidth, and an
// argument of an unexpected type is rendered in its natural form instead of being reinterpreted.
//
// Cost: literal runs are copied with one append each; "%s" and "%d" without width or precision
// append directly to the output; integers are converted here (no snprintf); only floating-point
// conversions use snprintf, into a stack buffer or straight into the output string. Nothing is
// allocated besides the output string.
//
// Length modifiers (h hh l ll L q j z t) are accepted and ignored: arguments carry their own
// types, and the list builder already narrowed values converted with "h" or "hh".
#include "cmn/cmn_Formatter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cmn/cmn_ArgsI.h"
#include "cmn/cmn_StringBodyI.h"

const char* cmn_ArgTypeName(uint32_t type) {
  static constexpr const char* kNames[] = {
      "Bool", "Int16",   "Int32",    "Int64",    "Unsigned16", "Unsigned32", "Unsigned64",
      "Real", "UCS4",    "String",   "DateTime", "ObjRef",     "Decimal",    "Blob",
      "Guid", "ArgList", "CharStar", "TimeVal",  "User",       "Null"};
  static_assert(sizeof(kNames) / sizeof(kNames[0]) == ARG_NULL + 1);
  return type <= ARG_NULL ? kNames[type] : "";
}

namespace {

// Numbers in a format (positions, widths, precisions) saturate here; any position this large is
// beyond every list, and widths are clamped far below it.
constexpr uint64_t kNumberCap = uint64_t{1} << 32;

// Nested lists are rendered at most this deep, and at most this many elements in total for one
// conversion, so that a list shared many times over in a tree cannot blow up the output.
constexpr int kMaxListDepth = 8;
constexpr int kMaxListElements = 256;

struct SpecS {
  bool left = false;   // "-"
  bool plus = false;   // "+"
  bool space = false;  // " "
  bool alt = false;    // "#"
  bool zero = false;   // "0"
  size_t width = 0;    // characters, <= cmn_kMaxFormatWidth
  int precision = -1;  // -1: none; else <= cmn_kMaxFormatWidth
};

// Where a "*" width or precision takes its value.
struct StarS {
  bool present = false;
  bool positional = false;
  uint64_t position = 0;  // from 1 when positional
};

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
inline bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
// True for the first byte of a UTF-8 sequence (and for any byte that is not a continuation).
inline bool IsLeadByte(unsigned char c) {
  return (c & 0xC0) != 0x80;
}

uint64_t ParseNumber(const char*& p, const char* end) {
  uint64_t n = 0;
  while (p < end && IsDigit(*p)) {
    n = n * 10 + static_cast<uint64_t>(*p - '0');
    if (n > kNumberCap) n = kNumberCap;
    ++p;
  }
  return n;
}

size_t ClampWidth(uint64_t n) {
  return n > static_cast<uint64_t>(cmn_kMaxFormatWidth) ? cmn_kMaxFormatWidth
                                                        : static_cast<size_t>(n);
}

size_t CountChars(std::string_view text) {
  size_t n = 0;
  for (unsigned char c : text) n += IsLeadByte(c);
  return n;
}

void AppendPadded(std::string* out, std::string_view text, size_t chars, const SpecS& spec) {
  const size_t pad = spec.width > chars ? spec.width - chars : 0;
  if (pad != 0 && !spec.left) out->append(pad, ' ');
  out->append(text);
  if (pad != 0 && spec.left) out->append(pad, ' ');
}

// Text (UTF-8) with precision as a character limit and width as a character count. `chars` is
// the known character count of `text`, or -1.
void RenderText(std::string* out, std::string_view text, int64_t chars, const SpecS& spec) {
  if (spec.precision < 0 && spec.width == 0) {
    out->append(text);
    return;
  }
  if (spec.precision >= 0) {
    // Keep whole characters: stop before the lead byte of character number precision + 1.
    const size_t limit = static_cast<size_t>(spec.precision);
    size_t i = 0;
    size_t n = 0;
    for (; i < text.size(); ++i) {
      if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
        if (n == limit) break;
        ++n;
      }
    }
    AppendPadded(out, text.substr(0, i), n, spec);
    return;
  }
  AppendPadded(out, text, chars >= 0 ? static_cast<size_t>(chars) : CountChars(text), spec);
}

// A zero-terminated text; with a precision it is not read past the characters it keeps.
void RenderCString(std::string* out, const char* text, const SpecS& spec) {
  if (text == nullptr) text = "";
  if (spec.precision < 0) {
    RenderText(out, std::string_view(text), -1, spec);
    return;
  }
  const size_t limit = static_cast<size_t>(spec.precision);
  size_t i = 0;
  size_t n = 0;
  for (; text[i] != '\0'; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(text[i]))) {
      if (n == limit) break;
      ++n;
    }
  }
  AppendPadded(out, std::string_view(text, i), n, spec);
}

// An integer as the conversion `conv` (d i u x X o b) wants it. `negative` and `magnitude`
// describe the value; unsigned conversions get the two's complement form already.
void RenderInteger(std::string* out, bool negative, uint64_t magnitude, char conv,
                   const SpecS& spec) {
  if (spec.width == 0 && spec.precision < 0 && !spec.plus && !spec.space && !spec.alt &&
      conv != 'x' && conv != 'X' && conv != 'o' && conv != 'b') {
    // Plain "%d" / "%u": the common case in log lines.
    char buf[24];
    char* p = buf + sizeof(buf);
    do {
      *--p = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (negative) *--p = '-';
    out->append(p, static_cast<size_t>(buf + sizeof(buf) - p));
    return;
  }

  unsigned base = 10;
  const char* digit_chars = "0123456789abcdef";
  const char* prefix = "";
  switch (conv) {
    case 'x':
      base = 16;
      if (spec.alt && magnitude != 0) prefix = "0x";
      break;
    case 'X':
      base = 16;
      digit_chars = "0123456789ABCDEF";
      if (spec.alt && magnitude != 0) prefix = "0X";
      break;
    case 'o':
      base = 8;
      break;
    case 'b':
      base = 2;
      if (spec.alt && magnitude != 0) prefix = "0b";
      break;
    default:
      break;
  }

  char digits[64];  // 64 binary digits at most
  char* d = digits + sizeof(digits);
  if (!(magnitude == 0 && spec.precision == 0)) {
    do {
      *--d = digit_chars[magnitude % base];
      magnitude /= base;
    } while (magnitude != 0);
  }
  size_t ndigits = static_cast<size_t>(digits + sizeof(digits) - d);

  char sign = '\0';
  if (conv == 'd' || conv == 'i') {
    if (negative)
      sign = '-';
    else if (spec.plus)
      sign = '+';
    else if (spec.space)
      sign = ' ';
  }
  const size_t sign_len = sign != '\0' ? 1 : 0;
  const size_t prefix_len = std::strlen(prefix);

  size_t zeros = 0;
  if (spec.precision >= 0 && static_cast<size_t>(spec.precision) > ndigits)
    zeros = static_cast<size_t>(spec.precision) - ndigits;
  if (conv == 'o' && spec.alt && (ndigits == 0 || *d != '0') && zeros == 0) zeros = 1;
  if (spec.zero && !spec.left && spec.precision < 0) {
    const size_t used = sign_len + prefix_len + ndigits;
    if (spec.width > used + zeros) zeros = spec.width - used;
  }

  const size_t total = sign_len + prefix_len + zeros + ndigits;
  const size_t pad = spec.width > total ? spec.width - total : 0;
  if (pad != 0 && !spec.left) out->append(pad, ' ');
  if (sign_len != 0) out->push_back(sign);
  out->append(prefix, prefix_len);
  if (zeros != 0) out->append(zeros, '0');
  out->append(d, ndigits);
  if (pad != 0 && spec.left) out->append(pad, ' ');
}

// One character from a code point. Zero gives no character; values that are not Unicode scalar
// values give U+FFFD, so the output stays valid UTF-8.
void RenderCodePoint(std::string* out, uint64_t cp, bool negative, const SpecS& spec) {
  if (negative || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  char buf[4];
  size_t n = 0;
  if (cp == 0) {
    n = 0;
  } else if (cp < 0x80) {
    buf[n++] = static_cast<char>(cp);
  } else if (cp < 0x800) {
    buf[n++] = static_cast<char>(0xC0 | (cp >> 6));
    buf[n++] = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    buf[n++] = static_cast<char>(0xE0 | (cp >> 12));
    buf[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    buf[n++] = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    buf[n++] = static_cast<char>(0xF0 | (cp >> 18));
    buf[n++] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    buf[n++] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    buf[n++] = static_cast<char>(0x80 | (cp & 0x3F));
  }
  AppendPadded(out, std::string_view(buf, n), n != 0 ? 1 : 0, spec);
}

void RenderPointer(std::string* out, const void* ptr, const SpecS& spec) {
  if (ptr == nullptr) {
    AppendPadded(out, "(nil)", 5, spec);
    return;
  }
  uint64_t v = reinterpret_cast<uintptr_t>(ptr);
  char buf[2 + 16];
  char* p = buf + sizeof(buf);
  do {
    *--p = "0123456789abcdef"[v & 0xF];
    v >>= 4;
  } while (v != 0);
  *--p = 'x';
  *--p = '0';
  const size_t n = static_cast<size_t>(buf + sizeof(buf) - p);
  AppendPadded(out, std::string_view(p, n), n, spec);
}

// Floating point through snprintf (conv is one of e E f F g G a A). The result is ASCII, so
// bytes and characters agree and snprintf may apply the width itself.
void RenderReal(std::string* out, double value, char conv, const SpecS& spec) {
  char fmt[16];
  size_t k = 0;
  fmt[k++] = '%';
  if (spec.left) fmt[k++] = '-';
  if (spec.plus) fmt[k++] = '+';
  if (spec.space) fmt[k++] = ' ';
  if (spec.alt) fmt[k++] = '#';
  if (spec.zero) fmt[k++] = '0';
  fmt[k++] = '*';
  fmt[k++] = '.';
  fmt[k++] = '*';
  fmt[k++] = conv;
  fmt[k] = '\0';
  const int width = static_cast<int>(spec.width);
  char buf[128];
  const int n = std::snprintf(buf, sizeof(buf), fmt, width, spec.precision, value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof(buf)) {
    out->append(buf, static_cast<size_t>(n));
    return;
  }
  // Large precision or magnitude ("%.4096f" of 1e308): render straight into the output.
  const size_t old = out->size();
  out->resize(old + static_cast<size_t>(n) + 1);
  const int m = std::snprintf(out->data() + old, static_cast<size_t>(n) + 1, fmt, width,
                              spec.precision, value);
  out->resize(old + (m > 0 && m <= n ? static_cast<size_t>(m) : 0));
}

// "seconds.microseconds", the microseconds normalised into 0..999999 with six digits.
void RenderTimeVal(std::string* out, const cmn_TimeValS& tv, const SpecS& spec) {
  int64_t sec = tv.sec;
  int64_t usec = tv.usec % 1000000;
  int64_t carry = tv.usec / 1000000;
  if (usec < 0) {
    usec += 1000000;
    --carry;
  }
  if (__builtin_add_overflow(sec, carry, &sec)) sec = carry < 0 ? INT64_MIN : INT64_MAX;
  char buf[32];
  char* p = buf + sizeof(buf);
  for (int i = 0; i < 6; ++i) {
    *--p = static_cast<char>('0' + usec % 10);
    usec /= 10;
  }
  *--p = '.';
  uint64_t mag = sec < 0 ? static_cast<uint64_t>(-(sec + 1)) + 1 : static_cast<uint64_t>(sec);
  do {
    *--p = static_cast<char>('0' + mag % 10);
    mag /= 10;
  } while (mag != 0);
  if (sec < 0) *--p = '-';
  const size_t n = static_cast<size_t>(buf + sizeof(buf) - p);
  AppendPadded(out, std::string_view(p, n), n, spec);
}

// An integer view of `v` for the integer conversions. `bits` is the width at which a negative
// value is shown in two's complement by the unsigned conversions.
struct IntegerS {
  bool negative = false;
  uint64_t magnitude = 0;  // |value|
  int bits = 64;
};

bool BoolOf(const cmn_ArgValueS& v) {
  // Read as a byte: a view built by hand may hold any bit pattern there.
  unsigned char byte;
  std::memcpy(&byte, &v.b, 1);
  return byte != 0;
}

IntegerS FromSigned(int64_t value, int bits) {
  IntegerS r;
  r.negative = value < 0;
  r.magnitude = value < 0 ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
  r.bits = bits;
  return r;
}

IntegerS FromUnsigned(uint64_t value) {
  IntegerS r;
  r.magnitude = value;
  return r;
}

bool IntegerOf(const cmn_ArgValueS& v, IntegerS* r, bool bool_ok, bool char_ok) {
  switch (v.type) {
    case ARG_BOOL:
      if (!bool_ok) return false;
      *r = FromUnsigned(BoolOf(v) ? 1 : 0);
      return true;
    case ARG_INT16:
      *r = FromSigned(v.i32, 16);
      return true;
    case ARG_INT32:
      *r = FromSigned(v.i32, 32);
      return true;
    case ARG_INT64:
    case ARG_DATETIME:
      *r = FromSigned(v.i64, 64);
      return true;
    case ARG_UNSIGNED16:
    case ARG_UNSIGNED32:
      *r = FromUnsigned(v.u32);
      return true;
    case ARG_UNSIGNED64:
      *r = FromUnsigned(v.u64);
      return true;
    case ARG_UCS4:
      if (!char_ok) return false;
      *r = FromUnsigned(static_cast<uint32_t>(v.ucs4));
      return true;
    default:
      return false;
  }
}

struct ContextS {
  int depth = 0;
  int elements_left = kMaxListElements;
};

void RenderNatural(std::string* out, const cmn_ArgValueS* v, const SpecS& spec, ContextS* ctx);

void RenderListItems(std::string* out, const cmn_ArgsI* list, ContextS* ctx) {
  out->push_back('{');
  if (list != nullptr) {
    if (ctx->depth >= kMaxListDepth) {
      out->append("...");
    } else {
      ++ctx->depth;
      const size_t count = list->Count();
      const SpecS plain;
      for (size_t i = 0; i < count; ++i) {
        if (i != 0) out->append(", ");
        if (ctx->elements_left <= 0) {
          out->append("...");
          break;
        }
        --ctx->elements_left;
        RenderNatural(out, list->At(i), plain, ctx);
      }
      --ctx->depth;
    }
  }
  out->push_back('}');
}

// "{a, b, {c}}": each element in its natural form. Width pads the whole; precision is ignored.
void RenderList(std::string* out, const cmn_ArgsI* list, const SpecS& spec, ContextS* ctx) {
  const size_t start = out->size();
  RenderListItems(out, list, ctx);
  if (spec.width == 0) return;
  const size_t chars = CountChars(std::string_view(*out).substr(start));
  if (chars >= spec.width) return;
  const size_t pad = spec.width - chars;
  if (spec.left)
    out->append(pad, ' ');
  else
    out->insert(start, pad, ' ');
}

// The argument as its own type's default conversion, keeping flags, width and precision.
void RenderNatural(std::string* out, const cmn_ArgValueS* v, const SpecS& spec, ContextS* ctx) {
  if (v == nullptr) {
    RenderText(out, "(null)", 6, spec);
    return;
  }
  IntegerS n;
  switch (v->type) {
    case ARG_BOOL:
      if (BoolOf(*v))
        RenderText(out, "true", 4, spec);
      else
        RenderText(out, "false", 5, spec);
      return;
    case ARG_INT16:
    case ARG_INT32:
    case ARG_INT64:
    case ARG_DATETIME:
      // The argument type is an integer one, so the conversion succeeds.
      (void)IntegerOf(*v, &n, false, false);
      RenderInteger(out, n.negative, n.magnitude, 'd', spec);
      return;
    case ARG_UNSIGNED16:
    case ARG_UNSIGNED32:
    case ARG_UNSIGNED64:
      // The argument type is an integer one, so the conversion succeeds.
      (void)IntegerOf(*v, &n, false, false);
      RenderInteger(out, false, n.magnitude, 'u', spec);
      return;
    case ARG_REAL:
    case ARG_DECIMAL:
      RenderReal(out, v->real, 'g', spec);
      return;
    case ARG_UCS4:
      RenderCodePoint(out, static_cast<uint32_t>(v->ucs4), false, spec);
      return;
    case ARG_STRING:
      if (v->str == nullptr) {
        RenderText(out, std::string_view(), 0, spec);
      } else {
        // Length() is O(1); only worth asking when a width needs the count.
        const int64_t chars = spec.width != 0 && spec.precision < 0 ? v->str->Length() : -1;
        RenderText(out, v->str->Utf8(), chars, spec);
      }
      return;
    case ARG_CHARSTAR:
      RenderCString(out, v->cstr, spec);
      return;
    case ARG_OBJREF:
    case ARG_BLOB:
    case ARG_GUID:
    case ARG_USER:
      RenderPointer(out, v->ptr, spec);
      return;
    case ARG_ARGLIST:
      RenderList(out, v->list, spec, ctx);
      return;
    case ARG_TIMEVAL:
      RenderTimeVal(out, v->tv, spec);
      return;
    default:  // ARG_NULL and codes outside the table
      RenderText(out, "(null)", 6, spec);
      return;
  }
}

// One conversion with its argument (present); falls back to the natural form when the
// argument's type does not fit the conversion.
void RenderArgument(std::string* out, const cmn_ArgValueS& v, char conv, const SpecS& spec,
                    ContextS* ctx) {
  IntegerS n;
  switch (conv) {
    case 'd':
    case 'i':
      if (IntegerOf(v, &n, true, true)) {
        RenderInteger(out, n.negative, n.magnitude, conv, spec);
        return;
      }
      break;
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'b':
      if (v.type == ARG_OBJREF || v.type == ARG_BLOB || v.type == ARG_GUID || v.type == ARG_USER) {
        RenderInteger(out, false, reinterpret_cast<uintptr_t>(v.ptr), conv, spec);
        return;
      }
      if (IntegerOf(v, &n, true, true)) {
        uint64_t bits = n.magnitude;
        if (n.negative) {
          bits = ~n.magnitude + 1;  // two's complement at 64 bits, then cut to the type
          if (n.bits < 64) bits &= (uint64_t{1} << n.bits) - 1;
        }
        RenderInteger(out, false, bits, conv, spec);
        return;
      }
      break;
    case 'c':
    case 'C':
      if (IntegerOf(v, &n, false, true)) {
        RenderCodePoint(out, n.magnitude, n.negative, spec);
        return;
      }
      break;
    case 's':
    case 'S':
      break;  // the natural form of a string is the string
    case 'p':
      break;  // pointers render as pointers; everything else naturally
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      if (v.type == ARG_REAL || v.type == ARG_DECIMAL) {
        RenderReal(out, v.real, conv, spec);
        return;
      }
      break;
    default:  // 't'
      break;
  }
  RenderNatural(out, &v, spec, ctx);
}

bool IsConversionLetter(char c) {
  switch (c) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
    case 'b':
    case 'c':
    case 'C':
    case 's':
    case 'S':
    case 'p':
    case 't':
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      return true;
    default:
      return false;
  }
}

bool IsIntegerLetter(char c) {
  return c == 'd' || c == 'i' || c == 'u' || c == 'x' || c == 'X' || c == 'o' || c == 'b';
}

// "*" or "*m$" at p (which points at "*"). Leaves p after it. A "*" followed by digits without
// "$" leaves p at the digits, which then make the conversion malformed.
StarS ParseStar(const char*& p, const char* end) {
  StarS star;
  star.present = true;
  ++p;
  const char* q = p;
  const uint64_t m = ParseNumber(q, end);
  if (q != p && q < end && *q == '$') {
    star.positional = true;
    star.position = m;
    p = q + 1;
  }
  return star;
}

}  // namespace

void cmn_FormatAppend(std::string* out, std::string_view format, const cmn_ArgsI* args) {
  if (out == nullptr) return;
  const char* p = format.data();
  const char* const end = p + format.size();
  const size_t count = args != nullptr ? args->Count() : 0;
  uint64_t cursor = 0;  // 0-based index the next conversion without a position takes

  // The argument at 0-based `index`, or null when there is none.
  auto argument = [&](uint64_t index) -> const cmn_ArgValueS* {
    if (args == nullptr || index >= count) return nullptr;
    return args->At(static_cast<size_t>(index));
  };
  // A "*" value: an integer argument, or nothing.
  auto star_value = [&](const StarS& star, bool* ok) -> int64_t {
    *ok = false;
    uint64_t index;
    if (star.positional) {
      if (star.position == 0) return 0;
      index = star.position - 1;
    } else {
      index = cursor++;
    }
    const cmn_ArgValueS* v = argument(index);
    IntegerS n;
    if (v == nullptr || !IntegerOf(*v, &n, false, false)) return 0;
    *ok = true;
    if (n.negative)
      return n.magnitude > kNumberCap ? -static_cast<int64_t>(kNumberCap)
                                      : -static_cast<int64_t>(n.magnitude);
    return n.magnitude > kNumberCap ? static_cast<int64_t>(kNumberCap)
                                    : static_cast<int64_t>(n.magnitude);
  };

  while (p < end) {
    const char* pct = static_cast<const char*>(std::memchr(p, '%', static_cast<size_t>(end - p)));
    if (pct == nullptr) {
      out->append(p, static_cast<size_t>(end - p));
      break;
    }
    out->append(p, static_cast<size_t>(pct - p));
    p = pct + 1;
    if (p == end) {  // a stray "%" ends the text
      out->push_back('%');
      break;
    }
    if (*p == '%') {
      out->push_back('%');
      ++p;
      continue;
    }

    // "%" [n "$"] flags [width] ["." precision] [length] letter
    SpecS spec;
    bool positional = false;
    uint64_t position = 0;
    {
      const char* q = p;
      const uint64_t n = ParseNumber(q, end);
      if (q != p && q < end && *q == '$') {
        positional = true;
        position = n;
        p = q + 1;
      }
    }
    for (; p < end; ++p) {
      if (*p == '-')
        spec.left = true;
      else if (*p == '+')
        spec.plus = true;
      else if (*p == ' ')
        spec.space = true;
      else if (*p == '#')
        spec.alt = true;
      else if (*p == '0')
        spec.zero = true;
      else
        break;
    }
    StarS width_star;
    if (p < end && *p == '*')
      width_star = ParseStar(p, end);
    else
      spec.width = ClampWidth(ParseNumber(p, end));
    StarS precision_star;
    if (p < end && *p == '.') {
      ++p;
      if (p < end && *p == '*')
        precision_star = ParseStar(p, end);
      else
        spec.precision = static_cast<int>(ClampWidth(ParseNumber(p, end)));
    }
    while (p < end) {
      const char c = *p;
      if (c == 'h' || c == 'l' || c == 'L' || c == 'q' || c == 'j' || c == 'z' ||
          (c == 't' && p + 1 < end && IsIntegerLetter(p[1]))) {
        ++p;
      } else {
        break;
      }
    }
    if (p == end || !IsAsciiLetter(*p)) {
      // Malformed: copied as written; the character that stopped it is read again as text.
      out->append(pct, static_cast<size_t>(p - pct));
      continue;
    }
    const char conv = *p++;

    // Arguments are taken in the order printf takes them: width, precision, value.
    if (width_star.present) {
      bool ok;
      const int64_t w = star_value(width_star, &ok);
      if (ok) {
        if (w < 0) spec.left = true;
        spec.width = ClampWidth(static_cast<uint64_t>(w < 0 ? -w : w));
      }
    }
    if (precision_star.present) {
      bool ok;
      const int64_t prec = star_value(precision_star, &ok);
      if (ok && prec >= 0)
        spec.precision = static_cast<int>(ClampWidth(static_cast<uint64_t>(prec)));
    }
    const cmn_ArgValueS* value = nullptr;
    if (positional) {
      if (position != 0) value = argument(position - 1);
      cursor = position;
    } else {
      value = argument(cursor++);
    }

    if (value == nullptr || !IsConversionLetter(conv)) {
      out->append(pct, static_cast<size_t>(p - pct));
      continue;
    }
    ContextS ctx;
    RenderArgument(out, *value, conv, spec, &ctx);
  }
}

std::string cmn_Format(std::string_view format, const cmn_ArgsI* args) {
  std::string out;
  out.reserve(format.size() + 32);
  cmn_FormatAppend(&out, format, args);
  return out;
}
