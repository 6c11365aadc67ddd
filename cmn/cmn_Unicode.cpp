// Unicode character classification. The case-mapping and letter tables cover the Basic
// Multilingual Plane and are generated into cmn_UnicodeTables.inc by
// tools/gen_unicode_tables.py; code points outside the BMP have no mapping and are not letters.
#include "cmn/cmn_Unicode.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

// Code points first, first + stride, ..., last map to themselves plus `diff`. The ranges of a
// table are sorted by `first` and their spans [first, last] never overlap.
struct CaseRangeS {
  uint16_t first;
  uint16_t last;
  int32_t diff;
  uint8_t stride;  // 1, or 2 for alternating upper/lower pairs
};

#include "cmn/cmn_UnicodeTables.inc"

// Decimal digit blocks, each given by its first code point and its digit nine; the value of a
// code point in a block is c - nine + 9. Three blocks (U+0BE7 Tamil, U+1369 Ethiopic, U+3021
// Hangzhou) begin at the digit one and have no zero in the block.
struct DigitRangeS {
  char32_t first;
  char32_t nine;
};
constexpr DigitRangeS kDigitRanges[] = {
    {0x0030, 0x0039}, {0x0660, 0x0669}, {0x06F0, 0x06F9}, {0x0966, 0x096F}, {0x09E6, 0x09EF},
    {0x0A66, 0x0A6F}, {0x0AE6, 0x0AEF}, {0x0B66, 0x0B6F}, {0x0BE7, 0x0BEF}, {0x0C66, 0x0C6F},
    {0x0CE6, 0x0CEF}, {0x0D66, 0x0D6F}, {0x0E50, 0x0E59}, {0x0ED0, 0x0ED9}, {0x0F20, 0x0F29},
    {0x1040, 0x1049}, {0x1369, 0x1371}, {0x17E0, 0x17E9}, {0x1810, 0x1819}, {0x3021, 0x3029},
    {0xFF10, 0xFF19},
};
constexpr char32_t kIdeographicZero = 0x3007;

constexpr char32_t kBmpEnd = 0x10000;

// Applies the range table to a BMP code point by halving: the only range that can hold `c` is
// the last one whose first code point is not above it.
template <size_t N>
char32_t MapCase(const CaseRangeS (&table)[N], char32_t c) noexcept {
  const CaseRangeS* it = std::upper_bound(
      std::begin(table), std::end(table), c,
      [](char32_t value, const CaseRangeS& r) { return value < char32_t{r.first}; });
  if (it == std::begin(table)) return c;
  const CaseRangeS& r = *(it - 1);
  if (c > r.last || (c - r.first) % r.stride != 0) return c;
  return static_cast<char32_t>(static_cast<int32_t>(c) + r.diff);
}

}  // namespace

int cmn_DigitValue(char32_t c) noexcept {
  if (c <= 0x39) return c >= 0x30 ? static_cast<int>(c - 0x30) : -1;
  if (c == kIdeographicZero) return 0;
  for (const DigitRangeS& r : kDigitRanges) {
    if (c < r.first) return -1;  // the blocks are sorted
    if (c <= r.nine) return static_cast<int>(c - r.nine) + 9;
  }
  return -1;
}

char32_t cmn_ToUpper(char32_t c) noexcept {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  if (c >= kBmpEnd) return c;
  return MapCase(kUpperRanges, c);
}

char32_t cmn_ToLower(char32_t c) noexcept {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
  if (c >= kBmpEnd) return c;
  return MapCase(kLowerRanges, c);
}

bool cmn_IsLetter(char32_t c) noexcept {
  if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
  if (c >= kBmpEnd) return false;
  if (cmn_ToUpper(c) != c || cmn_ToLower(c) != c) return true;
  return std::binary_search(std::begin(kFurtherLetters), std::end(kFurtherLetters),
                            static_cast<char16_t>(c));
}

bool cmn_IsIdeograph(char32_t c) noexcept {
  return (c >= 0x3006 && c <= 0x3007) || (c >= 0x3021 && c <= 0x3029) ||
         (c >= 0x3038 && c <= 0x303A) || (c >= 0x3400 && c <= 0x4DB5) ||
         (c >= 0x4E00 && c <= 0x9FA5) || (c >= 0xF900 && c <= 0xFA2D);
}
