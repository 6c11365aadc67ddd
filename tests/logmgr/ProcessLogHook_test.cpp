// The log manager as the process layer's log hook: while a manager is the singleton, the lines
// ExecuteCommand writes reach its log file; once it stops being the singleton, by any way,
// they go back to the error buffer and no longer touch the manager.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "os/ExecuteCommand.h"
#include "os/ProcessLogHook.h"
#include "tests/logmgr/LogMgrTestSupport.h"
#include "tests/testing/ErrBufProbe.h"

namespace {

using namespace logmgrtest;

// The text after "] " of each line of the log.
std::vector<std::string> Texts(const std::string& path) {
  std::vector<std::string> texts;
  for (const std::string& line : ReadLines(path)) {
    const size_t at = line.find(")] ");
    texts.push_back(at == std::string::npos ? line : line.substr(at + 3));
  }
  return texts;
}

// A new manager logging without prefix into `dir`, made the singleton. The singleton holds the
// only reference.
log_LogManagerC* MakeSingleton(const TempDirC& dir) {
  log_LogSettingsC settings = SettingsIn(dir);
  settings.logFlags = S("0");
  auto* manager = new log_LogManagerC(settings);
  manager->AddRef();
  log_LogManagerC::ReplaceInstance(manager);
  EXPECT_EQ(manager->Release(), 1u);
  return manager;
}

TEST(LogManagerProcessHookTest, ExecuteCommandLinesReachTheLogFileWhileTheManagerIsSingleton) {
  // Each way a manager stops being the singleton must also take it out of the hook.
  enum class EndE { kShutdown, kShutdownForced, kReplacedByNull, kReleasedByHolder };
  for (EndE end :
       {EndE::kShutdown, EndE::kShutdownForced, EndE::kReplacedByNull, EndE::kReleasedByHolder}) {
    SCOPED_TRACE(static_cast<int>(end));
    TempDirC dir;
    log_LogManagerC* manager = MakeSingleton(dir);

    unsigned long code = 0;
    ASSERT_EQ(ExecuteCommand("/bin/sh -c 'exit 3'", ExecuteOptionsS{.exit_code = &code}),
              EXECUTE_STARTED);
    EXPECT_EQ(code, 3u);
    const std::vector<std::string> expected = {
        "Execute \xE2\x80\x9C/bin/sh -c 'exit 3'\xE2\x80\x9D",
        "Execute returned \xE2\x80\x9CStarted Successfully\xE2\x80\x9D. ",
        "Command \xE2\x80\x9C/bin/sh -c 'exit 3'\xE2\x80\x9D returned exit code 3"};
    EXPECT_EQ(Texts(dir.File("log/test.log")), expected);

    switch (end) {
      case EndE::kShutdown:
        log_LogManagerC::Shutdown(false);
        break;
      case EndE::kShutdownForced:
        manager->AddRef();  // a reference some component forgot to give back
        log_LogManagerC::Shutdown(true);
        break;
      case EndE::kReplacedByNull:
        log_LogManagerC::ReplaceInstance(nullptr);
        break;
      case EndE::kReleasedByHolder:
        // The singleton's reference given up directly: the manager is destroyed, and must
        // not stay reachable.
        EXPECT_EQ(manager->Release(), 0u);
        break;
    }
    EXPECT_EQ(log_LogManagerC::m_InstanceP.load(), nullptr);

    // Without a manager the lines land in the error buffer, as information.
    const size_t before = getErrBuf()->Count();
    const uint64_t mark = getErrBuf()->Mark();
    ASSERT_EQ(ExecuteCommand("/bin/true", ExecuteOptionsS{.exit_code = &code}), EXECUTE_STARTED);
    const std::vector<std::string> reported = qlmtest::ErrorTexts(before);
    ASSERT_EQ(reported.size(), 3u);
    EXPECT_EQ(reported[0], "Execute \xE2\x80\x9C/bin/true\xE2\x80\x9D");
    for (size_t i = before; i < getErrBuf()->Count(); ++i) {
      EXPECT_EQ(getErrBuf()->Entry(i)->Severity(), 2);
    }
    getErrBuf()->Rollback(mark);
    EXPECT_EQ(Texts(dir.File("log/test.log")), expected);
  }
}

}  // namespace
