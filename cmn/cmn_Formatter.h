// The formatting operation behind StringC::Format, message texts, log lines and traces.
//
// Conversions: "%" [n "$"] [flags "-+ #0"] [width: digits | "*" | "*" m "$"]
// ["." precision: digits | "*" | "*" m "$"] [length: h hh l ll L q j z t] letter.
//   - "%n$..." selects argument n (from 1); conversions without a position take the
//     arguments after the previous one in turn.
//   - d i: signed decimal; u: unsigned; x X o b: hexadecimal, octal, binary; c: the character
//     whose code point is the integer; C: a UCS4 argument; s: a CharStar or String argument;
//     S: a String argument (a CharStar is accepted too); p: a pointer as "0x..." ("(nil)" for
//     null); e E f F g G a A: a Real argument; t: a TimeVal as "seconds.microseconds".
//   - Width and precision count characters, not bytes; "%.3s" never splits a character.
//   - "%%" gives "%".
// Formats come from outside (catalog files), so a mismatch renders predictably and never reads
// past the list:
//   - a conversion whose argument is missing (position 0, beyond the list, or an unknown
//     conversion letter, "%n" included) is copied to the output as written;
//   - a stray "%" at the end of the text is copied as "%";
//   - an argument of another type is rendered in its natural form (a number for an integer
//     conversion on a string argument renders the string; a string conversion on a number
//     renders the number in decimal);
//   - widths and precisions above cmn_kMaxFormatWidth are clamped to it.
#ifndef QLM_CMN_CMN_FORMATTER_H_
#define QLM_CMN_CMN_FORMATTER_H_

#include <string>
#include <string_view>

class cmn_ArgsI;

inline constexpr int cmn_kMaxFormatWidth = 4096;

// Appends `format` (UTF-8) rendered with `args` (null: no arguments) to `*out` (UTF-8).
void cmn_FormatAppend(std::string* out, std::string_view format, const cmn_ArgsI* args);

// Convenience: the rendered text.
[[nodiscard]] std::string cmn_Format(std::string_view format, const cmn_ArgsI* args);

#endif  // QLM_CMN_CMN_FORMATTER_H_
