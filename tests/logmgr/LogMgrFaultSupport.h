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
  StderrCaptureC() : m_File(m_Dir.File("stderr")) {
    m_Saved = ::dup(2);
    const int fd = ::open(m_File.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    ::close(fd);
  }
  ~StderrCaptureC() { Restore(); }
  StderrCaptureC(const StderrCaptureC&) = delete;
  StderrCaptureC& operator=(const StderrCaptureC&) = delete;

  // What was written so far.
  std::string Text() const { return ReadFile(m_File); }
  void Restore() {
    if (m_Saved < 0) return;
    ::dup2(m_Saved, 2);
    ::close(m_Saved);
    m_Saved = -1;
  }

 private:
  TempDirC m_Dir;
  std::string m_File;
  int m_Saved = -1;
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
