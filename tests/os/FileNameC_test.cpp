#include "os/FileNameC.h"

#include <gtest/gtest.h>

#include <string>

#include "base/StringArrayC.h"
#include "tests/testing/StringHelpers.h"

namespace {

using qlmtest::S;

std::string U(const StringC& s) {
  return s.ToUtf8();
}

struct CanonicalCase {
  const char* input;
  const char* text;
  bool absolute;
  int64_t components;
};

TEST(FileNameC, CanonicalForm) {
  const CanonicalCase cases[] = {
      {"///usr//lib/", "usr/lib", true, 2},
      {"/", "", true, 0},
      {"////", "", true, 0},
      {"", "", false, 0},
      {"a", "a", false, 1},
      {"a/", "a", false, 1},
      {"a//b///c", "a/b/c", false, 3},
      {"./x", "./x", false, 2},
      {"/opt/x/", "opt/x", true, 2},
      {"/caf\xC3\xA9//\xE2\x82\xAC/", "caf\xC3\xA9/\xE2\x82\xAC", true, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    FileNameC name(S(c.input));
    EXPECT_EQ(U(name.GetText()), c.text);
    EXPECT_EQ(name.IsAbsolute(), c.absolute);
    EXPECT_EQ(name.GetComponentCount(), c.components);
    EXPECT_EQ(U(name.GetFullText()), std::string(c.absolute ? "/" : "") + c.text);
    // Canonicalising a canonical full text changes nothing.
    EXPECT_EQ(FileNameC(name.GetFullText()), name);
  }
  FileNameC root("/");
  EXPECT_TRUE(root.IsRoot());
  EXPECT_FALSE(FileNameC("").IsRoot());
  EXPECT_TRUE(FileNameC("").IsEmpty());
  EXPECT_FALSE(FileNameC("/a").IsRoot());
}

TEST(FileNameC, Join) {
  struct {
    const char* dir;
    const char* name;
    const char* full;
  } cases[] = {
      {"/opt/x", "bin/y", "/opt/x/bin/y"},
      {"/opt/x", "/bin/y", "/opt/x/bin/y"},
      {"/opt/x/", "/bin/y", "/opt/x/bin/y"},
      {"/opt//x", "bin//y/", "/opt/x/bin/y"},
      {".", "/bin/y", "bin/y"},
      {".", "", ""},
      {"", "/bin/y", "/bin/y"},
      {"", "bin", "bin"},
      {"/", "etc", "/etc"},
      {"a", "", "a"},
      {"a", "///", "a"},
      {"./", "b", "./b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.dir) + " + " + c.name);
    EXPECT_EQ(U(FileNameC(S(c.dir), S(c.name)).GetFullText()), c.full);
    FileNameC dir(S(c.dir));
    // The FileNameC form joins the directory's full text, which for "." is "." and for "./"
    // is "." as well.
    if (std::string(c.dir) != "./") {
      EXPECT_EQ(U(FileNameC(&dir, S(c.name)).GetFullText()), c.full);
    }
  }
  EXPECT_TRUE(FileNameC(static_cast<const FileNameC*>(nullptr), S("x")).IsEmpty());
  EXPECT_FALSE(FileNameC(S("/opt/x"), S("bin/y")).IsEmpty());
}

TEST(FileNameC, FromComponents) {
  StringArrayC parts{S("a"), S(""), S("b/"), S("//c")};
  FileNameC name(parts);
  EXPECT_FALSE(name.IsAbsolute());
  EXPECT_EQ(U(name.GetText()), "a/b/c");
  EXPECT_TRUE(FileNameC(StringArrayC{}).IsEmpty());
}

TEST(FileNameC, Components) {
  FileNameC name("/usr/local/lib");
  EXPECT_EQ(U(name.GetComponent(0)), "usr");
  EXPECT_EQ(U(name.GetComponent(2)), "lib");
  EXPECT_EQ(U(name.GetComponent(3)), "");
  EXPECT_EQ(U(name.GetComponent(-1)), "");
  EXPECT_EQ(U(FileNameC("a/b").GetComponent(5)), "");

  struct {
    int64_t first;
    int64_t count;
    const char* joined;  // null: no array
  } cases[] = {
      {0, -1, "usr|local|lib"}, {1, 1, "local"}, {1, 5, "local|lib"}, {-3, 2, "usr|local"},
      {7, -1, "lib"},           {2, -5, "lib"},  {0, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + "," + std::to_string(c.count));
    auto parts = name.GetComponents(c.first, c.count);
    if (c.joined == nullptr) {
      EXPECT_EQ(parts, nullptr);
      continue;
    }
    ASSERT_NE(parts, nullptr);
    std::string joined;
    for (uint64_t i = 0; i < parts->Count(); ++i) joined += (i ? "|" : "") + U((*parts)[i]);
    EXPECT_EQ(joined, c.joined);
  }
  auto none = FileNameC("/").GetComponents(0, -1);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->Count(), 0u);
}

TEST(FileNameC, BaseNameDirectoryAndSuffix) {
  EXPECT_EQ(U(FileNameC("a/b/file.tmp").GetBaseName(S(".tmp"))), "file");
  EXPECT_EQ(U(FileNameC("a/b/file.TMP").GetBaseName(S(".tmp"))), "file.TMP");
  EXPECT_EQ(U(FileNameC("a/b/file.tmp").GetBaseName()), "file.tmp");
  EXPECT_EQ(U(FileNameC("file").GetBaseName()), "file");
  EXPECT_EQ(U(FileNameC("/").GetBaseName()), "");
  EXPECT_EQ(U(FileNameC("x.tar.gz").GetBaseName(S(".gz"))), "x.tar");

  struct {
    const char* name;
    const char* dir;
  } dirs[] = {{"/opt/x/bin", "/opt/x"}, {"opt/x", "opt"}, {"file", ""},
              {"/file", "/"},           {"/", "/"},       {"", ""}};
  for (const auto& c : dirs) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(U(FileNameC(c.name).GetDirectory()), c.dir);
  }
  EXPECT_TRUE(FileNameC("/file").GetDirectoryName().IsRoot());

  struct {
    const char* text;
    const char* suffix;
    const char* result;
  } strips[] = {{"abc.txt", ".txt", "abc"}, {"abc.txt", ".TXT", "abc.txt"},
                {"abc.txt", "", "abc.txt"}, {"t", "longer", "t"},
                {"same", "same", ""},       {"\xC3\xA9t\xC3\xA9", "t\xC3\xA9", "\xC3\xA9"}};
  for (const auto& c : strips) {
    StringC text = S(c.text);
    FileNameC::StripSuffix(text, S(c.suffix));
    EXPECT_EQ(U(text), c.result) << c.text << " - " << c.suffix;
  }
}

TEST(FileNameC, StartsWith) {
  struct {
    const char* name;
    const char* prefix;
    bool expected;
  } cases[] = {
      {"/opt/x/bin", "/opt/x", true},
      {"/opt/x/bin", "opt/x", false},
      {"/opt/x/bin", "/opt/xy", false},
      {"/opt/xy/bin", "/opt/x", false},
      {"/opt/x", "/opt/x", true},
      {"/opt/x", "/opt/x/bin", false},
      {"/opt", "/", true},
      {"opt", "", true},
      {"opt", "/", false},
      {"/Opt/x", "/opt", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileNameC(c.name).StartsWith(FileNameC(c.prefix)), c.expected)
        << c.name << " starts with " << c.prefix;
  }
}

TEST(FileNameC, Normalise) {
  struct {
    const char* name;
    const char* normalised;
  } cases[] = {
      {"a/./b/../c", "a/c"},
      {"x/..", "."},
      {"a", "a"},
      {"a/.", "a"},
      {"a/b/..", "a"},
      {".", "."},
      {"./.", "."},
      {"", ""},
      {"..", ".."},
      {"../..", "../.."},
      {"a/../../b", "../b"},
      {"/x/..", "/"},
      {"/..", "/"},
      {"/../etc/./passwd", "/etc/passwd"},
      {"/a/b/../../..", "/"},
      {"/", "/"},
      {"a/b/c/../../d", "a/d"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(U(FileNameC(c.name).GetNormalised()), c.normalised) << c.name;
  }
}

struct MatchCase {
  const char* text;
  const char* pattern;
  bool sensitive;
  bool insensitive;
};

TEST(FileNameC, Match) {
  const MatchCase cases[] = {
      {"Report.TXT", "*.txt", false, true},
      {"abc", "a?c", true, true},
      {"ac", "a?c", false, false},
      {"", "", true, true},
      {"", "*", true, true},
      {"", "**", true, true},
      {"", "?", false, false},
      {"a", "", false, false},
      {"abc", "*", true, true},
      {"abc", "a*", true, true},
      {"abc", "*c", true, true},
      {"abc", "*b*", true, true},
      {"abc", "*d*", false, false},
      {"aaab", "*a*b", true, true},
      {"mississippi", "m*iss*ppi", true, true},
      {"mississippi", "m*iss*x", false, false},
      {"abcabd", "*abd", true, true},
      {"a*b", "a\\*b", false, false},  // no escapes: "\\" is an ordinary character
      {"x.tar.gz", "*.gz", true, true},
      {"x.tar.gz", "*.tar", false, false},
      {"\xC3\xA9t\xC3\xA9", "?t?", true, true},                 // one character, two bytes
      {"\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9", false, true},  // case folding beyond ASCII
      {"ab", "a**b", true, true},
      {"ab", "?*?", true, true},
      {"a", "?*?", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " ~ " + c.pattern);
    EXPECT_EQ(FileNameC::Match(S(c.text), S(c.pattern), true), c.sensitive);
    EXPECT_EQ(FileNameC::Match(S(c.text), S(c.pattern), false), c.insensitive);
  }
  EXPECT_TRUE(FileNameC("/var/log/app.log").MatchBaseName(S("*.log")));
  EXPECT_FALSE(FileNameC("/var/log.d/app").MatchBaseName(S("*.d*")));
}

TEST(FileNameC, MatchManyStarsStaysPolynomial) {
  // With backtracking to every star this would take exponential time.
  const std::string text(10000, 'a');
  std::string pattern;
  for (int i = 0; i < 50; ++i) pattern += "*a";
  pattern += "*b";
  EXPECT_FALSE(FileNameC::Match(std::string_view(text), std::string_view(pattern), true));
  EXPECT_TRUE(FileNameC::Match(std::string_view(text + "b"), std::string_view(pattern), true));
  EXPECT_FALSE(FileNameC::Match(std::string_view(text), std::string(50, '*') + "b", false));
}

TEST(FileNameC, CopiesAreIndependentValues) {
  FileNameC a("/opt/x");
  FileNameC b = a;
  b = FileNameC(b, S("y"));
  EXPECT_EQ(U(a.GetFullText()), "/opt/x");
  EXPECT_EQ(U(b.GetFullText()), "/opt/x/y");
  EXPECT_NE(a, b);
  EXPECT_NE(FileNameC("/a"), FileNameC("a"));
}

}  // namespace
