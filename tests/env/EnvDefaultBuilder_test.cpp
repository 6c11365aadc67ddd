// The built-in default preferences: the two tables, the values computed from this machine and
// from described machines, the configuration store's influence, and expansion of the results.
#include "env/env_EnvDefaultBuilderC.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "cmn/cmn_ConfigStoreC.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/EnvPreferencesC.h"
#include "env/env_EnvironmentC.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/StringHelpers.h"
#include "tests/testing/TempDirTest.h"

namespace fs = std::filesystem;

namespace {

using B = env_EnvDefaultBuilderC;

using qlmtest::S;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// Raw (unexpanded) value, or "<unset>" when the environment lacks the name.
std::string Raw(env_EnvironmentC& env, const std::string& name) {
  if (!env.Exists(S(name))) return "<unset>";
  return env.FindParam(env_EnvOptsC(S(name))).GetValue().ToUtf8();
}

std::string Expanded(env_EnvironmentC& env, const std::string& name) {
  EnvPreferencesC prefs(&env);
  return prefs.GetValue(S(name)).ToUtf8();
}

// A Linux machine with nothing unusual; tests change what they look at.
B::FactsS LinuxFacts() {
  B::FactsS f;
  f.osKind = 10;
  f.majorVersion = 5;
  f.minorVersion = 14;
  f.hasHostName = true;
  f.hostName = S("node7");
  f.hasDomainName = true;
  f.domainName = S("(none)");
  f.effectiveUserId = 1000;
  f.hasUserName = true;
  f.userName = S("pat");
  f.architecture = S("x86_64");
  f.processId = 4242;
  return f;
}

// Each test gets its own configuration store over a machine file in a temporary directory
// (or no store at all when it says so).
class EnvDefaultBuilderTest : public qlmtest::TempDirTest {
 protected:
  void SetUp() override {
    qlmtest::TempDirTest::SetUp();
    store_ = std::make_unique<cmn_ConfigStoreC>("");
    EnvMSWPreferencesC::SetRegistryForTest(store_.get());
  }
  void TearDown() override {
    EnvMSWPreferencesC::ClearRegistryForTest();
    qlmtest::TempDirTest::TearDown();
  }
  // Attaches a machine file holding `text` below HKLM "Software\Quillmarsh Corp".
  void Machine(const std::string& text, const std::string& file = "quillmarsh.ini") {
    const std::string path = dir_ + "/" + file;
    ASSERT_TRUE(qlmtest::WriteFile(path, text));
    ASSERT_EQ(store_->AttachFile(path, "HKLM", "Software\\Quillmarsh Corp"), 0u);
  }
  void NoStore() { EnvMSWPreferencesC::SetRegistryForTest(nullptr); }

  std::unique_ptr<cmn_ConfigStoreC> store_;
};

// Both tables end where their declared counts say, every entry has a value, and a name that
// appears twice (ignoring case) carries the same value both times, so the order of setting
// cannot change the result.
TEST(EnvDefaultTables, TablesAreTerminatedAndConsistent) {
  const struct {
    const char* name;
    const B::DefPairS* table;
    size_t count;
  } tables[] = {{"general", B::c_asEnvDefList, B::c_nEnvDefCount},
                {"security", B::c_asSecDefList, B::c_nSecDefCount}};
  std::map<std::string, std::string> byLower;
  for (const auto& t : tables) {
    SCOPED_TRACE(t.name);
    size_t n = 0;
    for (const B::DefPairS* p = t.table; p->name != nullptr; ++p, ++n) {
      ASSERT_NE(p->value, nullptr) << p->name;
      const auto [it, added] = byLower.emplace(Lower(p->name), p->value);
      if (!added) {
        EXPECT_EQ(it->second, p->value) << "repeated name " << p->name;
      }
    }
    EXPECT_EQ(n, t.count);
    EXPECT_EQ(t.table[t.count].value, nullptr);
  }
}

TEST(EnvDefaultTables, DocumentedDefaults) {
  // Names and values exactly as the agent spells them.
  const std::map<std::string, std::string> spot = {
      {"RotateConnectionsOnFailedConnectionAttempt", "False"},
      {"UninstallIvorelSilently", "Auto"},
      {"RebootCmdLine", "\"$(RebootPath)\""},
      {"PostponeCmdLine", "\"$(PostponePath)\""},
      {"URLComputerDomain", "$(ComputerDomain)_domain/"},
      {"NetworkMaxByteLevelSpeed", "262144"},
      {"PROGFILES", "/opt"},
      {"AllowTimeoutIfLocked", "true"},
      {"RebootShowShutdown", "false"},
      {"LogFileBak", ""},
      {"ForceOracleQueryFormat", "AUTO"},
      {"ExternalInstallerOutput", "stdoutpass,stderrpass"},
      {"InstallationStatusRefreshPeriod", "604800"},
      {"UserDefinedOracleHome", "True"},
      {"LogFile", "$(CommonAppDataFolder)/log/quillmarsh.log"},
      {"PackageDatabasePath", "$(CommonAppDataFolder)/cache/packagedb.cdb"},
      {"LogLevel", "A-z"},
      {"BROWSEREXE", "netscape.exe"},
      {"SSLCACertificateFile", "$(SSLDirectory)/cert.pem"},
  };
  std::map<std::string, std::string> exact;
  for (const B::DefPairS* table : {B::c_asEnvDefList, B::c_asSecDefList}) {
    for (const B::DefPairS* p = table; p->name != nullptr; ++p) exact[p->name] = p->value;
  }
  for (const auto& [name, value] : spot) {
    ASSERT_TRUE(exact.count(name)) << name;
    EXPECT_EQ(exact[name], value) << name;
  }
}

TEST(EnvDefaultTables, DistributionAndKindNames) {
  EXPECT_STREQ(B::DistributionNames(S("SUSE LINUX")), "SuSE;SuSE Linux;openSUSE");
  EXPECT_STREQ(B::DistributionNames(S("RedHatEnterpriseClient")),
               "RedHat;RedHat Enterprise Linux WS");
  EXPECT_EQ(B::DistributionNames(S("centos")), nullptr);  // identifiers compare exactly
  EXPECT_EQ(B::DistributionNames(S("")), nullptr);
  EXPECT_STREQ(B::OSKindName(5), "Mac OS X");
  EXPECT_EQ(B::OSKindName(8), nullptr);
  EXPECT_EQ(B::OSKindName(0), nullptr);
}

TEST_F(EnvDefaultBuilderTest, EveryTableDefaultIsWritten) {
  NoStore();
  env_EnvironmentC env;
  B builder(LinuxFacts());
  builder.Build(env);
  const std::set<std::string> computed = {"programpath", "plugindirectory", "os", "osnames",
                                          "osversion"};
  for (const B::DefPairS* p = B::c_asEnvDefList; p->name != nullptr; ++p) {
    if (computed.count(Lower(p->name))) continue;
    EXPECT_EQ(Raw(env, p->name), p->value) << p->name;
  }
  for (const B::DefPairS* p = B::c_asSecDefList; p->name != nullptr; ++p) {
    EXPECT_EQ(Raw(env, p->name), p->value) << p->name;
  }
  EXPECT_EQ(Raw(env, "ProgramPath"), "/opt/quillmarsh/bin");
  EXPECT_EQ(Raw(env, "PluginDirectory"), "/opt/quillmarsh/bin/plugins");
  EXPECT_EQ(Raw(env, "PID"), "4242");
  EXPECT_EQ(Raw(env, "OSVERSION"), "5,14,0,0");
  EXPECT_EQ(Raw(env, "SingleInstance"), "<unset>");
  // A stale value is replaced: defaults are written without the protection of fixed values.
  env_EnvironmentC again;
  again.SetValue(S("LogLevel"), S("x"));
  again.SetValue(S("LogLevelFixed"), S("True"));
  builder.Build(again);
  EXPECT_EQ(Raw(again, "LogLevel"), "A-z");
}

TEST_F(EnvDefaultBuilderTest, ThisMachine) {
  NoStore();
  env_EnvironmentC env;
  B builder;
  builder.Build(env);

  struct utsname names {};
  ASSERT_EQ(::uname(&names), 0);
  EXPECT_EQ(Raw(env, "Architecture"), names.machine);
  EXPECT_EQ(Raw(env, "PID"), std::to_string(::getpid()));
  EXPECT_EQ(Raw(env, "OS"), "Linux");

  char host[1024] = {};
  ASSERT_EQ(::gethostname(host, sizeof host - 1), 0);
  std::string h = host;
  const size_t dot = h.find('.', 1);
  EXPECT_EQ(Raw(env, "ComputerName"), dot == std::string::npos ? h : h.substr(0, dot));

  const uid_t uid = ::geteuid();
  EXPECT_EQ(Raw(env, "AdminUser"), uid == 0 ? "True" : "False");
  EXPECT_EQ(Raw(env, "SystemUser"), Raw(env, "AdminUser"));
  if (uid == 0) {
    EXPECT_EQ(Raw(env, "UserName"), "system");
  } else if (const passwd* pw = ::getpwuid(uid)) {
    EXPECT_EQ(Raw(env, "UserName"), pw->pw_name);
  } else {
    EXPECT_EQ(Raw(env, "UserName"), "<unset>");
  }
  const std::string version = Raw(env, "OSVERSION");
  EXPECT_EQ(version.rfind(",0,0"), version.size() - 4) << version;
  EXPECT_NE(version, "0,0,0,0");
}

TEST_F(EnvDefaultBuilderTest, OperatingSystemAndDistribution) {
  NoStore();
  struct CaseS {
    int32_t kind;
    const char* versionText;
    const char* distribution;
    const char* os;
    const char* osNames;
    const char* osVersion;
  };
  const CaseS cases[] = {
      {10, "", "RedHatEnterpriseServer", "Linux",
       "Linux;RedHat;RedHat Enterprise Linux ES;RedHatEnterpriseServer", "5,14,0,0"},
      {10, "11.4", "SUSE LINUX", "Linux", "Linux;SuSE;SuSE Linux;openSUSE;SUSE LINUX", "11.4"},
      {10, "", "Debian GNU/Linux", "Linux", "Linux;Debian;Debian GNU/Linux", "5,14,0,0"},
      {10, "", "CentOS", "Linux", "Linux;RedHat;CentOS", "5,14,0,0"},
      {10, "", "Gentoo", "Linux", "Linux;Gentoo", "5,14,0,0"},
      {10, "", "", "Linux", "Linux", "5,14,0,0"},
      {8, "", "", "unknown", "unknown", "5,14,0,0"},
      {8, "", "CentOS", "unknown", "unknown;RedHat;CentOS", "5,14,0,0"},
      {7, "7.1", "", "AIX", "AIX", "7.1"},
  };
  for (const CaseS& c : cases) {
    B::FactsS f = LinuxFacts();
    f.osKind = c.kind;
    f.versionText = S(c.versionText);
    f.distributionId = S(c.distribution);
    env_EnvironmentC env;
    B(f).Build(env);
    SCOPED_TRACE(c.distribution);
    EXPECT_EQ(Raw(env, "OS"), c.os);
    EXPECT_EQ(Raw(env, "OSNAMES"), c.osNames);
    EXPECT_EQ(Raw(env, "OSVERSION"), c.osVersion);
    EXPECT_EQ(Raw(env, "OSDistributorId"), *c.distribution ? c.distribution : "<unset>");
  }
  B::FactsS f = LinuxFacts();
  f.majorVersion = 2;
  f.minorVersion = 6;
  env_EnvironmentC env;
  B(f).Build(env);
  EXPECT_EQ(Raw(env, "OSVERSION"), "2,6,0,0");
}

TEST_F(EnvDefaultBuilderTest, StoreNameMapReplacesTheTable) {
  Machine(
      "[Quillmarsh\\Common\\OSNameMap]\n"
      "CentOS=Custom;Names\n"
      "Debian GNU/Linux=\n");
  struct CaseS {
    const char* distribution;
    const char* osNames;
  };
  const CaseS cases[] = {
      {"CentOS", "Linux;Custom;Names;CentOS"},
      {"Debian GNU/Linux", "Linux;Debian GNU/Linux"},
      {"openSUSE", "Linux;SuSE;SuSE Linux;openSUSE"},
  };
  for (const CaseS& c : cases) {
    B::FactsS f = LinuxFacts();
    f.distributionId = S(c.distribution);
    env_EnvironmentC env;
    B(f).Build(env);
    EXPECT_EQ(Raw(env, "OSNAMES"), c.osNames) << c.distribution;
  }
}

TEST_F(EnvDefaultBuilderTest, HostDomainAndUser) {
  NoStore();
  struct CaseS {
    bool hasHost;
    const char* host;
    bool hasDomain;
    const char* domain;
    const char* computerName;
    const char* osDomain;
    const char* urlDomain;  // URLComputerDomain expanded
  };
  const CaseS cases[] = {
      {true, "alpha.example.com", true, "(none)", "alpha", "example.com", "example.com_domain/"},
      {true, "alpha.example.com", true, "nis.corp", "alpha", "example.com", "example.com_domain/"},
      {true, "alpha", true, "(none)", "alpha", "<unset>", "_domain/"},
      {true, "alpha", true, "corp.local", "alpha", "corp.local", "corp.local_domain/"},
      {true, ".hidden", false, "", ".hidden", "<unset>", "_domain/"},
      {true, "alpha.", true, "corp", "alpha", "corp", "corp_domain/"},
      {false, "", true, "corp", "<unset>", "corp", "corp_domain/"},
  };
  for (const CaseS& c : cases) {
    B::FactsS f = LinuxFacts();
    f.hasHostName = c.hasHost;
    f.hostName = S(c.host);
    f.hasDomainName = c.hasDomain;
    f.domainName = S(c.domain);
    env_EnvironmentC env;
    B(f).Build(env);
    SCOPED_TRACE(std::string(c.host) + " / " + c.domain);
    EXPECT_EQ(Raw(env, "ComputerName"), c.computerName);
    EXPECT_EQ(Raw(env, "OSComputerDomain"), c.osDomain);
    EXPECT_EQ(Raw(env, "OSUserLogonDomain"), c.osDomain);
    EXPECT_EQ(Expanded(env, "URLComputerDomain"), c.urlDomain);
    EXPECT_EQ(Expanded(env, "URLUserLogonDomain"), c.urlDomain);
  }

  struct UserS {
    uint32_t uid;
    bool hasName;
    const char* name;
    const char* userName;
    const char* admin;
  };
  const UserS users[] = {
      {0, true, "root", "system", "True"},
      {1000, true, "pat", "pat", "False"},
      {1001, false, "", "<unset>", "False"},
  };
  for (const UserS& u : users) {
    B::FactsS f = LinuxFacts();
    f.effectiveUserId = u.uid;
    f.hasUserName = u.hasName;
    f.userName = S(u.name);
    env_EnvironmentC env;
    B(f).Build(env);
    EXPECT_EQ(Raw(env, "UserName"), u.userName) << u.uid;
    EXPECT_EQ(Raw(env, "AdminUser"), u.admin) << u.uid;
    EXPECT_EQ(Raw(env, "SystemUser"), u.admin) << u.uid;
  }
}

TEST_F(EnvDefaultBuilderTest, InstallDirectoryAndRebuild) {
  Machine("[Quillmarsh]\nInstallDir=" + dir_ + "/inst\nCommonAppDataFolder=" + dir_ + "/data\n");
  B builder(LinuxFacts());
  env_EnvironmentC env;
  builder.Build(env);
  EXPECT_EQ(Raw(env, "ProgramPath"), dir_ + "/inst/bin");
  EXPECT_EQ(Raw(env, "PluginDirectory"), dir_ + "/inst/bin/plugins");
  EXPECT_EQ(Raw(env, "InstallDir"), dir_ + "/inst");
  EXPECT_EQ(Expanded(env, "RebootCmdLine"), "\"" + dir_ + "/inst/bin/reboot\"");
  EXPECT_EQ(Expanded(env, "PostponePath"), dir_ + "/inst/bin/qlmpostpone");

  // Once the store no longer names an install directory, a second build of the same builder
  // gives the built-in path again, not the one computed before.
  NoStore();
  env_EnvironmentC later;
  builder.Build(later);
  EXPECT_EQ(Raw(later, "ProgramPath"), "/opt/quillmarsh/bin");
  EXPECT_EQ(Raw(later, "PluginDirectory"), "/opt/quillmarsh/bin/plugins");
  EXPECT_EQ(Raw(later, "InstallDir"), "/opt/quillmarsh");
  EXPECT_EQ(Raw(later, "CommonAppDataFolder"), "/var/tmp/tolvane");

  // A path too long to be a file name leaves the plugin directory at its built-in text.
  Machine("[Quillmarsh]\nInstallDir=/" + std::string(5000, 'a') + "\n", "long.ini");
  EnvMSWPreferencesC::SetRegistryForTest(store_.get());
  env_EnvironmentC longPath;
  builder.Build(longPath);
  EXPECT_EQ(Raw(longPath, "PluginDirectory"), ".");
}

TEST_F(EnvDefaultBuilderTest, ReferencesExpandToRealPaths) {
  const std::string data = dir_ + "/data";
  Machine("[Quillmarsh]\nCommonAppDataFolder=" + data + "\n");
  env_EnvironmentC env;
  B(LinuxFacts()).Build(env);
  env.SetValue(S("AppDataFolder"), S(dir_ + "/home"));
  const std::map<std::string, std::string> expected = {
      {"LogFile", data + "/log/quillmarsh.log"},
      {"LogFileOld", data + "/log/quillmarsh.old"},
      {"PackageDatabasePath", data + "/cache/packagedb.cdb"},
      {"SSLCACertificateFile", data + "/etc/ssl/cert.pem"},
      {"SSLOCSPPath", data + "/etc/ssl/ocsp"},
      {"TaskDirectory", data + "/scheduler/tasks"},
      {"MachinePolicyDirectory", data + "/policies/merged/machine"},
      {"MachinePolicyPackageDirectory", data + "/policy/packages"},
      {"UserPolicyDirectory", dir_ + "/home/.quillmarsh/policy/policies/merged/user"},
      {"UserPolicyPackageDirectory", dir_ + "/home/.quillmarsh/packages"},
      {"UserZeroTouchDirectory", dir_ + "/home/.quillmarsh/tracker/zerotouch"},
      {"OSNAMES", "Linux"},
  };
  for (const auto& [name, path] : expected) EXPECT_EQ(Expanded(env, name), path) << name;
  EXPECT_EQ(Raw(env, "UserUploadDirectory"), "$(AppDataFolder)/.quillmarsh/uploads");
}

TEST_F(EnvDefaultBuilderTest, FixedDirectoriesKeepTheirValues) {
  Machine("[Quillmarsh]\nCommonAppDataFolder=" + dir_ + "\n");
  env_EnvironmentC env;
  env.SetValue(S("CommonAppDataFolder"), S("/fixed"));
  env.SetValue(S("CommonAppDataFolderFixed"), S("True"));
  env.SetValue(S("MachineUploadDirectory"), S("/up"));
  env.SetValue(S("MachineUploadDirectoryFxd"), S("Yes"));
  env.SetValue(S("Architecture"), S("sparc"));
  env.SetValue(S("ArchitectureFixed"), S("True"));
  B(LinuxFacts()).Build(env);
  EXPECT_EQ(Raw(env, "CommonAppDataFolder"), "/fixed");
  EXPECT_EQ(Raw(env, "MachineUploadDirectory"), "/up");
  EXPECT_EQ(Raw(env, "Architecture"), "sparc");
  EXPECT_EQ(Expanded(env, "LogFile"), "/fixed/log/quillmarsh.log");
}

TEST_F(EnvDefaultBuilderTest, OwnTableOnly) {
  NoStore();
  const B::DefPairS table[] = {{"One", "1"}, {"Two", "$(One)2"}, {nullptr, nullptr}};
  env_EnvironmentC env;
  B(table).Build(env);
  EXPECT_EQ(env.GetCount(), 2);
  EXPECT_EQ(Expanded(env, "Two"), "12");
}

}  // namespace
