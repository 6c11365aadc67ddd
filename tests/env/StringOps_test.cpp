// Switch words, quotes, escaping and the temporary directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "env/env_StringOps.h"
#include "env/env_TempDirectory_posix.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/StringHelpers.h"

namespace {

using qlmtest::S;

TEST(StringOpsTest, ParseBool) {
  struct CaseS {
    const char* text;
    bool fallback;
    bool expected;
  } cases[] = {
      {"True", false, true},   {"TRUE", false, true}, {"yes", false, true}, {"YeS", false, true},
      {"False", true, false},  {"no", true, false},   {"NO", true, false},  {"1", false, false},
      {"0", true, true},       {"on", false, false},  {"Tru", true, true},  {"Truex", false, false},
      {" True", false, false}, {"", true, true},      {"", false, false},   {"Yes ", false, false}};
  for (const CaseS& c : cases) {
    EXPECT_EQ(ParseBool(S(c.text), c.fallback), c.expected) << '"' << c.text << '"';
  }
  EXPECT_EQ(BoolToString(true).ToUtf8(), "True");
  EXPECT_EQ(BoolToString(false).ToUtf8(), "False");
}

TEST(StringOpsTest, StripQuotes) {
  struct CaseS {
    const char* text;
    const char* expected;
  } cases[] = {{"\"Ubuntu 22.04\"", "Ubuntu 22.04"},
               {"\"a\"b\"c", "a\"b"},
               {"\"open", "open"},
               {"\"", ""},
               {"\"\"", ""},
               {"plain", "plain"},
               {"mid\"dle\"", "mid\"dle\""},
               {"", ""}};
  for (const CaseS& c : cases) EXPECT_EQ(StripQuotes(S(c.text)).ToUtf8(), c.expected) << c.text;
}

TEST(StringOpsTest, EscapeEncodeReplace) {
  EXPECT_EQ(EscapeChars(S("a b;c"), S(" ;"), U'\\').ToUtf8(), "a\\ b\\;c");
  EXPECT_EQ(EscapeChars(S("none"), S(" "), U'\\').ToUtf8(), "none");
  EXPECT_EQ(EncodeChars(S("a b/\xc3\xa9"), S(" /\xc3\xa9"), U'%').ToUtf8(), "a%20b%2f%e9");
  EXPECT_EQ(ReplaceRange(S("abcdef"), 1, 2, S("XY Z")).ToUtf8(), "aXY Zdef");
  EXPECT_EQ(ReplaceRange(S("abc"), 2, -1, S("!")).ToUtf8(), "ab!");
  EXPECT_EQ(ReplaceRange(S("abc"), 9, 4, S("!")).ToUtf8(), "abc!");
  EXPECT_EQ(IntToText(-42).ToUtf8(), "-42");
}

TEST(TempEnvTest, FirstNonEmptyOfTmpTempTmpdir) {
  static constexpr const char* kNames[3] = {"TMP", "TEMP", "TMPDIR"};
  qlmtest::ScopedEnvC env;
  struct CaseS {
    const char* tmp;  // null: unset
    const char* temp;
    const char* tmpdir;
    const char* expected;
  } cases[] = {{"/t1", "/t2", "/t3", "/t1"},
               {"", "/t2", "/t3", "/t2"},
               {nullptr, nullptr, "/t3", "/t3"},
               {"", "", "", ""},
               {nullptr, nullptr, nullptr, ""}};
  for (const CaseS& c : cases) {
    const char* values[3] = {c.tmp, c.temp, c.tmpdir};
    for (int i = 0; i < 3; ++i) env.Set(kNames[i], values[i]);
    EXPECT_EQ(GetTempDirectory().ToUtf8(), c.expected);
  }
}

}  // namespace
