// Containers of StringC: StringArrayC, StringKeyedHashC, StringSetC.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "base/StringKeyedHashC.h"
#include "base/StringSetC.h"
#include "tests/testing/StringHelpers.h"

namespace {

using qlmtest::S;

std::vector<std::string> Texts(const StringArrayC& a) {
  std::vector<std::string> out;
  for (uint64_t i = 0; i < a.Count(); ++i) out.push_back(a[i].ToUtf8());
  return out;
}

TEST(StringArrayCTest, AppendInsertRemoveAndPositions) {
  struct Case {
    uint64_t index;
    std::vector<std::string> expected;
  } cases[] = {
      {0, {"new", "a", "b", "c"}},
      {1, {"a", "new", "b", "c"}},
      {3, {"a", "b", "c", "new"}},
      {99, {"a", "b", "c", "new"}},
  };
  for (const Case& c : cases) {
    StringArrayC a{S("a"), S("b"), S("c")};
    a.Insert(c.index, S("new"));
    EXPECT_EQ(Texts(a), c.expected);
  }
  StringArrayC a{S("a"), S("b"), S("c")};
  EXPECT_EQ(a.Get(3), nullptr);
  EXPECT_TRUE(a.Remove(1));
  EXPECT_FALSE(a.Remove(2));
  EXPECT_TRUE(a.Set(0, S("z")));
  EXPECT_FALSE(a.Set(5, S("z")));
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"z", "c"}));
  EXPECT_EQ(a.IndexOf(S("c")), 1);
  EXPECT_EQ(a.IndexOf(S("Z")), -1);
  EXPECT_EQ(a.IndexOf(S("Z"), true), 0);
}

TEST(StringArrayCTest, HandlesAreReleasedAndSharedCorrectly) {
  const StringC text = S("shared body");
  ASSERT_FALSE(text.Body()->IsShared());
  {
    StringArrayC a;
    for (int i = 0; i < 100; ++i) a.Append(text);  // grows (and moves handles) several times
    a.Insert(50, text);
    EXPECT_TRUE(text.Body()->IsShared());
    StringArrayC copy(a);
    StringArrayC moved(std::move(copy));
    EXPECT_EQ(copy.Count(), 0u);
    EXPECT_EQ(moved.Count(), 101u);
    a.Remove(0);
    a.Clear();
    EXPECT_TRUE(text.Body()->IsShared());  // `moved` still holds it
  }
  EXPECT_FALSE(text.Body()->IsShared());  // every handle given back
}

TEST(StringArrayCTest, AppendingItsOwnElementsWhileGrowing) {
  StringArrayC a;
  for (int i = 0; i < 32; ++i) a.Append(S(std::to_string(i).c_str()));
  ASSERT_EQ(a.Capacity(), 32u);
  a.Append(a[0]);  // the source moves while the array grows
  a.Insert(0, a[32]);
  a.AppendAll(a);  // doubles itself
  ASSERT_EQ(a.Count(), 68u);
  EXPECT_EQ(a[0].ToUtf8(), "0");
  EXPECT_EQ(a[33].ToUtf8(), "0");
  EXPECT_EQ(a[34].ToUtf8(), "0");
  EXPECT_EQ(a[67].ToUtf8(), "0");
  EXPECT_EQ(a[32].ToUtf8(), "31");
  StringArrayC assigned;
  assigned = a;
  const StringArrayC& alias = assigned;  // through a reference: the compiler accepts it
  assigned = alias;                      // self-assignment keeps everything
  EXPECT_EQ(Texts(assigned), Texts(a));
}

int ByLengthThenText(const StringC& a, const StringC& b, void* context) {
  int* calls = static_cast<int*>(context);
  ++*calls;
  if (a.Length() != b.Length()) return a.Length() < b.Length() ? -1 : 1;
  return a.CompareNoCase(b);
}

TEST(StringArrayCTest, SortWithTheCallersComparison) {
  StringArrayC a{S("pear"), S("Fig"), S("apple"), S("fig"), S("kiwi"), S("Äpfel")};
  int calls = 0;
  a.Sort(&ByLengthThenText, &calls);
  EXPECT_GT(calls, 0);
  // "Fig" and "fig" are equal for the comparison and keep their order.
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"Fig", "fig", "kiwi", "pear", "apple", "Äpfel"}));
  a.Sort();
  EXPECT_EQ(Texts(a), (std::vector<std::string>{"Fig", "apple", "fig", "kiwi", "pear", "Äpfel"}));
}

// A StringKeyedHashC element with a value.
struct Entry : StringKeyedElemC {
  Entry(const StringC& k, int v) : StringKeyedElemC(k), value(v) {}
  int value;
};

TEST(StringKeyedHashCTest, CaseRulesAndEqualLengths) {
  struct Case {
    const char* stored;
    const char* probe;
    bool sensitiveFinds;
    bool insensitiveFinds;
  } cases[] = {
      {"Key", "Key", true, true},  {"Key", "KEY", false, true},     {"Key", "Keys", false, false},
      {"Key", "Ke", false, false}, {"Ärger", "äRGER", false, true}, {"", "", true, true},
  };
  for (bool ignoreCase : {false, true}) {
    for (const Case& c : cases) {
      StringKeyedHashC t(ignoreCase);
      auto* e = new Entry(S(c.stored), 1);
      ASSERT_TRUE(t.Insert(e));
      const bool expected = ignoreCase ? c.insensitiveFinds : c.sensitiveFinds;
      EXPECT_EQ(t.FindString(S(c.probe)) == e, expected)
          << c.stored << " / " << c.probe << (ignoreCase ? " ignoring case" : "");
      t.DeleteAll();
    }
  }
  // Texts that differ after an embedded zero differ in length.
  const StringC withZero("a\0b", 3, StringC::CC_UTF8);
  ASSERT_EQ(withZero.Length(), 3);
  for (bool ignoreCase : {false, true}) {
    StringKeyedHashC t(ignoreCase);
    EXPECT_FALSE(t.KeysEqual(withZero, S("a")));
    EXPECT_FALSE(t.KeysEqual(S("a"), withZero));
  }
}

TEST(StringKeyedHashCTest, ManyKeysWithValues) {
  StringKeyedHashC t(true);
  for (int i = 0; i < 2000; ++i) {
    ASSERT_TRUE(t.Insert(new Entry(S(("Name" + std::to_string(i)).c_str()), i)));
  }
  for (int i = 0; i < 2000; ++i) {
    auto* e = static_cast<Entry*>(t.FindString(S(("NAME" + std::to_string(i)).c_str())));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->value, i);
  }
  EXPECT_TRUE(t.DeleteString(S("name7")));
  EXPECT_EQ(t.FindString(S("Name7")), nullptr);
  HashElemI* old = t.Replace(new Entry(S("NAME8"), -8));
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(static_cast<Entry*>(old)->value, 8);
  old->Destroy();
  EXPECT_EQ(static_cast<Entry*>(t.FindString(S("name8")))->value, -8);
  EXPECT_EQ(static_cast<const StringKeyedElemC*>(t.FindString(S("name8")))->KeyString().ToUtf8(),
            "NAME8");
  bool ok = false;
  ::testing::internal::CaptureStderr();
  ok = t.Check();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(ok);
  t.DeleteAll();
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST(StringSetCTest, MatchesAStdSet) {
  for (bool ignoreCase : {false, true}) {
    StringSetC set(ignoreCase);
    std::set<std::string> oracle;  // lower-cased when the set ignores case
    std::mt19937 rng(5);
    const char* stems[] = {"alpha", "Alpha", "BETA", "beta", "Gamma", "x"};
    for (int step = 0; step < 3000; ++step) {
      std::string text = std::string(stems[rng() % 6]) + std::to_string(rng() % 40);
      const std::string key = ignoreCase ? Lower(text) : text;
      const StringC s = S(text.c_str());
      switch (rng() % 3) {
        case 0:
        case 1:
          ASSERT_EQ(set.Add(s), oracle.insert(key).second) << text;
          break;
        default:
          ASSERT_EQ(set.Remove(s), oracle.erase(key) == 1) << text;
          break;
      }
      ASSERT_EQ(set.Count(), oracle.size());
      ASSERT_EQ(set.Contains(s), oracle.count(key) == 1);
    }
    StringArrayC members = set.ToArray();
    std::vector<std::string> got;
    for (uint64_t i = 0; i < members.Count(); ++i) {
      got.push_back(ignoreCase ? Lower(members[i].ToUtf8()) : members[i].ToUtf8());
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, std::vector<std::string>(oracle.begin(), oracle.end()));
  }
}

TEST(StringSetCTest, LookupGivesTheStoredSpelling) {
  StringSetC set(true);
  EXPECT_TRUE(set.Add(S("Common")));
  EXPECT_FALSE(set.Add(S("COMMON")));
  ASSERT_NE(set.Lookup(S("common")), nullptr);
  EXPECT_EQ(set.Lookup(S("common"))->ToUtf8(), "Common");
  EXPECT_EQ(set.Lookup(S("other")), nullptr);
  set.Clear();
  EXPECT_TRUE(set.IsEmpty());
  EXPECT_FALSE(set.Contains(S("Common")));
}

}  // namespace
