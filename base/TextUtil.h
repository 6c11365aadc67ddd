// Text utilities over StringC: number parsing, boolean words, replacing and translating
// characters, and the text hashes of the keyed containers.
#ifndef QLM_BASE_TEXTUTIL_H_
#define QLM_BASE_TEXTUTIL_H_

#include <cstdint>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

// Result codes of ToInteger.
inline constexpr RcT RC_TOINT_TRAILING = 0xE0C90002;   // characters after the number
inline constexpr RcT RC_TOINT_NO_NUMBER = 0xE0C90003;  // nothing but white space and a sign
inline constexpr RcT RC_TOINT_RANGE = 0xE0C90004;      // out of range
inline constexpr RcT RC_TOINT_NOT_DIGIT = 0xE0C90005;  // the number starts with a non-digit
inline constexpr RcT RC_TOINT_BAD_BASE = 0xE0C90006;   // base above 36 (or negative)

// Reads a signed 64-bit integer from `text`.
//   - Leading and trailing blanks, tabs, line feeds, carriage returns and U+00A0 are skipped;
//     a "+" or "-" may come first, white space may follow it.
//   - `base` 2..36 reads digits of that base, 0 chooses: "0x"/"0X" hexadecimal, "0b"/"0B"
//     binary, another leading zero octal, else decimal. "0x" is also skipped with base 16 and
//     "0b" with base 2. Digits are Unicode decimal digits and, above base 10, the Latin
//     letters.
//   - Magnitudes up to 2^64 - 1 are read. Without a "-", values from 2^63 are returned as
//     their 64-bit pattern (negative) with RC_TOINT_RANGE; with a "-" the magnitude is negated
//     and RC_TOINT_RANGE is set when it exceeds 2^63. A number that does not fit in 64 bits
//     gives 0 and RC_TOINT_RANGE.
// `*result` (if not null) receives 0 or one of the codes above (RC_TOINT_TRAILING still
// returns the value read). `*end` (if not null) receives the character position where reading
// stopped: after the trailing white space, at the offending character for RC_TOINT_NOT_DIGIT,
// and 0 for RC_TOINT_NO_NUMBER and RC_TOINT_BAD_BASE.
[[nodiscard]] int64_t ToInteger(const StringC& text, RcT* result = nullptr, int base = 0,
                                int64_t* end = nullptr) noexcept;

// True when `text` equals, ignoring case and at equal length, one of "TRUE", "T", "1", "YES",
// "ON", "OK", "ENABLED", "ACTIVE".
[[nodiscard]] bool IsTrueWord(const StringC& text) noexcept;

// `text` with the first occurrence of `what` after position `start` (-1: from the beginning)
// replaced by `with`, or every occurrence when `all`; after a replacement the search goes on
// behind the inserted text. With `ignore_case` occurrences are found ignoring case. An empty
// `what` replaces nothing.
[[nodiscard]] StringC ReplaceText(const StringC& text, const StringC& what, const StringC& with,
                                  bool all, int64_t start = -1, bool ignore_case = false);

// `text` with each character that occurs in `from` replaced by the character at the same
// position in `to` (its first position in `from` counts); only the first such character of
// `text` unless `all`. When `to` is shorter than `from`, only that many characters of `from`
// take part.
[[nodiscard]] StringC TranslateChars(const StringC& text, const StringC& from, const StringC& to,
                                     bool all);

// `text` without any `c`.
[[nodiscard]] StringC RemoveChar(const StringC& text, char32_t c);

// HashBytes over the UTF-8 text.
[[nodiscard]] uint32_t HashText(const StringC& text) noexcept;
// The one-at-a-time hash over the characters folded to lower case (ASCII: OR 0x20); texts
// equal ignoring case hash alike.
[[nodiscard]] uint32_t HashTextNoCase(const StringC& text) noexcept;

#endif  // QLM_BASE_TEXTUTIL_H_
