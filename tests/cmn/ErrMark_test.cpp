#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_Services.h"
#include "tests/testing/CleanErrBufTest.h"

namespace {

using ErrMarkTest = qlmtest::CleanErrBufTest;

TEST_F(ErrMarkTest, ScopeExitKeepsOrForgetsOnlyWhatCameAfterTheMark) {
  buf_->Add(1, 4, "before");
  {
    cmn_ErrMarkC kept;
    buf_->Add(2, 4, "kept");
  }
  {
    cmn_ErrMarkC silent(cmn_ErrMarkC::kRollbackOnExit);
    buf_->Add(3, 4, "dropped");
    EXPECT_EQ(silent.LastText(), "dropped");
  }
  EXPECT_EQ(buf_->AllText(), "e 0x00000001 before\ne 0x00000002 kept\n");
}

TEST_F(ErrMarkTest, ReadsOnlyEntriesSinceTheMark) {
  buf_->Add(1, 4, "older");
  cmn_ErrMarkC mark;
  EXPECT_EQ(mark.NewCount(), 0u);
  EXPECT_EQ(mark.LastText(), "");  // the older entry is not this scope's
  EXPECT_EQ(mark.NewEntry(0), nullptr);

  buf_->Add(2, 4, "first");
  buf_->Add(3, 3, "second");
  ASSERT_EQ(mark.NewCount(), 2u);
  EXPECT_EQ(mark.NewEntry(0)->MessageNumber(), 2u);
  EXPECT_EQ(mark.NewEntry(1)->Text(), "second");
  EXPECT_EQ(mark.NewEntry(2), nullptr);

  EXPECT_EQ(mark.TakeLastText(), "second");
  EXPECT_EQ(mark.NewCount(), 0u);
  EXPECT_EQ(buf_->Count(), 1u);
  // The mark stays usable after a rollback.
  buf_->Add(4, 4, "again");
  EXPECT_EQ(mark.TakeLastText(), "again");
  EXPECT_EQ(buf_->Count(), 1u);
}

TEST_F(ErrMarkTest, NestedMarksAndForeignRollbacks) {
  cmn_ErrMarkC outer;
  buf_->Add(1, 4, "outer");
  {
    cmn_ErrMarkC inner(cmn_ErrMarkC::kRollbackOnExit);
    buf_->Add(2, 4, "inner");
    EXPECT_EQ(outer.NewCount(), 2u);
  }
  EXPECT_EQ(outer.LastText(), "outer");

  // Someone rolled the buffer back past the inner mark: nothing reads as new to it.
  cmn_ErrMarkC inner;
  outer.Rollback();
  EXPECT_EQ(inner.NewCount(), 0u);
  EXPECT_EQ(inner.LastText(), "");
}

TEST_F(ErrMarkTest, CountsOnlyHeldEntriesWhenTheBufferDroppedSome) {
  cmn_ErrMarkC mark;
  for (size_t i = 0; i < cmn_kErrBufCapacity + 10; ++i) buf_->Add(static_cast<uint32_t>(i), 4, "x");
  EXPECT_EQ(mark.NewCount(), cmn_kErrBufCapacity);
  EXPECT_EQ(mark.NewEntry(0)->MessageNumber(), 10u);
  mark.Rollback();
  EXPECT_EQ(buf_->Count(), 0u);
}

}  // namespace
