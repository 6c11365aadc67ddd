// Unicode character classification over code points (Basic Multilingual Plane tables
// generated from the Unicode Character Database by tools/gen_unicode_tables.py).
#ifndef QLM_CMN_CMN_UNICODE_H_
#define QLM_CMN_CMN_UNICODE_H_

// Decimal digit value 0..9, or -1 for a code point that is not one of the listed digits.
[[nodiscard]] int cmn_DigitValue(char32_t c) noexcept;
[[nodiscard]] inline bool cmn_IsDigit(char32_t c) noexcept {
  return cmn_DigitValue(c) >= 0;
}
// Simple case mappings; a code point without a mapping maps to itself.
[[nodiscard]] char32_t cmn_ToUpper(char32_t c) noexcept;
[[nodiscard]] char32_t cmn_ToLower(char32_t c) noexcept;
// True when either case mapping changes `c` or it is one of the other listed letters.
[[nodiscard]] bool cmn_IsLetter(char32_t c) noexcept;
// True for the CJK ideograph ranges.
[[nodiscard]] bool cmn_IsIdeograph(char32_t c) noexcept;

#endif  // QLM_CMN_CMN_UNICODE_H_
