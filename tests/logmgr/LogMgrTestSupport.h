// Helpers shared by the log manager's tests: settings pointing into a temporary directory, a
// holder of one manager reference, and reading the log back.
#ifndef QLM_TESTS_LOGMGR_LOGMGRTESTSUPPORT_H_
#define QLM_TESTS_LOGMGR_LOGMGRTESTSUPPORT_H_

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/StringC.h"
#include "logmgr/log_LogInstanceC.h"
#include "logmgr/log_LogManagerC.h"
#include "logmgr/log_LogSettingsC.h"
#include "tests/log/LogTestSupport.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/StringHelpers.h"
#include "tests/testing/TempDirC.h"

namespace logmgrtest {

using qlmtest::ReadFile;
using qlmtest::ReadLines;
using qlmtest::S;
using qlmtest::TempDirC;
using qlmtest::WriteFile;

// Settings that log to "<dir>/log/test.log" (old file "<dir>/log/test.old") with the
// defaults otherwise, and a catalog path where no catalog is.
inline log_LogSettingsC SettingsIn(const TempDirC& dir) {
  log_LogSettingsC settings;
  settings.logFile = S(dir.File("log/test.log"));
  settings.logFileOld = S(dir.File("log/test.old"));
  settings.logMsgCatPath = S(dir.File("no-such-catalog.cat"));
  // Check for a moved log before every entry, so that a test's rename between two log calls
  // is always seen (the program checks at most once per millisecond within a burst).
  settings.followIntervalUs = 0;
  return settings;
}

// One reference to a new manager, released at the end of the scope.
class ManagerRefC {
 public:
  explicit ManagerRefC(const log_LogSettingsC& settings) : p_(new log_LogManagerC(settings)) {
    p_->AddRef();
  }
  ~ManagerRefC() {
    if (p_ != nullptr) p_->Release();
  }
  ManagerRefC(const ManagerRefC&) = delete;
  ManagerRefC& operator=(const ManagerRefC&) = delete;

  log_LogManagerC* operator->() const { return p_; }
  log_LogManagerC& operator*() const { return *p_; }
  log_LogManagerC* Get() const { return p_; }
  // Releases the reference now.
  void Reset() {
    if (p_ != nullptr) p_->Release();
    p_ = nullptr;
  }

 private:
  log_LogManagerC* p_;
};

// The number of listed file loggers (named "default").
inline size_t FileLoggerCount(const log_LogManagerC& manager) {
  size_t count = 0;
  for (size_t i = 0; i < manager.InstanceCount(); ++i) {
    if (manager.InstanceAt(i).Logger().Name().ToUtf8() == "default") ++count;
  }
  return count;
}

// Runs `body` in a child process and gives its exit status (-1 when it did not exit
// normally). The child ends with _exit, so nothing of the parent's state is torn down twice.
template <class FnT>
pid_t Spawn(FnT body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  return pid;
}

inline int WaitFor(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace logmgrtest

#endif  // QLM_TESTS_LOGMGR_LOGMGRTESTSUPPORT_H_
