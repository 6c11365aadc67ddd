// Shared helpers of the os layer's tests: a temporary directory with small files, the error
// buffer.
#ifndef QLM_TESTS_OS_OSTESTSUPPORT_H_
#define QLM_TESTS_OS_OSTESTSUPPORT_H_

#include <string>

#include "os/FileNameC.h"
#include "tests/testing/ErrBufProbe.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/TempDirTest.h"

namespace os_test {

// A fresh directory per test, removed with everything in it afterwards; files are named
// relative to it.
class TempDirTest : public qlmtest::TempDirTest {
 protected:
  FileNameC Name(const std::string& rel) const { return FileNameC(Path(rel).c_str()); }
  void WriteFile(const std::string& rel, const std::string& text) const {
    qlmtest::WriteFile(Path(rel), text);
  }
  std::string ReadFile(const std::string& rel) const { return qlmtest::ReadFile(Path(rel)); }
  static bool PathExists(const std::string& path) { return qlmtest::PathExists(path); }
};

}  // namespace os_test

#endif  // QLM_TESTS_OS_OSTESTSUPPORT_H_
