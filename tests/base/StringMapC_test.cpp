// StringMapC: text-to-text map, case-sensitive or ignoring case, owning its entries.
#include "base/StringMapC.h"
#include "tests/testing/StringHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using qlmtest::S;

TEST(StringMapCTest, SetFindReplaceRemove) {
  for (const bool ignoreCase : {false, true}) {
    SCOPED_TRACE(ignoreCase);
    StringMapC map(ignoreCase);
    EXPECT_TRUE(map.Set(S("PolicyAgent"), S("\\Policy Client")));
    EXPECT_TRUE(map.Set(S("Root"), S("")));
    EXPECT_FALSE(map.Set(S("PolicyAgent"), S("\\Policy Client\\CurrentVersion")));
    EXPECT_EQ(map.Count(), 2u);
    ASSERT_NE(map.Find(S("PolicyAgent")), nullptr);
    EXPECT_EQ(map.Find(S("PolicyAgent"))->ToUtf8(), "\\Policy Client\\CurrentVersion");
    EXPECT_EQ(map.Contains(S("policyagent")), ignoreCase);
    EXPECT_EQ(map.Get(S("POLICYAGENT"), S("none")).ToUtf8(),
              ignoreCase ? "\\Policy Client\\CurrentVersion" : "none");
    // An entry whose value is empty is still present.
    ASSERT_NE(map.Find(S("Root")), nullptr);
    EXPECT_TRUE(map.Find(S("Root"))->IsEmpty());
    EXPECT_EQ(map.Find(S("Roo")), nullptr);
    EXPECT_FALSE(map.Remove(S("Absent")));
    EXPECT_TRUE(map.Remove(S("Root")));
    EXPECT_EQ(map.Count(), 1u);
    map.Clear();
    EXPECT_TRUE(map.IsEmpty());
  }
}

TEST(StringMapCTest, ManyEntriesKeepTheirValuesAcrossGrowth) {
  StringMapC map(true);
  for (int i = 0; i < 500; ++i) {
    map.Set(S(("Key" + std::to_string(i)).c_str()), S(std::to_string(i * 7).c_str()));
  }
  EXPECT_EQ(map.Count(), 500u);
  for (int i = 0; i < 500; ++i) {
    const StringC* v = map.Find(S(("KEY" + std::to_string(i)).c_str()));
    ASSERT_NE(v, nullptr) << i;
    EXPECT_EQ(v->ToUtf8(), std::to_string(i * 7));
  }
  const StringArrayC keys = map.Keys();
  std::vector<std::string> names;
  for (uint64_t i = 0; i < keys.Count(); ++i) names.push_back(keys[i].ToUtf8());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names.size(), 500u);
  EXPECT_TRUE(std::adjacent_find(names.begin(), names.end()) == names.end());
  EXPECT_EQ(names.front(), "Key0");  // first spelling kept
}

}  // namespace
