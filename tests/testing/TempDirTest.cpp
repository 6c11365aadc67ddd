#include "tests/testing/TempDirTest.h"

#include "tests/testing/ErrBufProbe.h"

namespace qlmtest {

void TempDirTest::SetUp() {
  tmp_.emplace(mode_);
  ASSERT_TRUE(tmp_->Ok()) << "cannot make a temporary directory below /tmp";
  dir_ = tmp_->Path();
  ClearErrors();
}

void TempDirTest::TearDown() {
  tmp_.reset();
  dir_.clear();
}

std::string TempDirTest::Path(std::string_view rel) const {
  std::string path = dir_;
  path += '/';
  path += rel;
  return path;
}

}  // namespace qlmtest
