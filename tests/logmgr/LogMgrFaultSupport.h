// Helpers for the fault tests of the log: capturing standard error, running a body in a child
// process with its own limits, and the strict shape of a default log line.
#ifndef QLM_TESTS_LOGMGR_LOGMGRFAULTSUPPORT_H_
#define QLM_TESTS_LOGMGR_LOGMGRFAULTSUPPORT_H_

#include <fcntl.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "tests/logmgr/LogMgrTestSupport.h"
#include "tests/testing/FileUtil.h"

namespace logmgrtest {

// Sends this process's standard error to a file for the life of the object.
class StderrCaptureC {
 public:
  StderrCaptureC() : file_(dir_.File("stderr")) {
    saved_ = ::dup(2);
    const int fd = ::open(file_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
  }
  ~StderrCaptureC() { Restore(); }
  StderrCaptureC(const StderrCaptureC&) = delete;
  StderrCaptureC& operator=(const StderrCaptureC&) = delete;

  // What was written so far.
  std::string Text() const { return ReadFile(file_); }
  void Restore() {
    if (saved_ < 0) return;
    ::dup2(saved_, 2);
    ::close(saved_);
    saved_ = -1;
  }

 private:
  TempDirC dir_;
  std::string file_;
  int saved_ = -1;
};

using qlmtest::Occurrences;

// A default line: "[<time>] (<letter>, <level>)] {<pid>} <text>" with a text free of control
// characters; any time format without brackets.
inline bool IsWholeLine(const std::string& line) {
  static const std::regex shape(
      R"(\[[^\[\]\x00-\x1f]+ \([A-Za-z], [0-9]+\)\] \{[0-9]+\} [^\x00-\x1f\x7f]*)");
  return std::regex_match(line, shape);
}

}  // namespace logmgrtest

#endif  // QLM_TESTS_LOGMGR_LOGMGRFAULTSUPPORT_H_
