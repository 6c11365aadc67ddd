// Character helpers shared by the parsers and formatters of the date and time values, and the
// reporting of their failures.
//
// Parsers work on the code points of the text (positions count characters, as StringC does);
// digits are the Unicode decimal digits, read by their value. Every read is bounds-checked: a
// position past the end reads as "not a digit".
#ifndef QLM_BASE_TIME_TIMETEXT_H_
#define QLM_BASE_TIME_TIMETEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

// The code points of `text`.
[[nodiscard]] std::u32string time_Chars(const StringC& text);
// A StringC of `chars`.
[[nodiscard]] StringC time_Text(std::u32string_view chars);
// A StringC of ASCII text.
[[nodiscard]] StringC time_Ascii(std::string_view text);

// The decimal value of the character at `pos`, or -1 when it is not a digit or `pos` is past
// the end.
[[nodiscard]] int time_DigitAt(std::u32string_view chars, size_t pos) noexcept;
// Reads `count` (at most 9) digits from `pos` as a decimal number. False, with *badPos set to
// the first position that is not a digit (when badPos is not null), when any is missing.
[[nodiscard]] bool time_ReadDigits(std::u32string_view chars, size_t pos, size_t count,
                                   int32_t* value, size_t* badPos = nullptr) noexcept;

// Writes `value` (not negative) in decimal with at least `width` digits (zeros in front) at
// `out`, which has room for 20 characters; returns the position after the last one.
char* time_PutDigits(char* out, uint64_t value, int width) noexcept;

// Clamps a 64-bit value into the 32-bit range (for message arguments of impossible values).
[[nodiscard]] int32_t time_Clamp32(int64_t value) noexcept;

// Reports `code` with the text argument `text`.
[[nodiscard]] RcT time_ReportText(RcT code, const char* defaultText, const StringC& text);
// Reports `code` with `text` and one number.
[[nodiscard]] RcT time_ReportTextNumber(RcT code, const char* defaultText, const StringC& text,
                                        int64_t number);
// Reports `code` with the three fields of a date.
[[nodiscard]] RcT time_ReportDate(RcT code, const char* defaultText, int64_t year, int64_t month,
                                  int64_t day);
// Reports `code` with three time fields, or six date and time fields.
[[nodiscard]] RcT time_ReportTime(RcT code, const char* defaultText, int64_t hour, int64_t minute,
                                  int64_t second);
[[nodiscard]] RcT time_ReportFields(RcT code, const char* defaultText, int64_t year, int64_t month,
                                    int64_t day, int64_t hour, int64_t minute, int64_t second);

#endif  // QLM_BASE_TIME_TIMETEXT_H_
