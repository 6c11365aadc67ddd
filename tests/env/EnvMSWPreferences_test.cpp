// Preferences over a real configuration store: files in temporary directories attached to the
// test's own store (injected), sections and alternate keys, fixed companions, separators, the
// well-known directories and the start-up set-up of the store.
#include "env/EnvMSWPreferencesC.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cmn/cmn_ConfigStoreC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_Services.h"
#include "env/EnvUnixC.h"
#include "env/env_ContextLinkC.h"
#include "env/env_EnvironmentC.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/StringHelpers.h"
#include "tests/testing/TempDirTest.h"

namespace fs = std::filesystem;

namespace {

using O = env_EnvOptsC;
using P = EnvMSWPreferencesC;

const char kParent[] = "Software\\Quillmarsh Corp";
const char kRootKey[] = "Software\\Quillmarsh Corp\\Quillmarsh";

using qlmtest::S;

std::vector<std::string> Texts(const StringArrayC& a) {
  std::vector<std::string> out;
  for (uint64_t i = 0; i < a.Count(); ++i) out.push_back(a[i].ToUtf8());
  return out;
}

// The environment variables the set-up reads, with HOME, unset for one test and restored.
class EnvVarsC : public qlmtest::ScopedEnvC {
 public:
  EnvVarsC() {
    for (const char* name : {"QUILLMARSHEXECPATH", "QUILLMARSHCONFIGINI", "QUILLMARSHINSTALLDIR",
                             "QUILLMARSHDATADIR", "QUILLMARSHINI", "HOME"}) {
      Unset(name);
    }
  }
};

env_EnvironmentC* g_contextEnv = nullptr;
env_EnvironmentI* ContextEnvironment() noexcept {
  return g_contextEnv;
}

// A preference object that stores the names in `lists` as lists.
class ListPrefsC : public EnvMSWPreferencesC {
 public:
  ListPrefsC(env_EnvironmentI* env, std::vector<std::string> lists)
      : EnvMSWPreferencesC(env), lists_(std::move(lists)) {}
  env_EnvOptsC MakeOpts(const StringC& name) override {
    for (const auto& l : lists_) {
      if (name.EqualsNoCase(S(l))) return O(name, O::values_multi);
    }
    return O(name);
  }

 private:
  std::vector<std::string> lists_;
};

struct StampS {
  ino_t ino = 0;
  int64_t mtime_ns = 0;
  bool operator==(const StampS&) const = default;
};

class MSWPreferencesTest : public qlmtest::TempDirTest {
 protected:
  void SetUp() override {
    qlmtest::TempDirTest::SetUp();
    fs::create_directories(dir_ + "/home");
    vars_.Set("HOME", dir_ + "/home");
    machineIni_ = dir_ + "/quillmarsh.ini";
    store_ = std::make_unique<cmn_ConfigStoreC>(cmn_ConfigStoreC::UserFileFromHome());
    P::SetRegistryForTest(store_.get());
    g_contextEnv = &env_;
    env_ContextLinkC::SetSource(&ContextEnvironment);
  }
  void TearDown() override {
    env_ContextLinkC::SetSource(nullptr);
    g_contextEnv = nullptr;
    P::ClearRegistryForTest();
    qlmtest::TempDirTest::TearDown();
  }

  static void Write(const std::string& path, const std::string& text) {
    qlmtest::WriteFile(path, text);
  }
  static std::string Read(const std::string& path) { return qlmtest::ReadFile(path); }
  static StampS Stamp(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return {st.st_ino, static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  }
  // Attaches `text` as the machine file.
  void Machine(const std::string& text) {
    Write(machineIni_, text);
    ASSERT_EQ(store_->AttachFile(machineIni_, "HKLM", kParent), RC_OK);
  }
  std::string StoreText(const char* key, const char* name) {
    std::string text;
    const uint32_t rc = store_->ReadText(cmn_kHKLM, key, name, &text);
    return rc == RC_OK ? text : "<missing>";
  }
  // A fresh store, as a second run of the program would have.
  void NewStore() {
    store_ = std::make_unique<cmn_ConfigStoreC>(cmn_ConfigStoreC::UserFileFromHome());
    P::SetRegistryForTest(store_.get());
  }
  std::string Get(EnvPreferencesC& p, const char* name) { return p.GetValue(S(name)).ToUtf8(); }

  EnvVarsC vars_;
  std::string machineIni_;
  std::unique_ptr<cmn_ConfigStoreC> store_;
  env_EnvironmentC env_;
};

TEST_F(MSWPreferencesTest, SectionKeysFollowTheTable) {
  struct CaseS {
    const char* section;
    int allUsers;
    const char* key;
  };
  const CaseS cases[] = {
      {P::s_PolicyAgent, P::s_AllUsers,
       "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion"},
      {P::s_Common, P::s_CurrentUser, "HKCU\\Software\\Quillmarsh Corp\\Quillmarsh\\Common"},
      {P::s_Root, P::s_AllUsers, "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh"},
      {P::s_CommonDownloadSettings, P::s_AllUsers,
       "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Common\\DownloadSettings"},
      {P::s_InstallationAgent, P::s_AllUsers,
       "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Launcher\\CurrentVersion"},
      {P::s_PackageRetriever, P::s_CurrentUser,
       "HKCU\\Software\\Quillmarsh Corp\\Quillmarsh\\PackageRetriever\\CurrentVersion"},
      {"policyagent", P::s_AllUsers,
       "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion"},
      {"NoSuchAgent", P::s_AllUsers, "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(P::SectionKey(c.section, c.allUsers).ToUtf8(), c.key) << c.section;
  }
  EXPECT_EQ(P::AlternateSectionKey(P::s_PolicyAgent, P::s_AllUsers).ToUtf8(),
            "HKLM\\Software\\Policies\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion");
  EnvPreferencesC prefs(&env_);
  prefs.SetValue(S("UserAlternateRegistryHive"), S("Software\\$(Vendor)\\Alt"));
  prefs.SetValue(S("Vendor"), S("Other"));
  EXPECT_EQ(P::AlternateSectionKey(P::s_Common, P::s_CurrentUser).ToUtf8(),
            "HKCU\\Software\\Other\\Alt\\Common");
  EXPECT_EQ(P::AlternateSectionKey(P::s_Common, P::s_AllUsers).ToUtf8(),
            "HKLM\\Software\\Policies\\Quillmarsh Corp\\Quillmarsh\\Common");
}

TEST_F(MSWPreferencesTest, LoadSectionReadsTheMainKeyThenTheAlternateKey) {
  Write(machineIni_,
        "[Quillmarsh\\Policy Client\\CurrentVersion]\n"
        "Both=main\nMainOnly=m\n");
  Write(dir_ + "/policies.ini",
        "[Quillmarsh\\Policy Client\\CurrentVersion]\n"
        "Both=alternate\nAltOnly=a\n");
  ASSERT_EQ(store_->AttachFile(machineIni_, "HKLM", kParent), RC_OK);
  ASSERT_EQ(
      store_->AttachFile(dir_ + "/policies.ini", "HKLM", "Software\\Policies\\Quillmarsh Corp"),
      RC_OK);
  EnvMSWPreferencesC prefs(&env_);
  EXPECT_EQ(prefs.LoadSection(P::s_PolicyAgent, P::s_AllUsers, StringC()), RC_OK);
  EXPECT_EQ(Get(prefs, "Both"), "alternate");
  EXPECT_EQ(Get(prefs, "MainOnly"), "m");
  EXPECT_EQ(Get(prefs, "AltOnly"), "a");
  // A section with no key loads nothing and still succeeds.
  EXPECT_EQ(prefs.LoadSection(P::s_UsageAgent, P::s_AllUsers, StringC()), RC_OK);
  EXPECT_EQ(prefs.LoadKey(P::SectionKey(P::s_UsageAgent, P::s_AllUsers), StringC()),
            cmn_kRegNoSuchKey);
}

TEST_F(MSWPreferencesTest, FixedCompanionsComeWithTheirValueAndProtectIt) {
  Machine(
      "[Quillmarsh\\Policy Client\\CurrentVersion]\n"
      "PolicyServerURL=http://stored/\n"
      "PolicyServerURLFixed=True\n"
      "SomethingFxd=locked\n"
      "LonelyFixed=True\n");
  EnvMSWPreferencesC prefs(&env_);
  prefs.SetValue(S("SomethingFxd"), S("default"));
  (void)prefs.LoadSection(P::s_PolicyAgent, P::s_AllUsers, StringC());
  EXPECT_EQ(Get(prefs, "PolicyServerURL"), "http://stored/");
  EXPECT_EQ(Get(prefs, "PolicyServerURLFixed"), "True");
  prefs.SetValue(S("PolicyServerURL"), S("http://command-line/"));
  EXPECT_EQ(Get(prefs, "PolicyServerURL"), "http://stored/");
  prefs.SetValue(S("PolicyServerURL"), S("http://forced/"), true);
  EXPECT_EQ(Get(prefs, "PolicyServerURL"), "http://forced/");
  // A name ending in Fxd that already had a value keeps it; a companion alone is not loaded.
  EXPECT_EQ(Get(prefs, "SomethingFxd"), "default");
  EXPECT_EQ(
      prefs.LoadValue(P::SectionKey(P::s_PolicyAgent, P::s_AllUsers), S("SomethingFxd"), StringC()),
      RC_OK);
  EXPECT_EQ(Get(prefs, "SomethingFxd"), "default");
  EXPECT_FALSE(prefs.Exists(S("LonelyFixed")));
}

TEST_F(MSWPreferencesTest, SeparatorSplitsTextsForListsOnly) {
  Machine(
      "[Quillmarsh\\Common]\n"
      "List=x;y\nSingle=x;y\n"
      "Multi{multi}=m1\nMulti{multi}=m2\n"
      "MultiSingle{multi}=m1\nMultiSingle{multi}=m2\n"
      "Count{dword}=42\n");
  ListPrefsC prefs(&env_, {"List", "Multi"});
  (void)prefs.LoadSection(P::s_Common, P::s_AllUsers, S(";"));
  EXPECT_EQ(Texts(*prefs.GetValues(S("List"))), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(Get(prefs, "Single"), "x;y");
  EXPECT_EQ(Texts(*prefs.GetValues(S("Multi"))), (std::vector<std::string>{"m1", "m2"}));
  EXPECT_EQ(Get(prefs, "MultiSingle"), "m1;m2");
  EXPECT_EQ(Get(prefs, "Count"), "42");

  // Without a separator a list receives the text whole.
  env_EnvironmentC other;
  ListPrefsC plain(&other, {"List"});
  (void)plain.LoadSection(P::s_Common, P::s_AllUsers, StringC());
  EXPECT_EQ(Texts(*plain.GetValues(S("List"))), (std::vector<std::string>{"x;y"}));
}

TEST_F(MSWPreferencesTest, UnreadableValueFailsButItsCompanionsStillLoad) {
  Machine(
      "[Quillmarsh\\Common]\n"
      "Blob{binary}=0a ff\n"
      "BlobFxd=yes\n");
  EnvMSWPreferencesC prefs(&env_);
  const StringC key = P::SectionKey(P::s_Common, P::s_AllUsers);
  EXPECT_EQ(prefs.LoadValue(key, S("Blob"), StringC()), RC_FAIL);
  EXPECT_FALSE(prefs.Exists(S("Blob")));
  EXPECT_EQ(Get(prefs, "BlobFxd"), "yes");
  // A value that is not there: nothing at all is loaded.
  EXPECT_EQ(prefs.LoadValue(key, S("Absent"), StringC()), RC_FAIL);
  EXPECT_FALSE(prefs.Exists(S("Absent")));
  EXPECT_EQ(prefs.LoadValue(S("HKLM\\Software\\Nowhere"), S("Blob"), StringC()), cmn_kRegNoSuchKey);
  EXPECT_EQ(prefs.LoadValue(S("NOTAHIVE\\Software"), S("Blob"), StringC()), cmn_kRegBadArgument);
}

TEST_F(MSWPreferencesTest, LoadSectionValueTakesOneValueFromBothKeys) {
  Write(machineIni_, "[Quillmarsh\\Common]\nA=main\nB=main\n");
  Write(dir_ + "/alt.ini", "[Quillmarsh\\Common]\nA=alt\n");
  ASSERT_EQ(store_->AttachFile(machineIni_, "HKLM", kParent), RC_OK);
  ASSERT_EQ(store_->AttachFile(dir_ + "/alt.ini", "HKLM", "Software\\Policies\\Quillmarsh Corp"),
            RC_OK);
  EnvMSWPreferencesC prefs(&env_);
  EXPECT_EQ(prefs.LoadSectionValue(P::s_Common, P::s_AllUsers, S("A"), StringC()), RC_OK);
  EXPECT_EQ(Get(prefs, "A"), "alt");
  EXPECT_FALSE(prefs.Exists(S("B")));
}

TEST_F(MSWPreferencesTest, SaveJoinsValuesAndLeavesUnchangedFilesAlone) {
  Machine("[Quillmarsh\\Policy Client\\CurrentVersion]\nKeep=1\n");
  ListPrefsC prefs(&env_, {"Servers"});
  prefs.SetValue(S("Host"), S("example.com"));
  prefs.SetValue(S("Servers"), S("http://$(Host)/a"));
  prefs.SetValue(S("Servers"), S("http://b/"));
  const StringC key = P::SectionKey(P::s_PolicyAgent, P::s_AllUsers);
  ASSERT_EQ(prefs.SaveValue(key, S("Servers"), S(";")), RC_OK);
  EXPECT_EQ(
      StoreText("Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion", "Servers"),
      "http://example.com/a;http://b/");
  EXPECT_NE(Read(machineIni_).find("Servers=http://example.com/a;http://b/"), std::string::npos);
  const StampS before = Stamp(machineIni_);
  ASSERT_EQ(prefs.SaveValue(key, S("Servers"), S(";")), RC_OK);
  EXPECT_EQ(Stamp(machineIni_), before);

  // Saving creates a missing key; the text round-trips through a load.
  const StringC newKey = P::SectionKey(P::s_UsageAgent, P::s_AllUsers);
  ASSERT_EQ(prefs.SaveValue(newKey, S("Host"), StringC()), RC_OK);
  env_EnvironmentC other;
  EnvMSWPreferencesC loaded(&other);
  EXPECT_EQ(loaded.LoadKey(newKey, StringC()), RC_OK);
  EXPECT_EQ(Get(loaded, "Host"), "example.com");
}

TEST_F(MSWPreferencesTest, UserHiveLivesInTheHomeDirectory) {
  EnvMSWPreferencesC prefs(&env_);
  prefs.SetValue(S("Proxy"), S("proxy:8080"));
  ASSERT_EQ(prefs.SaveValue(P::SectionKey(P::s_Common, P::s_CurrentUser), S("Proxy"), StringC()),
            RC_OK);
  const std::string userIni = dir_ + "/home/.config/quillmarsh/user.ini";
  EXPECT_NE(Read(userIni).find("Proxy=proxy:8080"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(::stat(userIni.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(MSWPreferencesTest, WithoutAStoreEverythingFailsSoftly) {
  P::SetRegistryForTest(nullptr);
  EnvMSWPreferencesC prefs(&env_);
  EXPECT_EQ(prefs.LoadKey(P::SectionKey(P::s_Common, P::s_AllUsers), StringC()), RC_FAIL);
  EXPECT_EQ(prefs.LoadSection(P::s_Common, P::s_AllUsers, StringC()), RC_OK);
  EXPECT_EQ(prefs.LoadOpenKeyValue(cmn_kHKLM, S("A"), StringC()), RC_FAIL);
  EXPECT_EQ(prefs.SaveValue(P::SectionKey(P::s_Common, P::s_AllUsers), S("A"), StringC()), RC_FAIL);
  EXPECT_EQ(P::DataDirectory().ToUtf8(), "/var/tmp/tolvane");
  EXPECT_EQ(P::InstallDirectory().ToUtf8(), "/opt/quillmarsh");
  EXPECT_EQ(P::SetUpConfigurationStore(), RC_FAIL);
  EXPECT_EQ(prefs.ParameterCount(), 0);
}

TEST_F(MSWPreferencesTest, WellKnownDirectoriesComeFromTheRootKey) {
  // Read but empty: the fallbacks.
  Machine("[Quillmarsh]\nInstallDir=\nCommonAppDataFolder=\n");
  EXPECT_EQ(P::DataDirectory().ToUtf8(), "/var/tmp/tolvane");
  EXPECT_EQ(P::InstallDirectory().ToUtf8(), "/opt/quillmarsh");

  const std::string data = dir_ + "/data";
  Write(machineIni_, "[Quillmarsh]\nInstallDir=/opt/q\nCommonAppDataFolder=" + data + "\n");
  EXPECT_EQ(P::InstallDirectory().ToUtf8(), "/opt/q");
  EXPECT_EQ(P::DataDirectory().ToUtf8(), data);
  // The run directory is created with its missing parents.
  EXPECT_EQ(P::RunDirectory().ToUtf8(), data + "/run");
  EXPECT_TRUE(fs::is_directory(data + "/run"));
  EXPECT_EQ(P::SemaphorePath(S("Quillmarsh.Policy/Machine user\\x")).ToUtf8(),
            data + "/run/Quillmarsh.Policy_Machine_user_x");

  // A data directory below a regular file cannot hold a run directory.
  Write(dir_ + "/file", "x");
  Write(machineIni_, "[Quillmarsh]\nCommonAppDataFolder=" + dir_ + "/file/data\n");
  const size_t errors = getErrBuf()->Count();
  EXPECT_EQ(P::RunDirectory().ToUtf8(), P::c_DefaultRunDirectory);
  EXPECT_EQ(getErrBuf()->Count(), errors);
  EXPECT_EQ(P::SemaphorePath(S("a b")).ToUtf8(), std::string(P::c_DefaultRunDirectory) + "/a_b");
}

TEST_F(MSWPreferencesTest, SetUpWithConfigIniWritesTheGivenDirectoriesOnce) {
  const std::string ini = dir_ + "/custom.ini";
  Write(ini, "; test machine\n[Quillmarsh]\nETCPVersion=4.5\n");
  vars_.Set("QUILLMARSHCONFIGINI", ini);
  vars_.Set("QUILLMARSHINSTALLDIR", dir_ + "/install");
  vars_.Set("QUILLMARSHDATADIR", dir_ + "/data");
  vars_.Set("QUILLMARSHEXECPATH", "/usr/local/bin/qlmpolicy");
  EXPECT_EQ(P::SetUpConfigurationStore(), RC_OK);
  EXPECT_EQ(EnvUnixC::s_ExecutionPath.ToUtf8(), "/usr/local/bin/qlmpolicy");
  EXPECT_EQ(StoreText(kRootKey, "InstallDir"), dir_ + "/install");
  EXPECT_EQ(StoreText(kRootKey, "ETCPInstallDir"), dir_ + "/install");
  EXPECT_EQ(StoreText(kRootKey, "CommonAppDataFolder"), dir_ + "/data");
  EXPECT_EQ(std::string(getOpenSSL(2)->LibraryDirectory()), dir_ + "/install/lib");
  const std::string text = Read(ini);
  EXPECT_EQ(text.rfind("; test machine\n", 0), 0u);
  EXPECT_NE(text.find("InstallDir=" + dir_ + "/install"), std::string::npos);
  EXPECT_EQ(P::DataDirectory().ToUtf8(), dir_ + "/data");

  // A second run with the same environment changes nothing on disk.
  const StampS before = Stamp(ini);
  NewStore();
  EXPECT_EQ(P::SetUpConfigurationStore(), RC_OK);
  EXPECT_EQ(Stamp(ini), before);
  EXPECT_EQ(Read(ini), text);

  vars_.Unset("QUILLMARSHEXECPATH");
  NewStore();
  EXPECT_EQ(P::SetUpConfigurationStore(), RC_OK);
  EXPECT_TRUE(EnvUnixC::s_ExecutionPath.IsEmpty());
}

TEST_F(MSWPreferencesTest, SetUpAttachesTheDataFileAndMakesTheStoreAgree) {
  const std::string data = dir_ + "/data";
  const std::string machine = dir_ + "/etc/quillmarsh.ini";
  const std::string dataIni = data + "/etc/config.ini";
  Write(machine, "[Quillmarsh]\nInstallDir=/opt/q\nCommonAppDataFolder=" + data +
                     "\nETCPVersion=4.5.0\n"
                     "[Quillmarsh\\Common]\nFromMachine=m\nShared=machine\n");
  Write(dataIni,
        "# data directory file\n[Quillmarsh]\nInstallDir=/opt/old\n"
        "[Quillmarsh\\Common]\nShared=data\n");
  // A missing QUILLMARSHCONFIGINI is ignored: QUILLMARSHINI names the machine file.
  vars_.Set("QUILLMARSHCONFIGINI", dir_ + "/missing.ini");
  vars_.Set("QUILLMARSHINI", machine);
  const std::string machineText = Read(machine);

  EXPECT_EQ(P::SetUpConfigurationStore(), RC_OK);
  // The machine's policy file is attached first, at the alternate key.
  EXPECT_EQ(store_->AttachedFiles(cmn_kHKLM),
            (std::vector<std::string>{"/etc/quillmarsh-policy.ini", machine, dataIni}));
  EXPECT_FALSE(fs::exists(dir_ + "/missing.ini"));
  // The data file is read first and receives the writes that make the store agree.
  EXPECT_EQ(StoreText(kRootKey, "InstallDir"), "/opt/q");
  EXPECT_EQ(StoreText(kRootKey, "ETCPInstallDir"), "/opt/q");
  EXPECT_EQ(StoreText("Software\\Quillmarsh Corp\\Quillmarsh\\Common", "Shared"), "data");
  EXPECT_EQ(StoreText("Software\\Quillmarsh Corp\\Quillmarsh\\Common", "FromMachine"), "m");
  EXPECT_EQ(Read(machine), machineText);
  const std::string dataText = Read(dataIni);
  EXPECT_NE(dataText.find("InstallDir=/opt/q\n"), std::string::npos);
  EXPECT_NE(dataText.find("ETCPInstallDir=/opt/q\n"), std::string::npos);
  EXPECT_EQ(dataText.find("CommonAppDataFolder"), std::string::npos);  // already agreed
  EXPECT_EQ(dataText.find("ETCPVersion"), std::string::npos);
  EXPECT_EQ(std::string(getOpenSSL(2)->LibraryDirectory()), "/opt/q/lib");

  // Second run: nothing differs, so neither file is written.
  const StampS machineStamp = Stamp(machine);
  const StampS dataStamp = Stamp(dataIni);
  NewStore();
  EXPECT_EQ(P::SetUpConfigurationStore(), RC_OK);
  EXPECT_EQ(Stamp(machine), machineStamp);
  EXPECT_EQ(Stamp(dataIni), dataStamp);
}

TEST_F(MSWPreferencesTest, SetUpReportsAMissingDirectoryAndAttachesNoDataFile) {
  const std::string machine = dir_ + "/quillmarsh.ini";
  vars_.Set("QUILLMARSHINI", machine);
  struct CaseS {
    const char* text;
    bool ok;
  };
  const CaseS cases[] = {
      {"[Quillmarsh]\nCommonAppDataFolder=/x\n", false},  // no InstallDir
      {"[Quillmarsh]\nInstallDir=/opt/q\n", false},       // no CommonAppDataFolder
      {"[Quillmarsh]\nInstallDir=/opt/q\nCommonAppDataFolder=\n", true},
      {"[Quillmarsh]\nInstallDir=/opt/q\nCommonAppDataFolder=relative/data\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Write(machine, c.text);
    NewStore();
    const RcT rc = P::SetUpConfigurationStore();
    EXPECT_EQ(rc == RC_OK, c.ok);
    if (!c.ok) {
      EXPECT_EQ(rc, cmn_kRegNoSuchValue);
    }
    // Only the machine file: an empty or relative data directory must not bring in
    // "/etc/config.ini" or a file below the working directory.
    EXPECT_EQ(store_->AttachedFiles(cmn_kHKLM),
              (std::vector<std::string>{"/etc/quillmarsh-policy.ini", machine}));
    EXPECT_EQ(Read(machine), c.text);
  }
}

// The slot of a virtual member function (Itanium C++ ABI: 1 + the byte offset of its entry).
template <typename F>
long Slot(F f) {
  static_assert(sizeof(F) == 2 * sizeof(void*));
  long raw = 0;
  std::memcpy(&raw, &f, sizeof raw);
  return (raw - 1) / static_cast<long>(sizeof(void*));
}

TEST(MSWPreferencesLayoutTest, AddedOperationsFollowTheBaseSlots) {
  using N = const StringC&;
  using K = const env_EnvOptsC&;
  using H = cmn_RegHandleT;
  using C = const char*;
  EXPECT_EQ(Slot(&P::LoadKey), 27);
  EXPECT_EQ(Slot(&P::LoadOpenKey), 28);
  EXPECT_EQ(Slot(&P::LoadSection), 29);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(N, N, N)>(&P::LoadValue)), 30);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(H, N, N)>(&P::LoadOpenKeyValue)), 31);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(N, K, N)>(&P::LoadValue)), 32);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(H, K, N)>(&P::LoadOpenKeyValue)), 33);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(C, int, K, N)>(&P::LoadSectionValue)), 34);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(C, int, N, N)>(&P::LoadSectionValue)), 35);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(N, N, N)>(&P::SaveValue)), 36);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(H, N, N)>(&P::SaveOpenKeyValue)), 37);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(N, K, N)>(&P::SaveValue)), 38);
  EXPECT_EQ(Slot(static_cast<RcT (P::*)(H, K, N)>(&P::SaveOpenKeyValue)), 39);
  // The base's last slot stays where it was.
  EXPECT_EQ(Slot(&P::AttachContextEnvironment), 26);
}

}  // namespace
