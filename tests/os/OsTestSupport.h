// Shared helpers of the os layer's tests: temporary directories, small files, the error buffer.
#ifndef QLM_TESTS_OS_OSTESTSUPPORT_H_
#define QLM_TESTS_OS_OSTESTSUPPORT_H_

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "os/FileNameC.h"

namespace os_test {

// A fresh directory below /tmp, removed with everything in it at the end of the test.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qlm_os_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    getErrBuf()->Clear();
  }
  void TearDown() override {
    std::error_code ec;
    // Give back permissions a test took away so the tree can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             dir_, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
    }
    std::filesystem::remove_all(dir_, ec);
  }

  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }
  FileNameC Name(const std::string& rel) const { return FileNameC(Path(rel).c_str()); }
  void WriteFile(const std::string& rel, const std::string& text) const {
    std::ofstream(Path(rel), std::ios::binary) << text;
  }
  std::string ReadFile(const std::string& rel) const {
    std::ifstream in(Path(rel), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  bool PathExists(const std::string& path) const {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
  }

  std::string dir_;
};

// The message numbers in the calling thread's error buffer, oldest first.
inline std::vector<uint32_t> ReportedCodes() {
  std::vector<uint32_t> codes;
  cmn_ErrBufI* buf = getErrBuf();
  for (size_t i = 0; i < buf->Count(); ++i) codes.push_back(buf->Entry(i)->MessageNumber());
  return codes;
}

// The text of the newest entry with `code`, or "".
inline std::string ReportedText(uint32_t code) {
  cmn_ErrBufI* buf = getErrBuf();
  for (size_t i = buf->Count(); i-- > 0;) {
    if (buf->Entry(i)->MessageNumber() == code) return std::string(buf->Entry(i)->Text());
  }
  return "";
}

}  // namespace os_test

#endif  // QLM_TESTS_OS_OSTESTSUPPORT_H_
