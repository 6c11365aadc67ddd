// Text operations of the configuration environment: reading and writing switches, and the
// helpers that builders use on values taken from the system.
#ifndef QLM_ENV_ENV_STRINGOPS_H_
#define QLM_ENV_ENV_STRINGOPS_H_

#include <cstdint>

#include "base/StringC.h"

// "True" and "Yes" give true, "False" and "No" give false, each matched ignoring case and only
// at equal length; any other text gives `fallback`.
[[nodiscard]] bool ParseBool(const StringC& text, bool fallback) noexcept;
// "True" or "False".
[[nodiscard]] StringC BoolToString(bool flag);

// For a text that begins with a double quote: the characters after it up to, not including, the
// last double quote, or everything after it when it is the only one. Other texts unchanged.
[[nodiscard]] StringC StripQuotes(const StringC& text);

// `text` with every character that occurs in `set` preceded by `escape`.
[[nodiscard]] StringC EscapeChars(const StringC& text, const StringC& set, char32_t escape);
// `text` with every character that occurs in `set` replaced by `escape` and the character's code
// in lower-case hexadecimal, at least two digits ("%C%02x").
[[nodiscard]] StringC EncodeChars(const StringC& text, const StringC& set, char32_t escape);
// `text` with `count` characters from `position` (count -1: the rest) replaced by `with`; the
// range is clipped to the text.
[[nodiscard]] StringC ReplaceRange(const StringC& text, int64_t position, int64_t count,
                                   const StringC& with);
// `value` in decimal ("%d").
[[nodiscard]] StringC IntToText(int64_t value);

#endif  // QLM_ENV_ENV_STRINGOPS_H_
