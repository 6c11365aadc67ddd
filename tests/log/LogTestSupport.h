// Helpers shared by the log layer's tests: temporary directories, environment variables and
// trace capture into a real file.
#ifndef QLM_TESTS_LOG_LOGTESTSUPPORT_H_
#define QLM_TESTS_LOG_LOGTESTSUPPORT_H_

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cmn/cmn_Services.h"
#include "cmn/cmn_TracerI.h"

namespace logtest {

// A fresh directory below the system's temporary directory, removed with its contents.
class TempDirC {
 public:
  TempDirC() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qlm_log_test_XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDirC() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDirC(const TempDirC&) = delete;
  TempDirC& operator=(const TempDirC&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const {
    return (std::filesystem::path(path_) / name).string();
  }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Sets (or, with null, removes) one environment variable for the life of the object.
class ScopedEnvC {
 public:
  ScopedEnvC(const char* name, const char* value) : name_(name) {
    const char* old = ::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnvC() {
    if (had_) {
      ::setenv(name_.c_str(), old_.c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnvC(const ScopedEnvC&) = delete;
  ScopedEnvC& operator=(const ScopedEnvC&) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

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
    std::istringstream lines(ReadAll(file_));
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
