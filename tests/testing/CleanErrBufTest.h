// A test fixture over the calling thread's error buffer, empty when each test starts and ends.
#ifndef QLM_TESTS_TESTING_CLEANERRBUFTEST_H_
#define QLM_TESTS_TESTING_CLEANERRBUFTEST_H_

#include <gtest/gtest.h>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"

namespace qlmtest {

// buf_ is the thread's buffer (the test fails in SetUp when there is none). Fixtures that
// override SetUp or TearDown call this class's version (SetUp first, TearDown last).
class CleanErrBufTest : public ::testing::Test {
 protected:
  void SetUp() override {
    buf_ = getErrBuf();
    ASSERT_NE(buf_, nullptr);
    buf_->Clear();
  }
  void TearDown() override {
    if (buf_ != nullptr) buf_->Clear();
  }

  cmn_ErrBufI* buf_ = nullptr;
};

}  // namespace qlmtest

#endif  // QLM_TESTS_TESTING_CLEANERRBUFTEST_H_
