#include <gtest/gtest.h>
#include <langinfo.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "cmn/cmn_LocaleC.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_Services.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/TempDirC.h"

namespace {

// Unsets LC_ALL, LC_MESSAGES and LANG, and restores them at the end.
class LocaleEnvGuard {
 public:
  LocaleEnvGuard() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) env_.Unset(name);
  }

 private:
  qlmtest::ScopedEnvC env_;
};

struct LangCase {
  const char* lang;  // null: unset
  const char* languageTerritory;
  const char* language;
  const char* codeset;  // null: the C library's
};

class LocaleNamesTest : public ::testing::TestWithParam<LangCase> {};

TEST_P(LocaleNamesTest, PartsFromLang) {
  const LangCase& c = GetParam();
  LocaleEnvGuard guard;
  if (c.lang != nullptr) ::setenv("LANG", c.lang, 1);
  cmn_LocaleNamesC names = cmn_LocaleNamesC::FromEnvironment();
  EXPECT_EQ(names.LanguageTerritory(), c.languageTerritory);
  EXPECT_EQ(names.Language(), c.language);
  EXPECT_EQ(names.Codeset(), c.codeset ? c.codeset : ::nl_langinfo(CODESET));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LocaleNamesTest,
    ::testing::Values(
        LangCase{"de_CH.UTF-8@euro", "de_CH", "de", "UTF-8"},
        LangCase{"fr_FR.ISO-8859-1", "fr_FR", "fr", "ISO-8859-1"},
        LangCase{"ja_JP", "ja_JP", "ja", nullptr}, LangCase{"sr_RS@latin", "sr_RS", "sr", nullptr},
        LangCase{"de", "de", "de", nullptr}, LangCase{"C", "en_US", "en", nullptr},
        LangCase{"POSIX", "en_US", "en", nullptr}, LangCase{"C.UTF-8", "en_US", "en", "UTF-8"},
        LangCase{"", "en_US", "en", nullptr}, LangCase{nullptr, "en_US", "en", nullptr},
        LangCase{"_US.UTF-8", "en_US", "en", "UTF-8"},
        // Path-like names never reach catalog file names.
        LangCase{"../../tmp/x.UTF-8", "en_US", "en", nullptr},
        LangCase{"de_CH.UTF/8", "en_US", "en", nullptr},
        LangCase{"de\\CH", "en_US", "en", nullptr}));

TEST(LocaleTest, FirstNonEmptyVariableWins) {
  LocaleEnvGuard guard;
  ::setenv("LANG", "fr_FR.UTF-8", 1);
  ::setenv("LC_MESSAGES", "de_DE.UTF-8", 1);
  EXPECT_EQ(cmn_LocaleNamesC::FromEnvironment().LanguageTerritory(), "de_DE");
  ::setenv("LC_ALL", "it_IT.UTF-8", 1);
  EXPECT_EQ(cmn_LocaleNamesC::FromEnvironment().LanguageTerritory(), "it_IT");
  ::setenv("LC_ALL", "", 1);
  EXPECT_EQ(cmn_LocaleNamesC::FromEnvironment().LanguageTerritory(), "de_DE");
  ::setenv("LC_MESSAGES", "", 1);
  EXPECT_EQ(cmn_LocaleNamesC::FromEnvironment().LanguageTerritory(), "fr_FR");
}

TEST(LocaleTest, ProcessLocale) {
  cmn_LocaleI* locale = getLocale();
  ASSERT_NE(locale, nullptr);
  EXPECT_EQ(getLocale(""), locale);
  EXPECT_EQ(getLocale("de_CH"), nullptr);
  // The tests never call setlocale, so LC_NUMERIC is the C locale's.
  EXPECT_EQ(locale->Numeric()->DecimalSeparator(), ".");
  ASSERT_NE(locale->CatalogSwitch(), nullptr);
}

TEST(LocaleTest, CatalogSwitchOpensWithTheLocaleParts) {
  const qlmtest::TempDirC tmp;
  const std::string& dir = tmp.Path();
  // A one-entry catalog: set 0x100, message 0x64, text "Hallo".
  const std::string bytes = std::string("openuict\0\0\0\1", 12) +
                            std::string("\x01\x00\x00\x05\x00\x00\x00\x64\x00\x00\x00\x18", 12) +
                            "Hallo";
  qlmtest::WriteFile(dir + "/msg.de-utf-8.cat", bytes);

  cmn_LocaleC locale(cmn_LocaleNamesC("de_CH.UTF-8", "ANSI_X3.4-1968"));
  cmn_CatalogSwitchI* sw = locale.CatalogSwitch();
  EXPECT_EQ(sw->ProcessCatalog(), nullptr);

  EXPECT_EQ(sw->SetProcessCatalog(dir + "/msg.%L.cat"), RC_OK);
  const std::shared_ptr<const cmn_CatalogI> catalog = sw->ProcessCatalog();
  ASSERT_NE(catalog, nullptr);
  EXPECT_EQ(catalog->Path(), dir + "/msg.de-utf-8.cat");
  std::string text;
  EXPECT_TRUE(catalog->Lookup(0xE1000064u, &text));
  EXPECT_EQ(text, "Hallo");
  EXPECT_FALSE(catalog->Lookup(0xC1000064u, &text));  // no catalog flag

  EXPECT_EQ(sw->SetProcessCatalog(dir + "/other.%L.cat"), RC_CANNOT_OPEN);
  EXPECT_EQ(sw->ProcessCatalog(), nullptr);
  EXPECT_EQ(sw->SetProcessCatalog(""), RC_CANNOT_OPEN);
}

}  // namespace
