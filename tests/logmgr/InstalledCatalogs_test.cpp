// The catalogs the build compiles from the message tables (messages/*.def), copied into a
// temporary installation laid out as `install` lays it out, and found there by the lookups the
// program uses: the install directory from the configuration store gives the module catalog
// "<InstallDir>/lib/allcat.%L.cat" and, through the default "ProgramPath" of "<InstallDir>/bin",
// the log manager's "<ProgramPath>/system/rklog.cat".
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "cmn/cmn_ConfigurationI.h"
#include "cmn/cmn_LocaleC.h"
#include "cmn/cmn_RegistryI.h"
#include "cmn/cmn_Services.h"
#include "env/EnvPreferencesC.h"
#include "env/env_EnvDefaultBuilderC.h"
#include "env/env_EnvironmentC.h"
#include "log/ErrCatSwitchC.h"
#include "log/ErrCatalogC.h"
#include "log/ErrMessages.h"
#include "os/ExecuteCommand.h"
#include "os/StreamErrors.h"
#include "registry/RegStatusC.h"
#include "tests/logmgr/LogMgrTestSupport.h"

#if defined(QLM_BUILT_RKLOG_CAT) && defined(QLM_BUILT_ALLCAT_EN) && defined(QLM_BUILT_ALLCAT)

namespace {

namespace fs = std::filesystem;
using namespace logmgrtest;

constexpr const char* kProductKey = "SOFTWARE\\Quillmarsh Corp\\Quillmarsh";
constexpr const char* kInstallDir = "InstallDir";

// A temporary installation holding the built catalogs, named as the install directory in the
// process's configuration store for the test's lifetime.
class InstalledCatalogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root_.File("bin/system"));
    fs::create_directories(root_.File("lib"));
    fs::copy_file(QLM_BUILT_RKLOG_CAT, root_.File("bin/system/rklog.cat"));
    fs::copy_file(QLM_BUILT_ALLCAT_EN, root_.File("lib/allcat.en.cat"));
    fs::copy_file(QLM_BUILT_ALLCAT, root_.File("lib/allcat.cat"));
    registry_ = getConfiguration(1)->Registry();
    ASSERT_NE(registry_, nullptr);
    had_ = registry_->ReadText(cmn_kHKLM, kProductKey, kInstallDir, &previous_) == RC_OK;
    ASSERT_EQ(registry_->WriteText(cmn_kHKLM, kProductKey, kInstallDir, root_.Path()), RC_OK);
  }
  void TearDown() override {
    (void)ErrEmptyModuleCatalog();
    if (had_) {
      (void)registry_->WriteText(cmn_kHKLM, kProductKey, kInstallDir, previous_);
      return;
    }
    cmn_RegHandleT key = 0;
    if (registry_->Open(cmn_kHKLM, kProductKey, 0x20006, &key) == RC_OK) {
      (void)registry_->DeleteValue(key, kInstallDir);
      (void)registry_->Close(key);
    }
  }

  TempDirC root_;
  cmn_RegistryI* registry_ = nullptr;
  bool had_ = false;
  std::string previous_;
};

TEST_F(InstalledCatalogsTest, ModuleCatalogIsFoundForEveryLocale) {
  ASSERT_EQ(ModuleCatalogPath().ToUtf8(), root_.File("lib/") + "allcat.%L.cat");
  struct Case {
    const char* locale;
    const char* opened;  // below <InstallDir>/lib
  };
  const Case cases[] = {
      {"en_US.UTF-8", "allcat.en.cat"}, {"en_GB", "allcat.en.cat"},         {"C", "allcat.en.cat"},
      {"de_DE.UTF-8", "allcat.cat"},    {"fr_CA.ISO-8859-1", "allcat.cat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    const cmn_LocaleNamesC names(c.locale, "ANSI_X3.4-1968");
    const ErrCatalogC catalog(ModuleCatalogPath(), names);
    ASSERT_TRUE(catalog.IsOpen());
    EXPECT_EQ(std::string(catalog.OpenedPath()), root_.File("lib/") + c.opened);

    // The catalogued words, asked for with an empty default so only the file can answer.
    StringC text;
    int severity = -1;
    EXPECT_TRUE(catalog.GetMessage(&text, &severity, OS_E_OPEN_FILE, "", ERR_NO_CONDITIONS));
    EXPECT_EQ(text.ToUtf8(), "Failed to open file '%1$S'");
    EXPECT_EQ(severity, ERR_SEV_ERROR);
  }
}

TEST_F(InstalledCatalogsTest, ProcessLookupsUseTheInstalledModuleCatalog) {
  // The module catalog as the process opens it on first use: the process locale's names.
  ASSERT_EQ(ErrSetModuleCatalog(ModuleCatalogPath()), RC_OK);
  const std::string opened(ErrCatSwitchC::ModuleCatalog()->OpenedPath());
  EXPECT_EQ(opened.rfind(root_.File("lib/allcat."), 0), 0u) << opened;

  struct Case {
    uint32_t number;
    const char* text;
    int severity;
  };
  const Case cases[] = {
      {REG_E_OPEN_KEY, "Failed to open key", ERR_SEV_ERROR},
      {0xE06900D7, "Started Successfully", ERR_SEV_ERROR},
      // The catalog marks the process layer's log lines as information.
      {OS_M_EXECUTE, "Execute \xE2\x80\x9C%1$s\xE2\x80\x9D", ERR_SEV_INFO},
      {0xE0010003, "[%1$s (%2$c, %3$d)] %4$s", ERR_SEV_INFO},
      {0xE0D700CB, "Date '%S' is not valid.", ERR_SEV_ERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int severity = -1;
    EXPECT_EQ(ErrGetText(c.number, "", &severity).ToUtf8(), c.text);
    EXPECT_EQ(severity, c.severity);
  }
  // A result code turned into words, as the registry layer does.
  EXPECT_EQ(ErrMessageText(REG_E_UNAVAILABLE).ToUtf8(), "The registry is unavailable");
  EXPECT_EQ(RegStatusC::Failure(REG_E_READ_VALUE).Message().ToUtf8(), "Failed to read value");
}

TEST_F(InstalledCatalogsTest, LogManagerFindsRklogBelowTheProgramPath) {
  // The built-in defaults, with "ProgramPath" derived from the install directory.
  env_EnvironmentC environment;
  env_EnvDefaultBuilderC().Build(environment);
  EnvPreferencesC preferences(&environment);
  ASSERT_EQ(preferences.GetValue(S("ProgramPath"), true).ToUtf8(), root_.File("bin"));
  preferences.SetValue(S("LogFile"), S(root_.File("log/installed.log")));
  preferences.SetValue(S("LogFlags"), S("0"));

  auto* manager = new log_LogManagerC(preferences);
  manager->AddRef();
  EXPECT_EQ(manager->CatalogPath().ToUtf8(), root_.File("bin/system/rklog.cat"));
  ASSERT_NE(manager->Catalog(), nullptr);
  EXPECT_TRUE(manager->Catalog()->IsOpen());
  char* text = nullptr;
  ASSERT_EQ(manager->GetMessageText(0xE0010003, &text), RC_OK);
  EXPECT_STREQ(text, "[%1$s (%2$c, %3$d)] %4$s");
  std::free(text);

  // The catalogued line format gives the documented line.
  (void)manager->Log('G', 0, 0xE0CB0010, "Failed to open file '%1$s'", "/x");
  EXPECT_EQ(manager->Release(), 0u);
  const std::vector<std::string> lines = ReadLines(root_.File("log/installed.log"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].front(), '[');
  EXPECT_NE(lines[0].find("] Failed to open file '/x'"), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find(" (G, 0)] "), std::string::npos) << lines[0];
}

}  // namespace

#endif  // QLM_BUILT_RKLOG_CAT && QLM_BUILT_ALLCAT_EN && QLM_BUILT_ALLCAT
