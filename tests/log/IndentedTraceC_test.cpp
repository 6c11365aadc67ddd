// The indented per-task trace object: the depth multiplier text, indentation and the trace-flag
// parse with its message.
#include "log/IndentedTraceC.h"

#include <gtest/gtest.h>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"

namespace {

TEST(IndentedTraceCTest, DepthMultiplierText) {
  const struct {
    const char* text;
    int32_t expected;
  } cases[] = {
      {nullptr, 2}, {"", 2},     {"3", 3},  {" 7 \r\n", 7},        {"0", 0}, {"64", 64}, {"65", 2},
      {"-1", 2},    {"0x10", 2}, {"4a", 2}, {"99999999999999", 2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IndentedTraceC::ParseDepthMultiplier(c.text), c.expected)
        << (c.text != nullptr ? c.text : "(null)");
  }
}

TEST(IndentedTraceCTest, IndentationFollowsDepthAndIsBounded) {
  IndentedTraceC trace(0, 3);
  EXPECT_EQ(trace.Indent("x"), "x");
  trace.Enter();
  trace.Enter();
  EXPECT_EQ(trace.Indent("x"), "      x");
  trace.Leave();
  trace.Leave();
  trace.Leave();  // never below 0
  EXPECT_EQ(trace.Depth(), 0u);
  trace.SetDepth(UINT32_MAX);
  EXPECT_EQ(trace.IndentWidth(), IndentedTraceC::c_MaxIndent);
  EXPECT_EQ(IndentedTraceC(1, -5).DepthMultiplier(), 2);
}

TEST(IndentedTraceCTest, KeepsTheFlagsItIsMadeFrom) {
  TraceC flags;
  ASSERT_NE(flags.Parse("G1"), 0);
  IndentedTraceC trace(flags, 2, 2);
  EXPECT_TRUE(trace.IsEnabled('G', 1));
  EXPECT_FALSE(trace.IsEnabled('G', 0));
  EXPECT_EQ(trace.Depth(), 2u);
}

TEST(IndentedTraceCTest, SetFlagsReportsMalformedText) {
  cmn_ErrBufI* errors = getErrBuf(2);
  errors->Clear();
  IndentedTraceC trace;
  EXPECT_EQ(TraceSetFlags(trace, "B,C3"), RC_OK);
  EXPECT_TRUE(trace.IsEnabled('B', 9));
  EXPECT_TRUE(trace.IsEnabled('C', 3));
  EXPECT_EQ(errors->Count(), 0u);
  EXPECT_EQ(TraceSetFlags(trace, "D A-1"), 0xE0A30002u);
  EXPECT_TRUE(trace.IsEnabled('D', 0));  // items before the fault stay applied
  ASSERT_EQ(errors->Count(), 1u);
  EXPECT_EQ(errors->Entry(0)->MessageNumber(), 0xE0A30002u);
  EXPECT_EQ(errors->Entry(0)->Severity(), 4);
  EXPECT_EQ(errors->Entry(0)->Text(), "Cannot parse RKTRACE flags \"D A-1\"");
  EXPECT_EQ(TraceSetFlags(trace, nullptr), RC_OK);
}

}  // namespace
