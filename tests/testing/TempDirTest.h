// A test fixture that owns a fresh temporary directory for each test.
#ifndef QLM_TESTS_TESTING_TEMPDIRTEST_H_
#define QLM_TESTS_TESTING_TEMPDIRTEST_H_

#include <gtest/gtest.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

#include "tests/testing/TempDirC.h"

namespace qlmtest {

// SetUp() makes the directory (the test fails when it cannot) and empties the calling thread's
// error buffer; TearDown() removes the directory with everything in it. Fixtures that override
// either call this class's version (SetUp first, TearDown last).
class TempDirTest : public ::testing::Test {
 protected:
  // `mode` as for TempDirC.
  explicit TempDirTest(mode_t mode = 0700) : mode_(mode) {}

  void SetUp() override;
  void TearDown() override;

  // `rel` below the directory.
  std::string Path(std::string_view rel) const;

  // The directory, without a trailing slash; empty outside SetUp()..TearDown().
  std::string dir_;

 private:
  mode_t mode_;
  std::optional<TempDirC> tmp_;
};

}  // namespace qlmtest

#endif  // QLM_TESTS_TESTING_TEMPDIRTEST_H_
