#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>

#include "cmn/cmn_ErrBufC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "tests/testing/CleanErrBufTest.h"

namespace {

class ErrBufTest : public qlmtest::CleanErrBufTest {
 protected:
  // Adds entries numbered first..first+count-1.
  void AddRange(uint32_t first, size_t count) {
    for (size_t i = 0; i < count; ++i) buf_->Add(first + static_cast<uint32_t>(i), 4, "x");
  }
  uint32_t NumberAt(size_t index) {
    const cmn_ErrEntryI* e = buf_->Entry(index);
    return e ? e->MessageNumber() : 0xFFFFFFFFu;
  }
};

TEST_F(ErrBufTest, EntriesAndAllText) {
  buf_->Add(0xE1000064, 2, "Starting");
  buf_->Add(0x80000001, 4, "Failed");
  buf_->Add(0xE0A30002, 0, "quiet");
  buf_->Add(0x00000001, 5, "fatal");
  buf_->Add(0x00000002, 9, "odd severity");  // outside 0..5: kept as an error

  ASSERT_EQ(buf_->Count(), 5u);
  EXPECT_EQ(buf_->Entry(0)->MessageNumber(), 0xE1000064u);
  EXPECT_EQ(buf_->Entry(0)->Text(), "Starting");
  EXPECT_EQ(buf_->Entry(0)->Severity(), 2);
  EXPECT_EQ(buf_->Entry(4)->Severity(), 4);
  EXPECT_EQ(buf_->Entry(5), nullptr);
  EXPECT_EQ(buf_->AllText(),
            "i 0xE1000064 Starting\n"
            "e 0x80000001 Failed\n"
            "# 0xE0A30002 quiet\n"
            "f 0x00000001 fatal\n"
            "e 0x00000002 odd severity\n");

  buf_->Attach();  // harmless on a buffer in use
  EXPECT_EQ(buf_->Count(), 5u);
  buf_->Clear();
  EXPECT_EQ(buf_->Count(), 0u);
  EXPECT_EQ(buf_->AllText(), "");
}

TEST_F(ErrBufTest, EntriesOfOneThreadAreInvisibleOnAnother) {
  buf_->Add(1, 4, "main");
  const cmn_ErrBufI* mainBuf = buf_;

  const cmn_ErrBufI* otherBuf = nullptr;
  size_t otherCountAtStart = 99;
  std::string otherText;
  std::thread worker([&] {
    cmn_ErrBufI* b = getErrBuf();
    b->Attach();
    otherBuf = b;
    otherCountAtStart = b->Count();
    b->Add(2, 3, "worker");
    b->Add(3, 3, "worker again");
    otherText = b->AllText();
  });
  worker.join();

  EXPECT_NE(otherBuf, mainBuf);
  EXPECT_EQ(otherCountAtStart, 0u);
  EXPECT_EQ(otherText, "w 0x00000002 worker\nw 0x00000003 worker again\n");
  ASSERT_EQ(buf_->Count(), 1u);
  EXPECT_EQ(buf_->AllText(), "e 0x00000001 main\n");
}

TEST_F(ErrBufTest, CapacityDropsOldestFirst) {
  AddRange(0, cmn_kErrBufCapacity + 10);
  ASSERT_EQ(buf_->Count(), cmn_kErrBufCapacity);
  EXPECT_EQ(NumberAt(0), 10u);
  EXPECT_EQ(NumberAt(cmn_kErrBufCapacity - 1), cmn_kErrBufCapacity + 9);
}

TEST_F(ErrBufTest, RollbackForgetsEntriesSinceMark) {
  AddRange(100, 3);
  uint64_t mark = buf_->Mark();
  AddRange(200, 5);
  buf_->Rollback(mark);
  ASSERT_EQ(buf_->Count(), 3u);
  EXPECT_EQ(NumberAt(2), 102u);

  // The same mark again, the current position and marks from the future change nothing.
  buf_->Rollback(mark);
  buf_->Rollback(buf_->Mark());
  buf_->Rollback(UINT64_MAX);
  EXPECT_EQ(buf_->Count(), 3u);
}

TEST_F(ErrBufTest, MarkStaysMeaningfulAcrossTheCapacityBound) {
  // The buffer is full; the entries added after the mark push older ones out.
  AddRange(0, cmn_kErrBufCapacity - 6);
  uint64_t mark = buf_->Mark();
  AddRange(1000, 10);  // 4 of the pre-mark entries are dropped
  ASSERT_EQ(buf_->Count(), cmn_kErrBufCapacity);
  EXPECT_EQ(NumberAt(0), 4u);

  buf_->Rollback(mark);
  ASSERT_EQ(buf_->Count(), cmn_kErrBufCapacity - 10);
  EXPECT_EQ(NumberAt(0), 4u);
  EXPECT_EQ(NumberAt(buf_->Count() - 1), cmn_kErrBufCapacity - 7);
}

TEST_F(ErrBufTest, RollbackToADroppedPositionEmptiesTheBuffer) {
  AddRange(0, 5);
  uint64_t mark = buf_->Mark();
  AddRange(1000, cmn_kErrBufCapacity + 20);  // even the mark's own position is gone
  buf_->Rollback(mark);
  EXPECT_EQ(buf_->Count(), 0u);

  // The buffer keeps working and the next mark/rollback pair behaves as usual.
  AddRange(7, 2);
  uint64_t again = buf_->Mark();
  AddRange(8, 1);
  buf_->Rollback(again);
  ASSERT_EQ(buf_->Count(), 2u);
  EXPECT_EQ(NumberAt(0), 7u);
}

TEST_F(ErrBufTest, NestedMarksUnwindInOrder) {
  uint64_t outer = buf_->Mark();
  AddRange(1, 2);
  uint64_t inner = buf_->Mark();
  AddRange(10, 3);
  buf_->Rollback(inner);
  EXPECT_EQ(buf_->Count(), 2u);
  AddRange(20, 1);
  buf_->Rollback(outer);
  EXPECT_EQ(buf_->Count(), 0u);
  // The inner mark now lies beyond the current position and is ignored.
  AddRange(30, 1);
  buf_->Rollback(inner);
  EXPECT_EQ(buf_->Count(), 1u);
}

}  // namespace
