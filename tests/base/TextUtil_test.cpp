// Number parsing, boolean words, replacing, translating and the text hashes.
#include "base/TextUtil.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/ByteHash.h"

namespace {

StringC S(const char* utf8) {
  return StringC(utf8, StringC::CC_UTF8);
}

TEST(ToInteger, ReadsNumbersAndReportsWhereItStopped) {
  constexpr int64_t kMin = INT64_MIN;
  constexpr int64_t kMax = INT64_MAX;
  struct CaseS {
    const char* text;
    int base;
    int64_t value;
    RcT rc;
    int64_t end;
  } cases[] = {
      // Automatic base.
      {"0x1F", 0, 31, RC_OK, 4},
      {"0b101", 0, 5, RC_OK, 5},
      {"017", 0, 15, RC_OK, 3},
      {" \t42 \r\n", 0, 42, RC_OK, 7},
      {"42abc", 0, 42, RC_TOINT_TRAILING, 2},
      {"4 2", 0, 4, RC_TOINT_TRAILING, 2},
      {"0", 0, 0, RC_OK, 1},
      {"09", 0, 0, RC_TOINT_TRAILING, 1},  // octal: the reading stops at the 9
      {"010", 0, 8, RC_OK, 3},
      {"0x", 0, 0, RC_TOINT_NOT_DIGIT, 2},
      {"0b2", 0, 0, RC_TOINT_NOT_DIGIT, 2},
      // Signs and white space.
      {"-", 0, 0, RC_TOINT_NO_NUMBER, 0},
      {"  + \t", 0, 0, RC_TOINT_NO_NUMBER, 0},
      {"", 0, 0, RC_TOINT_NO_NUMBER, 0},
      {"- 12", 0, -12, RC_OK, 4},
      {"+7", 0, 7, RC_OK, 2},
      {"-0", 0, 0, RC_OK, 2},
      {"\xC2\xA0"
       "5\xC2\xA0",
       0, 5, RC_OK, 3},  // no-break spaces count as white space
      {"abc", 0, 0, RC_TOINT_NOT_DIGIT, 0},
      {"  z", 10, 0, RC_TOINT_NOT_DIGIT, 2},
      {"--1", 0, 0, RC_TOINT_NOT_DIGIT, 1},
      // Explicit bases.
      {"0x1f", 16, 31, RC_OK, 4},
      {"1f", 16, 31, RC_OK, 2},
      {"0b11", 2, 3, RC_OK, 4},
      {"0x10", 10, 0, RC_TOINT_TRAILING, 1},  // "x" selects nothing in base 10
      {"0b11", 16, 0xB11, RC_OK, 4},          // "b" is a digit in base 16
      {"zZ", 36, 35 * 36 + 35, RC_OK, 2},
      {"19", 8, 1, RC_TOINT_TRAILING, 1},
      {"1", 37, 0, RC_TOINT_BAD_BASE, 0},
      {"1", -2, 0, RC_TOINT_BAD_BASE, 0},
      // Unicode decimal digits.
      {"\xD9\xA4\xD9\xA2", 0, 42, RC_OK, 2},          // Arabic-Indic 4 2
      {"\xEF\xBC\x94\xEF\xBC\x92", 0, 42, RC_OK, 2},  // full-width 4 2
      {"\xD9\xA0x1A", 0, 26, RC_OK, 4},               // an Arabic-Indic zero starts "0x" too
      // Range.
      {"99999999999999999999", 0, 0, RC_TOINT_RANGE, 20},
      {"9223372036854775807", 0, kMax, RC_OK, 19},
      {"9223372036854775808", 0, kMin, RC_TOINT_RANGE, 19},  // 2^63 without sign
      {"-9223372036854775808", 0, kMin, RC_OK, 20},
      {"-9223372036854775809", 0, kMax, RC_TOINT_RANGE, 20},  // negated modulo 2^64
      {"18446744073709551615", 0, -1, RC_TOINT_RANGE, 20},    // 2^64 - 1: its bit pattern
      {"18446744073709551616", 0, 0, RC_TOINT_RANGE, 20},     // 2^64 does not fit
      {"0xFFFFFFFFFFFFFFFF", 0, -1, RC_TOINT_RANGE, 18},
      {"0x10000000000000000", 0, 0, RC_TOINT_RANGE, 19},
      {"-0x8000000000000000", 0, kMin, RC_OK, 19},
      {"0b"
       "1111111111111111111111111111111111111111111111111111111111111111"
       "1",
       0, 0, RC_TOINT_RANGE, 67},
      {"9223372036854775808 x", 0, kMin, RC_TOINT_RANGE, 20},  // range wins over trailing
  };
  for (const CaseS& c : cases) {
    RcT rc = 0x12345678;
    int64_t end = -99;
    const int64_t value = ToInteger(S(c.text), &rc, c.base, &end);
    EXPECT_EQ(value, c.value) << '"' << c.text << "\" base " << c.base;
    EXPECT_EQ(rc, c.rc) << '"' << c.text << "\" base " << c.base;
    EXPECT_EQ(end, c.end) << '"' << c.text << "\" base " << c.base;
  }
  EXPECT_EQ(ToInteger(S("12")), 12);  // result and end are optional
}

TEST(IsTrueWord, AcceptsOnlyTheWholeWords) {
  struct CaseS {
    const char* text;
    bool want;
  } cases[] = {
      {"on", true},
      {"Enabled", true},
      {"t", true},
      {"1", true},
      {"TRUE", true},
      {"yes", true},
      {"Ok", true},
      {"active", true},
      {"y", false},
      {"true ", false},
      {"", false},
      {"0", false},
      {"enable", false},
      {"truest", false},
      {"O\xE2\x84\xAA", true},  // KELVIN SIGN is a K ignoring case
  };
  for (const CaseS& c : cases) EXPECT_EQ(IsTrueWord(S(c.text)), c.want) << '"' << c.text << '"';
}

TEST(ReplaceText, ReplacesFromTheStartOnwards) {
  struct CaseS {
    const char* text;
    const char* what;
    const char* with;
    bool all;
    int64_t start;
    bool ignore_case;
    const char* want;
  } cases[] = {
      {"a-b-c", "-", "+", false, -1, false, "a+b-c"},
      {"a-b-c", "-", "+", true, -1, false, "a+b+c"},
      {"a-b-c", "-", "+", true, 1, false, "a-b+c"},  // the search begins after position 1
      {"aaa", "aa", "a", true, -1, false, "aa"},     // goes on behind the replacement
      {"aXa", "a", "aa", true, -1, false, "aaXaa"},  // never rereads what it inserted
      {"x", "", "y", true, -1, false, "x"},
      {"abc", "zz", "y", true, -1, false, "abc"},
      {"Gr\xC3\x9C\xC3\x9F"
       "e gr\xC3\xBC\xC3\x9F"
       "e",
       "gr\xC3\xBC\xC3\x9F"
       "e",
       "hi", true, -1, true, "hi hi"},
      {"\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9", "\xC3\xA9", "e", true, 0, false, "\xC3\xA9te ete"},
      {"$(A)$(a)", "$(A)", "1", true, -1, false, "1$(a)"},
  };
  for (const CaseS& c : cases) {
    EXPECT_EQ(ReplaceText(S(c.text), S(c.what), S(c.with), c.all, c.start, c.ignore_case).ToUtf8(),
              c.want)
        << c.text << " / " << c.what;
  }
  const StringC unchanged = S("keep");
  EXPECT_EQ(ReplaceText(unchanged, S("x"), S("y"), true).Body(), unchanged.Body());
}

TEST(TranslateChars, MapsByPosition) {
  struct CaseS {
    const char* text;
    const char* from;
    const char* to;
    bool all;
    const char* want;
  } cases[] = {
      {"a\\b\\c", "\\", "/", true, "a/b/c"},
      {"a\\b\\c", "\\", "/", false, "a/b\\c"},
      {"abc", "abc", "xy", true, "xyc"},  // "c" has no partner: from is cut to "ab"
      {"abc", "", "xyz", true, "abc"},
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t", "e\xE2\x82\xAC", true,
       "e\xE2\x82\xAC"
       "e"},
      {"aba", "aa", "xy", true, "xbx"},  // the first position of a character counts
  };
  for (const CaseS& c : cases) {
    EXPECT_EQ(TranslateChars(S(c.text), S(c.from), S(c.to), c.all).ToUtf8(), c.want) << c.text;
  }
}

TEST(RemoveChar, DropsEveryOccurrence) {
  EXPECT_EQ(RemoveChar(S("a,b,,c"), ',').ToUtf8(), "abc");
  EXPECT_EQ(RemoveChar(S("\xC3\xA9t\xC3\xA9"), U'\u00E9').ToUtf8(), "t");
  EXPECT_EQ(RemoveChar(S("\xC3\xA9t\xC3\xA9"), 't').ToUtf8(), "\xC3\xA9\xC3\xA9");
  EXPECT_EQ(RemoveChar(S("xxx"), 'x').Body(), StringC().Body());
  const StringC none = S("abc");
  EXPECT_EQ(RemoveChar(none, 'z').Body(), none.Body());
}

// Reference values computed independently of this code base.
TEST(Hashes, KnownValues) {
  struct BytesS {
    const char* text;
    uint32_t bytes_hash, cstring_hash;
  } bytes[] = {
      {"", 0x0, 0x0},
      {"a", 0x08f9e1da, 0x08f9e1da},
      {"abcd", 0x405c1009, 0xf04b03ce},
      {"abcde", 0xef058d01, 0x1436827e},
      {"Hello, world", 0xeb0c375b, 0xea33ed52},
      {"Gr\xC3\xBC\xC3\x9F"
       "e",
       0x767ae0f6, 0xaef76262},
  };
  for (const BytesS& b : bytes) {
    EXPECT_EQ(HashBytes(b.text, std::char_traits<char>::length(b.text)), b.bytes_hash) << b.text;
    EXPECT_EQ(HashCString(b.text), b.cstring_hash) << b.text;
    EXPECT_EQ(HashText(S(b.text)), b.bytes_hash) << b.text;
  }
  EXPECT_EQ(HashCString(nullptr), HashCString(""));

  struct NoCaseS {
    const char* text;
    uint32_t hash;
  } no_case[] = {
      {"", 0x0},
      {"a", 0xca2e9442},
      {"Key", 0xe9806307},
      {"KEY", 0xe9806307},
      {"gr\xC3\xBC\xC3\x9F"
       "e",
       0x9ef1e5e0},
      {"GR\xC3\x9C\xC3\x9F"
       "E",
       0x9ef1e5e0},
  };
  for (const NoCaseS& n : no_case) EXPECT_EQ(HashTextNoCase(S(n.text)), n.hash) << n.text;
  EXPECT_EQ(HashTextNoCase(S("o\xE2\x84\xAA")), HashTextNoCase(S("OK")));  // KELVIN SIGN
}

}  // namespace
