// Checks the Unicode tables against ICU (built from the same Unicode version) over the whole
// Basic Multilingual Plane, plus the structure of the generated tables that the lookups rely on.
#include "cmn/cmn_Unicode.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Same layout as in cmn_Unicode.cpp, so the generated tables can be inspected here directly.
struct CaseRangeS {
  uint16_t first;
  uint16_t last;
  int32_t diff;
  uint8_t stride;
};
#include "cmn/cmn_UnicodeTables.inc"

constexpr char32_t kBmpEnd = 0x10000;
// Beyond the BMP the tables have nothing: no mapping, no letter, no digit.
constexpr char32_t kOutsideBmp[] = {0x10000, 0x10400,  0x10428,  0x1D400,   0x1E900,
                                    0x20000, 0x10FFFF, 0x110000, 0xFFFFFFFF};

std::string Hex(char32_t c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
  return buf;
}

// Collects disagreements and reports the first few, so one bad range does not produce
// thousands of failure lines.
class MismatchListC {
 public:
  void Add(std::string what) {
    if (list_.size() < 20) list_.push_back(std::move(what));
    ++count_;
  }
  void ExpectNone() const {
    std::string text;
    for (const std::string& s : list_) text += "  " + s + "\n";
    EXPECT_EQ(count_, 0u) << text;
  }

 private:
  std::vector<std::string> list_;
  size_t count_ = 0;
};

bool IcuIsCasedLetter(char32_t c) {
  const int8_t type = u_charType(static_cast<UChar32>(c));
  return type == U_UPPERCASE_LETTER || type == U_LOWERCASE_LETTER || type == U_TITLECASE_LETTER;
}

TEST(UnicodeCase, MappingsMatchIcuOverBmp) {
  MismatchListC bad;
  for (char32_t c = 0; c < kBmpEnd; ++c) {
    const auto icu_upper = static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
    const auto icu_lower = static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
    if (cmn_ToUpper(c) != icu_upper)
      bad.Add("upper " + Hex(c) + ": " + Hex(cmn_ToUpper(c)) + " vs ICU " + Hex(icu_upper));
    if (cmn_ToLower(c) != icu_lower)
      bad.Add("lower " + Hex(c) + ": " + Hex(cmn_ToLower(c)) + " vs ICU " + Hex(icu_lower));
  }
  bad.ExpectNone();
}

TEST(UnicodeCase, SpotValuesAroundTableEntries) {
  struct CaseT {
    char32_t c, upper, lower;
  };
  const CaseT cases[] = {
      {'a', 'A', 'a'},          {'Z', 'Z', 'z'},          {'@', '@', '@'},
      {'[', '[', '['},          {0x00B5, 0x039C, 0x00B5},  // micro sign
      {0x00D7, 0x00D7, 0x00D7},  // multiplication sign between two lower-case ranges
      {0x00F7, 0x00F7, 0x00F7},  // division sign between two upper-case ranges
      {0x00FF, 0x0178, 0x00FF}, {0x0100, 0x0100, 0x0101}, {0x0101, 0x0100, 0x0101},
      {0x0130, 0x0130, 0x0069},  // dotted capital I lower-cases to plain i
      {0x0131, 0x0049, 0x0131},  // dotless i upper-cases to plain I
      {0x01C5, 0x01C4, 0x01C6},  // title-case digraph maps both ways
      {0x1E9E, 0x1E9E, 0x00DF}, {0x00DF, 0x00DF, 0x00DF}, {0x2126, 0x2126, 0x03C9},
      {0x1D79, 0xA77D, 0x1D79}, {0xFF41, 0xFF21, 0xFF41}, {0xFF3A, 0xFF3A, 0xFF5A},
      {0xFFFF, 0xFFFF, 0xFFFF},
  };
  for (const CaseT& t : cases) {
    EXPECT_EQ(cmn_ToUpper(t.c), t.upper) << Hex(t.c);
    EXPECT_EQ(cmn_ToLower(t.c), t.lower) << Hex(t.c);
  }
  for (char32_t c : kOutsideBmp) {
    EXPECT_EQ(cmn_ToUpper(c), c) << Hex(c);
    EXPECT_EQ(cmn_ToLower(c), c) << Hex(c);
  }
}

// The lookups halve the tables, which is only sound when they are sorted and no range's span
// reaches into the next one.
template <size_t N>
void ExpectWellFormed(const CaseRangeS (&table)[N], const char* name) {
  SCOPED_TRACE(name);
  for (size_t i = 0; i < N; ++i) {
    const CaseRangeS& r = table[i];
    EXPECT_LE(r.first, r.last) << i;
    EXPECT_TRUE(r.stride == 1 || r.stride == 2) << i;
    EXPECT_EQ((r.last - r.first) % r.stride, 0) << i;
    EXPECT_NE(r.diff, 0) << i;
    if (i > 0) {
      EXPECT_LT(table[i - 1].last, r.first) << i;
    }
  }
}

// Every code point a range covers maps by the range's difference exactly as ICU maps it: the
// tables themselves are right, whatever the lookup over them does.
template <size_t N>
void ExpectEntriesAgreeWithIcu(const CaseRangeS (&table)[N], UChar32 (*icu)(UChar32),
                               const char* name) {
  MismatchListC bad;
  for (size_t i = 0; i < N; ++i) {
    const CaseRangeS& r = table[i];
    for (uint32_t c = r.first; c <= r.last; c += r.stride) {
      const auto mapped = static_cast<char32_t>(static_cast<int32_t>(c) + r.diff);
      const auto expected = static_cast<char32_t>(icu(static_cast<UChar32>(c)));
      if (mapped != expected) {
        bad.Add(std::string(name) + " entry " + std::to_string(i) + " " + Hex(c) + ": " +
                Hex(mapped) + " vs ICU " + Hex(expected));
      }
    }
  }
  bad.ExpectNone();
}

TEST(UnicodeCase, GeneratedTablesAreSortedAndEveryEntryAgreesWithIcu) {
  ExpectWellFormed(kUpperRanges, "upper");
  ExpectWellFormed(kLowerRanges, "lower");
  ExpectEntriesAgreeWithIcu(kUpperRanges, &u_toupper, "upper");
  ExpectEntriesAgreeWithIcu(kLowerRanges, &u_tolower, "lower");

  for (size_t i = 1; i < std::size(kFurtherLetters); ++i) {
    EXPECT_LT(kFurtherLetters[i - 1], kFurtherLetters[i]) << i;
  }
}

TEST(UnicodeLetter, MatchesMappingsOrCasedCategoryOverBmp) {
  MismatchListC bad;
  for (char32_t c = 0; c < kBmpEnd; ++c) {
    const auto u = static_cast<UChar32>(c);
    const bool expected = static_cast<char32_t>(u_toupper(u)) != c ||
                          static_cast<char32_t>(u_tolower(u)) != c || IcuIsCasedLetter(c);
    if (cmn_IsLetter(c) != expected)
      bad.Add("letter " + Hex(c) + " expected " + (expected ? "true" : "false"));
  }
  bad.ExpectNone();
  for (char32_t c : kOutsideBmp) EXPECT_FALSE(cmn_IsLetter(c)) << Hex(c);
}

// The decimal digits the classification knows: blocks given by first code point and digit
// nine, plus the ideographic zero.
struct DigitBlockT {
  char32_t first, nine;
};
constexpr DigitBlockT kDigitBlocks[] = {
    {0x0030, 0x0039}, {0x0660, 0x0669}, {0x06F0, 0x06F9}, {0x0966, 0x096F}, {0x09E6, 0x09EF},
    {0x0A66, 0x0A6F}, {0x0AE6, 0x0AEF}, {0x0B66, 0x0B6F}, {0x0BE7, 0x0BEF}, {0x0C66, 0x0C6F},
    {0x0CE6, 0x0CEF}, {0x0D66, 0x0D6F}, {0x0E50, 0x0E59}, {0x0ED0, 0x0ED9}, {0x0F20, 0x0F29},
    {0x1040, 0x1049}, {0x1369, 0x1371}, {0x17E0, 0x17E9}, {0x1810, 0x1819}, {0x3021, 0x3029},
    {0xFF10, 0xFF19},
};
constexpr char32_t kIdeographicZero = 0x3007;

bool InDigitBlock(char32_t c) {
  if (c == kIdeographicZero) return true;
  for (const DigitBlockT& b : kDigitBlocks)
    if (c >= b.first && c <= b.nine) return true;
  return false;
}

TEST(UnicodeDigit, ListedBlocksCarryTheirNumericValueAndNothingElseIsADigit) {
  MismatchListC bad;
  size_t digits = 0;
  for (char32_t c = 0; c < kBmpEnd; ++c) {
    // ICU's numeric value is the independent reference; it also covers the Ethiopic and
    // Hangzhou blocks, whose numeric type is not "decimal".
    const int expected =
        InDigitBlock(c) ? static_cast<int>(u_getNumericValue(static_cast<UChar32>(c))) : -1;
    if (cmn_DigitValue(c) != expected)
      bad.Add("digit " + Hex(c) + ": " + std::to_string(cmn_DigitValue(c)) + " expected " +
              std::to_string(expected));
    if (cmn_IsDigit(c) != (expected >= 0)) bad.Add("is-digit " + Hex(c));
    if (expected >= 0) ++digits;
  }
  bad.ExpectNone();
  // 21 blocks of ten, less the three that start at one (Tamil, Ethiopic, Hangzhou), plus the
  // ideographic zero.
  EXPECT_EQ(digits, 21u * 10 - 3 + 1);

  const struct {
    char32_t c;
    int value;
  } spots[] = {{'0', 0},     {'9', 9},    {'/', -1},   {':', -1},    {0x0BE6, -1}, {0x0BE7, 1},
               {0x1368, -1}, {0x1369, 1}, {0x1371, 9}, {0x1372, -1}, {0x3007, 0},  {0x3021, 1},
               {0x3029, 9},  {0xFF10, 0}, {0xFF19, 9}, {0x0CE6, 0}};
  for (const auto& s : spots) EXPECT_EQ(cmn_DigitValue(s.c), s.value) << Hex(s.c);
  for (char32_t c : kOutsideBmp) EXPECT_EQ(cmn_DigitValue(c), -1) << Hex(c);
}

TEST(UnicodeIdeograph, RangeBoundariesAndAgreementWithIcu) {
  const struct {
    char32_t c;
    bool ideograph;
  } cases[] = {
      {0x3005, false},  {0x3006, true},      {0x3007, true},  {0x3008, false}, {0x3020, false},
      {0x3021, true},   {0x3029, true},      {0x302A, false}, {0x3037, false}, {0x3038, true},
      {0x303A, true},   {0x303B, false},     {0x33FF, false}, {0x3400, true},  {0x4DB5, true},
      {0x4DB6, false},  {0x4DFF, false},     {0x4E00, true},  {0x9FA5, true},  {0x9FA6, false},
      {0xF8FF, false},  {0xF900, true},      {0xFA2D, true},  {0xFA2E, false}, {'A', false},
      {0x20000, false}, {0xFFFFFFFF, false},
  };
  for (const auto& t : cases) EXPECT_EQ(cmn_IsIdeograph(t.c), t.ideograph) << Hex(t.c);

  // Every code point in the ranges is an ideograph by ICU's reckoning too.
  MismatchListC bad;
  for (char32_t c = 0; c < kBmpEnd; ++c) {
    if (cmn_IsIdeograph(c) && !u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_IDEOGRAPHIC))
      bad.Add("ideograph " + Hex(c));
  }
  bad.ExpectNone();
}

}  // namespace
