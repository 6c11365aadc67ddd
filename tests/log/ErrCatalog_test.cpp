#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/StringC.h"
#include "cmn/cmn_CatalogFileC.h"
#include "cmn/cmn_LocaleC.h"
#include "log/CatalogWriterC.h"
#include "log/ErrCatalogC.h"
#include "tests/log/LogTestSupport.h"

namespace {

namespace fs = std::filesystem;

using logtest::ScopedEnvC;
using logtest::TempDirC;
using logtest::WriteFile;

StringC Path(const std::string& path) {
  return StringC::FromUtf8(path);
}

struct LookupS {
  std::string text;
  int severity = -1;
  bool found = false;
};

LookupS Get(const ErrCatalogC& catalog, uint32_t number, const char* default_text,
            ErrConditionsT conditions = 0) {
  LookupS result;
  StringC text;
  result.found = catalog.GetMessage(&text, &result.severity, number, default_text, conditions);
  result.text = text.ToUtf8();
  return result;
}

constexpr const char* kInstallingDefault =
    "\x01\x01i\x01Installing merged deployment policy '%1$s'";

TEST(CatalogWriterTest, SourceRoundTripsThroughTheReader) {
  TempDirC dir;
  CatalogWriterC writer;
  std::string error;
  const std::string source =
      "\xEF\xBB\xBF# messages of the policy client\r\n"
      "0xE1000075\tInstalling the policy '%1$s'\r\n"
      "\n"
      "   \t \n"
      "0xE1000064\t\\x01\\x01i\\x01Started\n"
      "0xe0a60011\t{w}\\tTabbed\\\\ and\\nbroken\n"
      "0xE1000076\t\n"
      "0xE1000077\tGrüße, 日本\n";
  ASSERT_TRUE(writer.AddSource(source, &error)) << error;
  EXPECT_EQ(writer.Count(), 5u);
  ASSERT_TRUE(writer.WriteFile(dir.File("c.cat"), &error)) << error;
  EXPECT_FALSE(fs::exists(dir.File("c.cat.tmp")));

  cmn_CatalogFileC file;
  ASSERT_TRUE(file.OpenExact(dir.File("c.cat")));
  EXPECT_EQ(file.EntryCount(), 5u);
  const struct {
    uint32_t number;
    std::string text;
  } expected[] = {
      {0xE1000075, "Installing the policy '%1$s'"},
      {0xE1000064, "\x01\x01i\x01Started"},
      {0xE0A60011, "{w}\tTabbed\\ and\nbroken"},
      {0xE1000076, ""},
      {0xE1000077, "Grüße, 日本"},
  };
  for (const auto& e : expected) {
    std::string text = "unset";
    EXPECT_TRUE(file.Lookup(e.number, &text)) << std::hex << e.number;
    EXPECT_EQ(text, e.text) << std::hex << e.number;
  }
  std::string text;
  EXPECT_FALSE(file.Lookup(0xE1000078, &text));
}

TEST(CatalogWriterTest, RejectsFaultySourceLinesWithTheirNumber) {
  const struct {
    const char* label;
    std::string source;
    std::string fragment;
  } cases[] = {
      {"duplicate", "0xE1000075\tone\n# c\n0xE1000075\ttwo\n",
       "line 3: duplicate message 0xE1000075 (first defined on line 1)"},
      {"no tab", "0xE1000075 text\n", "line 1: expected a message number, a tab"},
      {"not hexadecimal", "0xE10G0075\tx\n", "line 1: \"0xE10G0075\" is not a message number"},
      {"decimal number", "3774873717\tx\n", "is not a message number"},
      {"too many digits", "0xE10000750\tx\n", "is not a message number"},
      {"without the catalog bits", "\n0x80000001\tx\n",
       "line 2: message 0x80000001 is not a catalogued"},
      {"bit 28 set", "0xF1000075\tx\n", "not a catalogued number"},
      {"unknown escape", "0xE1000075\tbad \\q\n", "line 1: unknown escape \\q"},
      {"short hex escape", "0xE1000075\t\\x1\n", "\\x needs two hexadecimal digits"},
      {"zero byte escape", "0xE1000075\t\\x00\n", "outside 01 to 7F"},
      {"high byte escape", "0xE1000075\t\\xC3\n", "outside 01 to 7F"},
      {"trailing backslash", "0xE1000075\tend\\\n", "a backslash ends the text"},
      {"invalid UTF-8", "0xE1000075\tbad \xC3\x28\n", "is not valid UTF-8"},
      {"surrogate in UTF-8", "0xE1000075\t\xED\xA0\x80\n", "is not valid UTF-8"},
      {"text too long", "0xE1000075\t" + std::string(65536, 'a') + "\n", "more than 65535"},
  };
  for (const auto& c : cases) {
    CatalogWriterC writer;
    std::string error;
    EXPECT_FALSE(writer.AddSource(c.source, &error)) << c.label;
    EXPECT_NE(error.find(c.fragment), std::string::npos) << c.label << ": " << error;
  }

  CatalogWriterC writer;
  std::string error;
  ASSERT_TRUE(writer.Add(0xE1000075, std::string(65535, 'a'), &error)) << error;
  EXPECT_FALSE(writer.Add(0xE1000075, "again", &error));
  EXPECT_EQ(error, "duplicate message 0xE1000075");
  EXPECT_EQ(writer.Count(), 1u);
}

TEST(CatalogWriterTest, WriteFailureLeavesNothingBehind) {
  TempDirC dir;
  CatalogWriterC writer;
  ASSERT_TRUE(writer.Add(0xE1000075, "x"));
  std::string error;
  EXPECT_FALSE(writer.WriteFile(dir.File("missing/c.cat"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_empty(dir.Path()));
}

// Builds a catalog of `sets` x `per_set` messages, added in reverse order; the text of each
// is "s<set> m<message>".
std::string BuildGrid(const TempDirC& dir, const std::string& name, uint32_t sets,
                      uint32_t per_set) {
  CatalogWriterC writer;
  for (uint32_t s = sets; s-- > 0;) {
    for (uint32_t m = per_set; m-- > 0;) {
      const uint32_t set = 0xA0 + s * 0x11;
      const uint32_t message = 1 + m * 3;
      EXPECT_TRUE(writer.Add(0xE0000000u | (set << 16) | message,
                             "s" + std::to_string(set) + " m" + std::to_string(message)));
    }
  }
  std::string error;
  EXPECT_TRUE(writer.WriteFile(dir.File(name), &error)) << error;
  return dir.File(name);
}

TEST(ErrCatalogTest, FindsEveryEntryIncludingFirstAndLast) {
  TempDirC dir;
  const ErrCatalogC catalog(Path(BuildGrid(dir, "grid.cat", 7, 40)));
  ASSERT_TRUE(catalog.IsOpen());
  ASSERT_EQ(catalog.EntryCount(), 280u);
  for (uint32_t s = 0; s < 7; ++s) {
    for (uint32_t m = 0; m < 40; ++m) {
      const uint32_t set = 0xA0 + s * 0x11;
      const uint32_t message = 1 + m * 3;
      const LookupS got = Get(catalog, 0xE0000000u | (set << 16) | message, "default");
      ASSERT_TRUE(got.found) << set << " " << message;
      EXPECT_EQ(got.text, "s" + std::to_string(set) + " m" + std::to_string(message));
      EXPECT_EQ(got.severity, 4);
    }
  }
  // Gaps between, before and after the entries fall back to the default.
  for (uint32_t number :
       {0xE0A00000u, 0xE0A00002u, 0xE0A10001u, 0xE0FFFFFFu, 0xE0A00079u, 0xE0000001u}) {
    const LookupS got = Get(catalog, number, "{w} fallback");
    EXPECT_FALSE(got.found) << std::hex << number;
    EXPECT_EQ(got.text, "fallback");
    EXPECT_EQ(got.severity, 3);
  }
}

TEST(ErrCatalogTest, SeverityComesFromTheChosenText) {
  TempDirC dir;
  CatalogWriterC writer;
  ASSERT_TRUE(writer.Add(0xE1000075, "Die Richtlinie '%1$s' wird installiert"));
  ASSERT_TRUE(writer.Add(0xE1000080,
                         "\x01"
                         "A\x01w\x01Only with a selector"));
  ASSERT_TRUE(writer.WriteFile(dir.File("de.cat")));
  const ErrCatalogC catalog(Path(dir.File("de.cat")));
  const ErrCatalogC none(StringC{});
  EXPECT_FALSE(none.IsOpen());

  // Default only: the sentence with the record's severity (information).
  LookupS got = Get(none, 0xE1000075, kInstallingDefault);
  EXPECT_EQ(got.text, "Installing merged deployment policy '%1$s'");
  EXPECT_EQ(got.severity, 2);
  // The catalog's plain text has no prefix, so it is an error.
  got = Get(catalog, 0xE1000075, kInstallingDefault);
  EXPECT_TRUE(got.found);
  EXPECT_EQ(got.text, "Die Richtlinie '%1$s' wird installiert");
  EXPECT_EQ(got.severity, 4);
  // Without bit 29 the same set and message are never looked up.
  got = Get(catalog, 0xC1000075, kInstallingDefault);
  EXPECT_FALSE(got.found);
  EXPECT_EQ(got.severity, 2);
  // A record that never applies leaves the empty text.
  got = Get(catalog, 0xE1000080, "not used");
  EXPECT_TRUE(got.found);
  EXPECT_EQ(got.text, "");
  EXPECT_EQ(got.severity, 4);
  // Conditions reach the text syntax.
  EXPECT_EQ(Get(none, 0xE1000001, "{Xw} s", MessageTextC::Condition('X')).severity, 3);
  EXPECT_EQ(Get(none, 0xE1000001, "{Xw} s").severity, 4);
  // Null and empty defaults.
  got = Get(none, 0xE1000001, nullptr);
  EXPECT_EQ(got.text, "");
  EXPECT_EQ(got.severity, 4);
}

TEST(ErrCatalogTest, ForeignOrDamagedFilesAreAbsent) {
  TempDirC dir;
  CatalogWriterC writer;
  ASSERT_TRUE(writer.Add(0xE1000075, "catalogued"));
  std::string good;
  ASSERT_TRUE(writer.Build(&good));

  std::string wrong_magic = good;
  wrong_magic[7] = 'T';  // "openuicT"
  WriteFile(dir.File("magic.cat"), wrong_magic);
  WriteFile(dir.File("short.cat"), good.substr(0, 11));
  WriteFile(dir.File("empty.cat"), "");
  // The index promises more entries than the file holds.
  std::string truncated = good.substr(0, 12);
  truncated[11] = 5;
  WriteFile(dir.File("truncated.cat"), truncated);
  // The entry's text runs past the end of the file.
  WriteFile(dir.File("cut.cat"), good.substr(0, good.size() - 3));

  for (const char* name :
       {"magic.cat", "short.cat", "empty.cat", "truncated.cat", "cut.cat", "does-not-exist.cat"}) {
    const ErrCatalogC catalog(Path(dir.File(name)));
    const LookupS got = Get(catalog, 0xE1000075, "{w} default");
    EXPECT_FALSE(got.found) << name;
    EXPECT_EQ(got.text, "default") << name;
    EXPECT_EQ(got.severity, 3) << name;
  }

  // A directory is not a catalog either.
  const ErrCatalogC directory(Path(dir.Path()));
  EXPECT_FALSE(directory.IsOpen());
}

TEST(ErrCatalogTest, EmptyIndexFindsNothing) {
  TempDirC dir;
  ASSERT_TRUE(CatalogWriterC().WriteFile(dir.File("none.cat")));
  EXPECT_EQ(fs::file_size(dir.File("none.cat")), 12u);
  const ErrCatalogC catalog(Path(dir.File("none.cat")));
  EXPECT_TRUE(catalog.IsOpen());
  EXPECT_EQ(catalog.EntryCount(), 0u);
  EXPECT_FALSE(Get(catalog, 0xE1000075, "x").found);
}

TEST(ErrCatalogTest, BrokenUtf8InTheFileIsReplaced) {
  TempDirC dir;
  CatalogWriterC writer;
  ASSERT_TRUE(writer.Add(0xE1000075, "{w} a??b"));
  std::string bytes;
  ASSERT_TRUE(writer.Build(&bytes));
  const size_t at = bytes.find("a??b");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 1] = '\xC3';  // a lead byte followed by no continuation
  bytes[at + 2] = '\xFF';
  WriteFile(dir.File("bad.cat"), bytes);

  const LookupS got = Get(ErrCatalogC(Path(dir.File("bad.cat"))), 0xE1000075, "default");
  EXPECT_TRUE(got.found);
  EXPECT_EQ(got.severity, 3);
  EXPECT_EQ(got.text,
            "a\xEF\xBF\xBD\xEF\xBF\xBD"
            "b");
}

TEST(ErrCatalogTest, LocaleNamePartsPickTheFile) {
  TempDirC dir;
  const auto build = [&dir](const std::string& name, const std::string& text) {
    CatalogWriterC writer;
    ASSERT_TRUE(writer.Add(0xE1000075, text));
    ASSERT_TRUE(writer.WriteFile(dir.File(name)));
  };
  build("allcat.de_ch-utf-8.cat", "de_ch-utf-8");
  build("allcat.de.cat", "de");
  build("allcat.fr_fr.cat", "fr_fr");
  build("allcat.cat", "bare");

  const StringC path = Path(dir.File("allcat.%L.cat"));
  const struct {
    const char* lang;
    const char* expected;
  } cases[] = {
      {"de_CH.UTF-8", "de_ch-utf-8"},  // territory and codeset
      {"de_AT.UTF-8", "de"},           // language alone
      {"fr_FR.ISO-8859-1", "fr_fr"},   // territory without codeset
      {"it_IT.UTF-8", "bare"},         // nothing specific: the bare name
      {"../../etc/passwd", "bare"},    // a path-like locale never reaches the file name
  };
  ScopedEnvC no_all("LC_ALL", nullptr);
  ScopedEnvC no_messages("LC_MESSAGES", nullptr);
  for (const auto& c : cases) {
    ScopedEnvC lang("LANG", c.lang);
    const cmn_LocaleNamesC names = cmn_LocaleNamesC::FromEnvironment();
    const ErrCatalogC catalog(path, names);
    EXPECT_EQ(Get(catalog, 0xE1000075, "default").text, c.expected) << c.lang;
    EXPECT_EQ(catalog.Path(), path);
  }

  // Without any candidate the catalog stays empty and silent.
  fs::remove(dir.File("allcat.cat"));
  ScopedEnvC lang("LANG", "it_IT.UTF-8");
  const ErrCatalogC missing(path, cmn_LocaleNamesC::FromEnvironment());
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_EQ(Get(missing, 0xE1000075, "default").text, "default");
}

}  // namespace
