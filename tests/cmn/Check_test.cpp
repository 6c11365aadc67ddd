#include "cmn/cmn_Check.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(CheckTest, TrueConditionPassesAndFalseOneAbortsOnlyInDebugBuilds) {
  int evaluated = 0;
  QLM_DCHECK(++evaluated == 1);
#ifdef NDEBUG
  // Release builds must not pay for (or depend on) the condition.
  EXPECT_EQ(evaluated, 0);
  QLM_DCHECK(false);
#else
  EXPECT_EQ(evaluated, 1);
  // The line names where the contract broke, so the report is actionable without a debugger.
  EXPECT_DEATH(QLM_DCHECK(evaluated == 2), "Check_test\\.cpp:[0-9]+: check failed: evaluated == 2");
#endif
}

TEST(CheckTest, MainThreadIsTheProcessFirstThreadOnly) {
  EXPECT_TRUE(cmn_OnMainThread());
  bool other = true;
  std::thread([&other] { other = cmn_OnMainThread(); }).join();
  EXPECT_FALSE(other);
}

}  // namespace
