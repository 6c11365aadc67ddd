#include "net/InetAddressC.h"

#include <gtest/gtest.h>

#include "net/InetAddrHashTblC.h"
#include "net/SockAddrC.h"
#include "net/StreamRegistryC.h"
#include "tests/net/NetTestSupport.h"

namespace {

class InetAddressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StreamRegistryC::Initialise(10, &iface_);
    InetAddressC::HashTable().Flush();
    g_test_now = 1000;
    InetAddressC::SetClock(&TestClock);
  }
  void TearDown() override {
    InetAddressC::SetClock(nullptr);
    InetAddressC::HashTable().Flush();
    StreamRegistryC::Terminate();
  }
  TestNetIfC iface_;
};

TEST_F(InetAddressTest, NumericNamesConvertWithoutResolver) {
  struct CaseS {
    const char* name;
    int family;
    const char* text;
  };
  const CaseS cases[] = {{"127.0.0.1", kNetFamilyIPv4, "127.0.0.1"},
                         {"::1", kNetFamilyIPv6, "::1"},
                         {"0:0:0:0:0:0:0:1", kNetFamilyIPv6, "::1"},
                         {"10.1.2.3", kNetFamilyIPv4, "10.1.2.3"}};
  for (const CaseS& c : cases) {
    SCOPED_TRACE(c.name);
    InetAddressC addr(c.name);
    EXPECT_TRUE(addr.IsNumeric());
    ASSERT_EQ(addr.Resolve(), RC_OK);
    EXPECT_EQ(addr.GetState(), InetAddressC::kDone);
    EXPECT_EQ(addr.GetEffectiveFamily(), c.family);
    ASSERT_NE(addr.GetAddress(), nullptr);
    EXPECT_EQ(addr.GetAddress()->ToString(), c.text);
    EXPECT_EQ(addr.GetAddress()->Family(), c.family);
  }
  // Numeric answers never enter the cache.
  EXPECT_EQ(InetAddressC::HashTable().Count(), 0u);
}

TEST_F(InetAddressTest, LocalhostResolvesOffline) {
  InetAddressC addr("localhost");
  EXPECT_FALSE(addr.IsNumeric());
  ASSERT_EQ(addr.Resolve(), RC_OK);
  ASSERT_NE(addr.GetAddress(), nullptr);
  const std::string text = addr.GetAddress()->ToString();
  EXPECT_TRUE(text == "127.0.0.1" || text == "::1") << text;
  EXPECT_EQ(InetAddressC::HashTable().Count(), 1u);
}

TEST_F(InetAddressTest, FailedLookupLeavesNoAddressAndIsNotCached) {
  InetAddressC addr("");
  EXPECT_EQ(addr.Resolve(), RC_NET_RESOLVE);
  EXPECT_EQ(addr.GetState(), InetAddressC::kFailed);
  EXPECT_EQ(addr.GetResult(), RC_NET_RESOLVE);
  EXPECT_EQ(addr.GetIPv4(), nullptr);
  EXPECT_EQ(addr.GetIPv6(), nullptr);
  EXPECT_EQ(InetAddressC::HashTable().Count(), 0u);
  EXPECT_TRUE(addr.GetFullHostName().IsEmpty());
}

TEST_F(InetAddressTest, CacheAnswersWithinAnHourAndDropsOlderEntries) {
  InetAddressC first("localhost");
  ASSERT_EQ(first.Resolve(), RC_OK);
  EXPECT_EQ(first.GetLookupTime(), 1000);

  struct StepS {
    time_t now;
    time_t expected_lookup_time;  // 1000 when the answer came from the cache
  };
  const StepS steps[] = {{1000 + 3599, 1000}, {1000 + 3600, 1000 + 3600}};
  for (const StepS& s : steps) {
    SCOPED_TRACE(s.now);
    g_test_now = s.now;
    InetAddressC again("LocalHost");  // keys compare ignoring case
    ASSERT_EQ(again.Resolve(), RC_OK);
    EXPECT_EQ(again.GetLookupTime(), s.expected_lookup_time);
    EXPECT_NE(again.GetAddress(), nullptr);
    EXPECT_EQ(InetAddressC::HashTable().Count(), 1u);
  }
  // Lookup itself removes an expired entry.
  g_test_now = 1000 + 3600 + 3600;
  EXPECT_EQ(InetAddressC::HashTable().Lookup(StringC::FromUtf8("localhost"), g_test_now), nullptr);
  EXPECT_EQ(InetAddressC::HashTable().Count(), 0u);
}

TEST_F(InetAddressTest, FamilyPreferenceFromSettings) {
  struct CaseS {
    const char* force;
    const char* prefer;
    int family;
    bool forced;
  };
  const CaseS cases[] = {
      {"ipv6", "ipv4", kNetFamilyIPv6, true},    {"IPv4", nullptr, kNetFamilyIPv4, true},
      {"ipv5", "IPV6", kNetFamilyIPv6, false},   {nullptr, "ipv4", kNetFamilyIPv4, false},
      {nullptr, "any", kNetFamilyUnspec, false}, {nullptr, nullptr, kNetFamilyUnspec, false}};
  for (const CaseS& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << (c.force ? c.force : "-") << "/" << (c.prefer ? c.prefer : "-"));
    iface_.settings.clear();
    if (c.force) iface_.settings["ForceIPVersion"] = c.force;
    if (c.prefer) iface_.settings["PreferIPVersion"] = c.prefer;
    InetAddressC addr("127.0.0.1");
    EXPECT_EQ(addr.GetPreferredFamily(), c.family);
    EXPECT_EQ(addr.IsFamilyForced(), c.forced);
    ASSERT_EQ(addr.Resolve(), RC_OK);
    // An IPv4-only answer: a forced IPv6 family hands out nothing, a preference falls back.
    if (c.forced && c.family == kNetFamilyIPv6) {
      EXPECT_EQ(addr.GetAddress(), nullptr);
    } else {
      ASSERT_NE(addr.GetAddress(), nullptr);
      EXPECT_EQ(addr.GetAddress()->Family(), kNetFamilyIPv4);
    }
    EXPECT_EQ(addr.GetEffectiveFamily(), c.family != 0 ? c.family : kNetFamilyIPv4);
  }
}

TEST_F(InetAddressTest, CopiesShareAddresses) {
  InetAddressC addr("127.0.0.1");
  InetAddressC early(addr);  // not looked up yet
  EXPECT_EQ(early.GetState(), InetAddressC::kNotLookedUp);
  ASSERT_EQ(addr.Resolve(), RC_OK);
  InetAddressC copy(addr);
  EXPECT_EQ(copy.GetIPv4(), addr.GetIPv4());
  EXPECT_EQ(copy.GetState(), InetAddressC::kDone);
}

TEST(SockAddrC, SizesFamiliesAndText) {
  struct CaseS {
    int family;
    uint32_t length;
  };
  const CaseS cases[] = {{kNetFamilyIPv4, 16}, {kNetFamilyIPv6, 28}, {1, 0}, {0, 0}};
  for (const CaseS& c : cases) {
    SockAddrRefC a(new SockAddrC(c.family));
    EXPECT_EQ(a->Length(), c.length);
    EXPECT_EQ(a->Family(), c.length ? c.family : 0);
    if (c.length == 0) {
      EXPECT_EQ(a->ToString(), "unknown");
    }
  }
  struct TextS {
    const char* text;
    const char* rendered;
  };
  const TextS texts[] = {
      {"127.0.0.1", "127.0.0.1"}, {"::1", "::1"}, {"localhost", nullptr}, {"", "unknown"}};
  for (const TextS& t : texts) {
    SCOPED_TRACE(t.text);
    SockAddrRefC a(new SockAddrC(StringC::FromUtf8(t.text)));
    if (t.rendered) {
      EXPECT_EQ(a->ToString(), t.rendered);
    } else {
      EXPECT_FALSE(a->IsEmpty());
    }
  }
  SockAddrRefC v4(new SockAddrC(StringC::FromUtf8("127.0.0.1")));
  v4->SetPort(8080);
  EXPECT_EQ(v4->Port(), 8080);
  SockAddrRefC copy(new SockAddrC(v4->Data(), v4->Length()));
  EXPECT_EQ(copy->Port(), 8080);
  SockAddrRefC truncated(new SockAddrC(v4->Data(), 4));
  EXPECT_TRUE(truncated->IsEmpty());
  EXPECT_STREQ(NetFamilyName(kNetFamilyIPv4), "IPv4");
  EXPECT_STREQ(NetFamilyName(kNetFamilyIPv6), "IPv6");
  EXPECT_STREQ(NetFamilyName(0), "Unspecified");
  EXPECT_STREQ(NetFamilyName(7), "Unknown");
}

}  // namespace
