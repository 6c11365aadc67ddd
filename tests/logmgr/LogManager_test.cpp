// The log manager: its interfaces and reference count, the singleton, the catalog, reading
// the preferences, and the logger list made from "LogModules" (with real log modules).
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "env/EnvPreferencesC.h"
#include "env/env_ContextLinkC.h"
#include "env/env_EnvironmentC.h"
#include "log/CatalogWriterC.h"
#include "logmgr/log_LogInstanceC.h"
#include "os/ProcessLogHook.h"
#include "registry/GuidC.h"
#include "tests/logmgr/LogMgrTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace logmgrtest;
using logtest::ScopedEnvC;

constexpr const char* kBanner = "\x01\x01i\x01%1$s";

// The text after "] " (or after the prefix braces) of each line.
std::vector<std::string> Texts(const std::string& path) {
  std::vector<std::string> texts;
  for (const std::string& line : ReadLines(path)) {
    size_t at = line.find(")] ");
    texts.push_back(at == std::string::npos ? line : line.substr(at + 3));
  }
  return texts;
}

log_LogSettingsC QuietSettingsIn(const TempDirC& dir) {
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logFlags = S("0");
  return settings;
}

TEST(LogManagerTest, AnswersItsThreeInterfacesAndCountsReferences) {
  TempDirC dir;
  log_LogManagerC* manager = new log_LogManagerC(QuietSettingsIn(dir));
  EXPECT_EQ(manager->AddRef(), 1u);
  for (const GuidC& iid : {IID_IUnknown, IID_LogManager, IID_ZelRKLoggerI}) {
    void* out = nullptr;
    ASSERT_EQ(manager->QueryInterface(iid, &out), RC_OK);
    EXPECT_EQ(out, static_cast<log_LogManagerI*>(manager));
    EXPECT_EQ(static_cast<ZelRKLoggerI*>(out)->Release(), 1u);
  }
  void* out = manager;
  EXPECT_EQ(manager->QueryInterface(IID_ZelRegValue, &out), RC_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(manager->QueryInterface(IID_LogManager, nullptr), RC_INVALIDARG);

  // Used through the logging interface, as components do.
  ZelRKLoggerI* logger = manager;
  EXPECT_EQ(logger->LogText("through the interface"), RC_OK);
  EXPECT_EQ(logger->LogParts('G', 0, 0x100, 0x65, "\x01\x01w\x01parts %1$s %2$d", "x", 7), RC_OK);
  EXPECT_EQ(logger->AddRef(), 2u);
  EXPECT_EQ(logger->Release(), 1u);
  EXPECT_EQ(logger->Release(), 0u);  // destroyed; the file is closed
  EXPECT_EQ(Texts(dir.File("log/test.log")),
            (std::vector<std::string>{"through the interface", "parts x 7"}));
}

TEST(LogManagerTest, CatalogSuppliesTextsAndFormats) {
  TempDirC dir;
  CatalogWriterC writer;
  ASSERT_TRUE(
      writer.AddSource("0xE1000064\t{w} catalogued %1$s\n"
                       "0xE1000070\t\\x01\\x01e\\x01only in the catalog\n"
                       "0xE0010002\t%%Y\n"
                       "0xE0010003\t<%2$c|%3$d> %4$s @ %1$s\n"));
  fs::create_directories(dir.File("system"));
  ASSERT_TRUE(writer.WriteFile(dir.File("system/rklog.cat")));
  log_LogSettingsC settings = QuietSettingsIn(dir);
  settings.logMsgCatPath = S("");
  settings.programPath = S(dir.Path());
  ManagerRefC manager(settings);
  EXPECT_EQ(manager->CatalogPath().ToUtf8(), dir.File("system/rklog.cat"));

  (void)manager->Log('G', 3, 0xE1000064, kBanner, "text");
  (void)manager->Log('q', 0, 0xE1000065, "{i} default %1$s", "used");
  char year[8];
  const time_t now = ::time(nullptr);
  struct tm local {};
  ::localtime_r(&now, &local);
  ::strftime(year, sizeof year, "%Y", &local);
  EXPECT_EQ(ReadLines(dir.File("log/test.log")),
            (std::vector<std::string>{"<G|3> catalogued text @ " + std::string(year),
                                      "<q|0> default used @ " + std::string(year)}));

  char* text = nullptr;
  ASSERT_EQ(manager->GetMessageText(0xE1000070, &text), RC_OK);
  EXPECT_STREQ(text, "only in the catalog");
  std::free(text);
  ASSERT_EQ(manager->GetMessageText(0xE1000071, &text), RC_OK);
  EXPECT_STREQ(text, "");
  std::free(text);
  EXPECT_EQ(manager->GetMessageText(0xE1000070, nullptr), RC_FAIL);

  // After CloseCatalog nothing is logged any more.
  manager->CloseCatalog();
  EXPECT_EQ(manager->Log('G', 0, 0xE1000064, kBanner, "late"), RC_FAIL);
  EXPECT_EQ(manager->LogText("late"), RC_FAIL);
  text = nullptr;
  EXPECT_EQ(manager->GetMessageText(0xE1000070, &text), RC_FAIL);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(ReadLines(dir.File("log/test.log")).size(), 2u);
}

TEST(LogManagerTest, CatalogPathComesFromThePreferences) {
  struct Case {
    const char* catalog;
    const char* program;
    const char* path;
  };
  const Case cases[] = {
      {"/etc/own.cat", "/opt/q", "/etc/own.cat"},
      {"", "/opt/q", "/opt/q/system/rklog.cat"},
      {"", "", "system/rklog.cat"},
  };
  TempDirC dir;
  for (const Case& c : cases) {
    log_LogSettingsC settings = QuietSettingsIn(dir);
    settings.logMsgCatPath = S(c.catalog);
    settings.programPath = S(c.program);
    ManagerRefC manager(settings);
    EXPECT_EQ(manager->CatalogPath().ToUtf8(), c.path);
    // Without a catalog file the default texts are used.
    EXPECT_EQ(manager->Log('G', 0, 0xE1000064, kBanner, c.path), RC_OK);
  }
  EXPECT_EQ(
      Texts(dir.File("log/test.log")),
      (std::vector<std::string>{"/etc/own.cat", "/opt/q/system/rklog.cat", "system/rklog.cat"}));
}

TEST(LogManagerTest, ReadsThePreferencesExpandedWithDefaultsForAbsentOnes) {
  TempDirC dir;
  env_EnvironmentC environment;
  EnvPreferencesC preferences(&environment);
  preferences.SetValue(S("CommonAppDataFolder"), S(dir.Path()));
  preferences.SetValue(S("LogFlags"), S("0"));
  {
    // "LogFile" and "LogLevel" absent: "$(CommonAppDataFolder)/log/quillmarsh.log", "A-z".
    log_LogManagerC* manager = new log_LogManagerC(preferences);
    manager->AddRef();
    (void)manager->Log('z', 31, 0xE1000064, kBanner, "default file and level");
    manager->Release();
  }
  EXPECT_EQ(Texts(dir.File("log/quillmarsh.log")),
            std::vector<std::string>{"default file and level"});

  preferences.SetValue(S("Logs"), S(dir.File("mine")));
  preferences.SetValue(S("LogFile"), S("$(Logs)/run.log"));
  preferences.SetValue(S("LogLevel"), S("H"));
  {
    log_LogManagerC* manager = new log_LogManagerC(preferences);
    manager->AddRef();
    (void)manager->Log('G', 0, 0xE1000064, kBanner, "G is not wanted");
    (void)manager->Log('H', 0, 0xE1000064, kBanner, "H is");
    manager->Release();
  }
  EXPECT_EQ(Texts(dir.File("mine/run.log")), std::vector<std::string>{"H is"});

  // Present but empty: nothing at all is logged.
  preferences.SetValue(S("LogLevel"), S(""));
  {
    log_LogManagerC* manager = new log_LogManagerC(preferences);
    manager->AddRef();
    EXPECT_EQ(manager->InstanceCount(), 1u);
    (void)manager->Log('G', 0, 0xE1000064, kBanner, "suppressed");
    manager->Release();
  }
  EXPECT_EQ(Texts(dir.File("mine/run.log")), std::vector<std::string>{"H is"});
}

env_EnvironmentI* g_ContextEnvironment = nullptr;
env_EnvironmentI* ContextEnvironment() noexcept {
  return g_ContextEnvironment;
}

TEST(LogManagerTest, SingletonIsMadeOnFirstUseAndServesTheProcessLayer) {
  TempDirC dir;
  env_EnvironmentC environment;
  EnvPreferencesC(&environment).SetValue(S("LogFile"), S(dir.File("singleton.log")));
  EnvPreferencesC(&environment).SetValue(S("LogFlags"), S("0"));
  g_ContextEnvironment = &environment;
  env_ContextLinkC::SetSource(&ContextEnvironment);

  ASSERT_EQ(log_LogManagerC::m_InstanceP.load(), nullptr);
  log_LogManagerC* first = log_LogManagerC::Instance();
  EXPECT_EQ(log_LogManagerC::Instance(), first);
  (void)first->Log('G', 0, 0xE1000064, kBanner, "banner");
  // The process layer's messages now reach the log.
  ProcessLog(71, 0, 0xE002008A,
             "\x01\x01i\x01"
             "Execute \xE2\x80\x9C%1$s\xE2\x80\x9D",
             ArgList << "rklaunch -r x");

  // Replacing takes a reference on the new manager and releases the old one.
  TempDirC other;
  log_LogManagerC* second = new log_LogManagerC(QuietSettingsIn(other));
  second->AddRef();
  log_LogManagerC::ReplaceInstance(second);
  EXPECT_EQ(log_LogManagerC::Instance(), second);
  ProcessLog(71, 0, 0xE002008B, "\x01\x01i\x01second %1$s", ArgList << "manager");

  // Shut down without force: the singleton is cleared, our reference keeps the manager.
  log_LogManagerC::Shutdown(false);
  EXPECT_EQ(log_LogManagerC::m_InstanceP.load(), nullptr);
  const uint64_t mark = getErrBuf()->Mark();
  ProcessLog(71, 0, 0xE002008B, "\x01\x01i\x01not logged %1$s", ArgList << "now");
  getErrBuf()->Rollback(mark);
  EXPECT_EQ(second->LogText("still usable"), RC_OK);
  EXPECT_EQ(second->Release(), 0u);

  EXPECT_EQ(Texts(dir.File("singleton.log")),
            (std::vector<std::string>{"banner", "Execute \xE2\x80\x9Crklaunch -r x\xE2\x80\x9D"}));
  EXPECT_EQ(Texts(other.File("log/test.log")),
            (std::vector<std::string>{"second manager", "still usable"}));
  env_ContextLinkC::SetSource(nullptr);
  g_ContextEnvironment = nullptr;
}

#ifdef QLM_TEST_LOG_MODULE

// The settings event of a module given the default settings.
std::string ConfigureEvent() {
  return std::string("configure LogSyslogFacility= LogTimeFormat= PolicyType= ProgramName=") +
         program_invocation_short_name;
}

// The events the test module wrote, one per call.
class ModuleEventsC {
 public:
  ModuleEventsC() : env_("QLM_TEST_LOG_MODULE_EVENTS", dir_.File("events").c_str()) {}
  std::vector<std::string> Events() const { return ReadLines(dir_.File("events")); }

 private:
  TempDirC dir_;
  ScopedEnvC env_;
};

TEST(LogManagerTest, ModulesAreListedOncePerName) {
  const std::string module = QLM_TEST_LOG_MODULE;
  struct Case {
    std::string modules;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"default;default", {"default"}},
      {" Default ;\tDEFAULT\r\n", {"default"}},
      {"default; " + module, {"default", module}},
      {module + ";default;\t" + module + " \n;" + module, {module, "default"}},
      {"default;/no/such/libmodule.so", {"default"}},
      {";;", {}},
  };
  for (const Case& c : cases) {
    ModuleEventsC events;
    TempDirC dir;
    log_LogSettingsC settings = QuietSettingsIn(dir);
    settings.logModules = S(c.modules);
    {
      ManagerRefC manager(settings);
      std::vector<std::string> names;
      for (size_t i = 0; i < manager->InstanceCount(); ++i) {
        names.push_back(manager->InstanceAt(i).Logger().Name().ToUtf8());
      }
      EXPECT_EQ(names, c.names) << c.modules;
    }
    // A module named several times is loaded, initialised and finalised once.
    const bool loaded = c.modules.find(module) != std::string::npos;
    const std::vector<std::string> expected =
        loaded ? std::vector<std::string>{"init", ConfigureEvent(), "level A-z", "final"}
               : std::vector<std::string>{};
    EXPECT_EQ(events.Events(), expected) << c.modules;
  }
  // The library is unloaded with its last logger.
  EXPECT_EQ(::dlopen(module.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST(LogManagerTest, ModuleReceivesTheEntriesItsOwnLevelAccepts) {
  const std::string module = QLM_TEST_LOG_MODULE;
  ModuleEventsC events;
  ScopedEnvC level("QLM_TEST_LOG_MODULE_LEVEL", "H,G5");
  TempDirC dir;
  log_LogSettingsC settings = QuietSettingsIn(dir);
  settings.logModules = S("default;" + module);
  settings.logLevel = S("G-I");
  {
    ManagerRefC manager(settings);
    ASSERT_EQ(manager->InstanceCount(), 2u);
    EXPECT_EQ(manager->InstanceAt(1).Level().ToUtf8(), "H,G5");
    (void)manager->Log('G', 0, 0xE1000064, kBanner, "G0 for the file only");
    (void)manager->Log('H', 0, 0xE10000EC, "{w} H0 for %1$s", "both");
    (void)manager->Log('G', 5, 0xE0A60011, "{e} G5 with http://u:pw@h/ for %1$s", "both");
  }
  EXPECT_EQ(Texts(dir.File("log/test.log")),
            (std::vector<std::string>{"G0 for the file only", "H0 for both",
                                      "G5 with http://u@h/ for both"}));
  // The module gets the set, number, severity, letter, level and the unmasked text.
  EXPECT_EQ(events.Events(),
            (std::vector<std::string>{
                "init", ConfigureEvent(), "level G-I", "log 100 ec 3 H 0 H0 for both",
                "log a6 11 4 G 5 G5 with http://u:pw@h/ for both", "calls 2", "final"}));
}

#endif  // QLM_TEST_LOG_MODULE

#ifdef QLM_SYSLOG_LOG_MODULE

TEST(LogManagerTest, SyslogModuleSendsMaskedEntries) {
  // The module's standard-error echo (LOG_PERROR) shows what syslog(3) was given.
  TempDirC dir;
  const std::string echo = dir.File("stderr");
  ScopedEnvC to_stderr("QLM_SYSLOG_STDERR", "1");
  const pid_t child = Spawn([&] {
    const int fd = ::open(echo.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::dup2(fd, 2) < 0) return 2;
    log_LogSettingsC settings = QuietSettingsIn(dir);
    settings.logModules = S(std::string("default;") + QLM_SYSLOG_LOG_MODULE);
    ManagerRefC manager(settings);
    if (manager->InstanceCount() != 2) return 3;
    (void)manager->Log('G', 0, 0xE1000068, "{e} failed with %1$s", "ftp://a:secret@h/x");
    return 0;
  });
  ASSERT_EQ(WaitFor(child), 0);
  const std::string echoed = ReadFile(echo);
  EXPECT_NE(echoed.find("(G, 0) failed with ftp://a@h/x"), std::string::npos) << echoed;
  EXPECT_EQ(echoed.find("secret"), std::string::npos) << echoed;
}

#endif  // QLM_SYSLOG_LOG_MODULE

#if defined(QLM_TEST_LOG_MODULE) && defined(QLM_SYSLOG_LOG_MODULE)

// Modules are mapped through "/proc/self/fd/N" after their check: two modules must not end
// up with one name, or the loader hands the second the first one's library.
TEST(LogManagerTest, TwoModulesEachGetTheirOwnLibrary) {
  TempDirC dir;
  ModuleEventsC events;
  const std::string echo = dir.File("stderr");
  ScopedEnvC to_stderr("QLM_SYSLOG_STDERR", "1");
  const pid_t child = Spawn([&] {
    const int fd = ::open(echo.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::dup2(fd, 2) < 0) return 2;
    log_LogSettingsC settings = QuietSettingsIn(dir);
    settings.logModules =
        S(std::string("default;") + QLM_SYSLOG_LOG_MODULE + ";" + QLM_TEST_LOG_MODULE);
    ManagerRefC manager(settings);
    if (manager->InstanceCount() != 3) return 3;
    (void)manager->Log('G', 0, 0xE1000068, "{e} reached %1$s", "both modules");
    return 0;
  });
  ASSERT_EQ(WaitFor(child), 0);
  EXPECT_NE(ReadFile(echo).find("(G, 0) reached both modules"), std::string::npos)
      << ReadFile(echo);
  const std::vector<std::string> seen = events.Events();
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "init"), 1) << ::testing::PrintToString(seen);
}

#endif

}  // namespace
