#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/ArgListC.h"
#include "base/StringC.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "tests/log/LogTestSupport.h"

namespace {

using logtest::TraceCaptureC;

TEST(TraceTest, WritesEnabledCategoriesOnly) {
  TraceCaptureC capture("Communication/Process,Communication/Network/Library,Error/Catalog");
  const StringC name = StringC::FromUtf8("rklaunch");

  TraceV(TrcProcess, "ProcessC::Execute(): pid %d for %s", 4242, "rklaunch");
  Trace(TrcProcess, "ProcessC::Wait(): %S exited with %d", ArgList << name << 0);
  TraceV(TrcThread, "ThreadC::Start(): not enabled %d", 1);
  Trace(TrcCondition, "ConditionC::Wait(): not enabled");
  NetworkTrace("InetAddressC::Resolve(): %s:%u (%S)", "server", 8080u, &name);
  TraceV(TrcNetlibBasicRead, "Read %ld bytes", 1234567890123L);
  Trace(TrcErrAPICatOpen, "Detail levels are part of the name");

  const std::vector<std::string> expected = {
      "Communication/Process: ProcessC::Execute(): pid 4242 for rklaunch",
      "Communication/Process: ProcessC::Wait(): rklaunch exited with 0",
      "Communication/Network/Library: InetAddressC::Resolve(): server:8080 (rklaunch)",
      "Communication/Network/Library/Basic/Read: Read 1234567890123 bytes",
      "0Error/Catalog/Open: Detail levels are part of the name",
  };
  EXPECT_EQ(capture.Records(), expected);
}

TEST(TraceTest, EnabledTestReadsTheFlagOnceItIsSet) {
  TraceCaptureC capture("Communication/Process");
  cmn_TraceCategoryS list{nullptr, "Communication/Process/List"};

  // Without a flag the tracer is asked, and it fills the pointer in.
  EXPECT_TRUE(IsTraceEnabled(list));
  EXPECT_NE(list.flag.load(), nullptr);

  // A flag of 0 makes the category off, whatever the tracer's rules say: nothing is asked and
  // nothing is written.
  std::atomic<int32_t> off{0};
  list.flag.store(&off);
  EXPECT_FALSE(IsTraceEnabled(list));
  TraceV(list, "ProcessListC::Add(): %d", 1);
  Trace(list, "ProcessListC::Remove()");
  std::atomic<int32_t> on{1};
  cmn_TraceCategoryS elsewhere{&on, "Not/Enabled/By/Rules"};
  EXPECT_TRUE(IsTraceEnabled(elsewhere));
  TraceV(elsewhere, "flag wins: %s", "yes");

  EXPECT_EQ(capture.Records(), std::vector<std::string>{"Not/Enabled/By/Rules: flag wins: yes"});
}

TEST(TraceTest, ReconfiguringUpdatesFlagsAlreadyHandedOut) {
  {
    TraceCaptureC capture("Communication/Thread");
    EXPECT_TRUE(IsTraceEnabled(TrcThread));
    EXPECT_FALSE(IsTraceEnabled(TrcCondition));
  }
  EXPECT_FALSE(IsTraceEnabled(TrcThread));
  TraceCaptureC capture("*,-Communication/Thread");
  EXPECT_FALSE(IsTraceEnabled(TrcThread));
  EXPECT_TRUE(IsTraceEnabled(TrcCondition));
}

TEST(TraceCategoriesTest, NamesAreTheTreeOfTheTracer) {
  const struct {
    cmn_TraceCategoryS* category;
    const char* name;
  } named[] = {
      {&TrcErrAPICatOpen, "0Error/Catalog/Open"},
      {&TrcErrAPICatFetch, "Error/Catalog/Fetch"},
      {&TrcNetlibDetailStreamRegistry, "Communication/Network/Library/Detail/Stream/Registry"},
      {&TrcNetlibDetailInetAddress, "Communication/Network/Library/Detail/InetAddress"},
      {&TrcNetlibBasicSocket, "Communication/Network/Library/Basic/Socket"},
      {&TrcNetlib, "Communication/Network/Library"},
  };
  for (const auto& n : named) EXPECT_STREQ(n.category->name, n.name);

  std::set<std::string_view> names;
  for (size_t i = 0; i < g_TraceCategoryCount; ++i) {
    const std::string_view name = g_TraceCategoryNames[i];
    EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
    EXPECT_FALSE(name.empty());
    EXPECT_NE(name.back(), '/') << name;
    EXPECT_EQ(name.find("//"), std::string_view::npos) << name;
    // Only a detail level may lead with a digit, and only one.
    if (name.front() >= '0' && name.front() <= '9') {
      EXPECT_FALSE(name[1] >= '0' && name[1] <= '9') << name;
    }
  }
  for (const auto& n : named) EXPECT_EQ(names.count(n.name), 1u) << n.name;
  EXPECT_EQ(names.count("2Policy/Client/RPL"), 1u);
  EXPECT_EQ(names.count("Communication/Network/Library/Detail/SSL/Certificate/OCSP"), 1u);
  EXPECT_EQ(names.count("Communication/Network/Library/Basic/PersistentConnections"), 1u);
}

}  // namespace
