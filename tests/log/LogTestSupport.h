// Helpers shared by the log layer's tests: trace capture into a real file, and the shared test
// support under the names these tests use.
#ifndef QLM_TESTS_LOG_LOGTESTSUPPORT_H_
#define QLM_TESTS_LOG_LOGTESTSUPPORT_H_

#include <sstream>
#include <string>
#include <vector>

#include "cmn/cmn_Services.h"
#include "cmn/cmn_TracerI.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/TempDirC.h"

namespace logtest {

using qlmtest::ReadFile;
using qlmtest::ScopedEnvC;
using qlmtest::TempDirC;
using qlmtest::WriteFile;

// Sends the process tracer's records for `categories` to a file for the life of the object;
// afterwards every category is off again and records go to standard error.
class TraceCaptureC {
 public:
  explicit TraceCaptureC(const std::string& categories) : file_(dir_.File("trace.log")) {
    getTracer(2)->Configure(categories, file_);
  }
  ~TraceCaptureC() { getTracer(2)->Configure("", "stderr"); }
  TraceCaptureC(const TraceCaptureC&) = delete;
  TraceCaptureC& operator=(const TraceCaptureC&) = delete;

  // The records so far, each without its time stamp and process/thread ids:
  // "<category>: <text>".
  std::vector<std::string> Records() const {
    std::vector<std::string> records;
    std::istringstream lines(ReadFile(file_));
    for (std::string line; std::getline(lines, line);) {
      // "<time> <pid>.<tid> <category>: <text>"
      const size_t first = line.find(' ');
      const size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
      records.push_back(second == std::string::npos ? line : line.substr(second + 1));
    }
    return records;
  }

 private:
  TempDirC dir_;
  std::string file_;
};

}  // namespace logtest

#endif  // QLM_TESTS_LOG_LOGTESTSUPPORT_H_
