#include "registry/ZelStringC.h"

#include <gtest/gtest.h>

#include <string>

#include "base/StringC.h"

namespace {

TEST(ZelStringCTest, Construction) {
  EXPECT_STREQ(ZelStringC().c_str(), "");
  EXPECT_EQ(ZelStringC().Capacity(), 0u);
  EXPECT_STREQ(ZelStringC('x').c_str(), "x");
  EXPECT_TRUE(ZelStringC('\0').IsEmpty());
  EXPECT_TRUE(ZelStringC(static_cast<const char*>(nullptr)).IsEmpty());
  EXPECT_STREQ(ZelStringC(StringC::FromUtf8("gr\xC3\xBC\xC3\x9F")).c_str(), "gr\xC3\xBC\xC3\x9F");
  ZelStringC a("abc");
  ZelStringC b(a);
  b += 'd';
  EXPECT_STREQ(a.c_str(), "abc");  // copies are independent
  EXPECT_STREQ(b.c_str(), "abcd");
  ZelStringC moved(std::move(b));
  EXPECT_STREQ(moved.c_str(), "abcd");
  a = moved;
  EXPECT_EQ(a, moved);
  a = "zz";
  EXPECT_STREQ(a.c_str(), "zz");
  a = a.c_str() + 1;  // assigning a tail of its own text
  EXPECT_STREQ(a.c_str(), "z");
  EXPECT_STREQ((ZelStringC("ab") + ZelStringC("cd")).c_str(), "abcd");
}

TEST(ZelStringCTest, AppendingGrowsByTheRule) {
  // Capacity after each step: larger of twice the old one and (n & ~7) + 8.
  struct Step {
    const char* append;
    size_t length;
    size_t capacity;
  };
  const Step steps[] = {
      {"a", 1, 8},   {"bcdefg", 7, 8},     {"h", 8, 16},
      {"", 8, 16},   {"12345678", 16, 32}, {"0123456789abcdef", 32, 64},
      {"x", 33, 64},
  };
  ZelStringC s;
  std::string expected;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.append);
    s += step.append;
    expected += step.append;
    EXPECT_EQ(s.Length(), static_cast<int64_t>(step.length));
    EXPECT_EQ(s.Capacity(), step.capacity);
    EXPECT_EQ(s.c_str(), expected);
  }
  // A long text at once: (40 & ~7) + 8 wins over twice nothing.
  EXPECT_EQ(ZelStringC(std::string(40, 'q').c_str()).Capacity(), 48u);
  // Emptying keeps the buffer.
  s.Empty();
  EXPECT_STREQ(s.c_str(), "");
  EXPECT_EQ(s.Capacity(), 64u);
}

TEST(ZelStringCTest, AppendingNulOrNothingLeavesTheStringUnchanged) {
  ZelStringC s("abc");
  s += '\0';
  s += static_cast<const char*>(nullptr);
  EXPECT_STREQ(s.c_str(), "abc");
  EXPECT_EQ(s.Length(), 3);
  s += s;  // appending itself
  EXPECT_STREQ(s.c_str(), "abcabc");
  s += s.c_str() + 4;
  EXPECT_STREQ(s.c_str(), "abcabcbc");
}

TEST(ZelStringCTest, Searches) {
  const ZelStringC s("a.b:c.d:e");
  struct CharCase {
    char c;
    int64_t first;
    int64_t last;
  };
  const CharCase chars[] = {{'.', 1, 5}, {':', 3, 7},   {'a', 0, 0},
                            {'e', 8, 8}, {'z', -1, -1}, {'\0', -1, -1}};
  for (const CharCase& c : chars) {
    EXPECT_EQ(s.Find(c.c), c.first) << c.c;
    EXPECT_EQ(s.FindLast(c.c), c.last) << c.c;
  }
  struct TextCase {
    const char* text;
    int64_t start;
    int64_t found;
  };
  const TextCase texts[] = {{"b:c", 0, 2}, {"d:", 0, 6},         {":", 4, 7},  {":", 8, -1},
                            {"", 3, 3},    {"", 9, 9},           {"x", 0, -1}, {"a", -1, -1},
                            {"a", 10, -1}, {"a.b:c.d:e!", 0, -1}};
  for (const TextCase& t : texts) {
    EXPECT_EQ(s.Find(ZelStringC(t.text), t.start), t.found) << t.text << " from " << t.start;
  }
  EXPECT_EQ(ZelStringC().Find('a'), -1);
  EXPECT_EQ(ZelStringC().FindLast('a'), -1);
}

TEST(ZelStringCTest, Substrings) {
  const ZelStringC s("component");
  struct Case {
    int64_t position;
    int64_t count;
    const char* expected;
  };
  const Case cases[] = {{0, -1, "component"}, {3, 3, "pon"}, {4, -1, "onent"}, {6, 100, "ent"},
                        {9, -1, ""},          {10, 1, ""},   {-1, 2, ""},      {2, 0, ""}};
  for (const Case& c : cases) {
    EXPECT_STREQ(s.Substring(c.position, c.count).c_str(), c.expected)
        << c.position << "," << c.count;
  }
}

TEST(ZelStringCTest, Orderings) {
  struct Case {
    const char* a;
    const char* b;
    int order;
  };
  const Case cases[] = {{"abc", "abc", 0},
                        {"abc", "abd", -1},
                        {"ab", "abc", -1},
                        {"", "a", -1},
                        {"", "", 0},
                        {"b", "abc", 1},
                        // Bytes compare unsigned: a byte above 0x7F orders after ASCII.
                        {"\xC3\xA9", "z", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    const ZelStringC a(c.a), b(c.b);
    EXPECT_EQ(a == b, c.order == 0);
    EXPECT_EQ(a != b, c.order != 0);
    EXPECT_EQ(a < b, c.order < 0);
    EXPECT_EQ(a <= b, c.order <= 0);
    EXPECT_EQ(a > b, c.order > 0);
    EXPECT_EQ(a >= b, c.order >= 0);
    EXPECT_EQ(b<a, c.order> 0);
  }
}

}  // namespace
