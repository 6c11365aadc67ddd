// Chained table over a ladder of sizes: HashTblC and StringHashTblC.
#include "base/HashTblC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/StringHashTblC.h"

namespace {

struct IntElem : ListElemI {
  IntElem(uint32_t k, int* death_count = nullptr) : key(k), deaths(death_count) {}
  ~IntElem() override {
    if (deaths) ++*deaths;
  }
  uint32_t key;
  int* deaths;
};

size_t IntKeyOffset() {
  static IntElem probe(0);
  return reinterpret_cast<const char*>(&probe.key) -
         reinterpret_cast<const char*>(static_cast<ListElemI*>(&probe));
}

class IntTbl : public HashTblC {
 public:
  IntTbl(const uint32_t* sizes, uint32_t n, bool owns) : HashTblC(sizes, n, owns, IntKeyOffset()) {}
  uint32_t Hash(uint32_t size, const void* key) const noexcept override {
    return (*static_cast<const uint32_t*>(key) * 2654435761u) % size;
  }
  bool Equals(const void* key, const void* elementKey) const noexcept override {
    return *static_cast<const uint32_t*>(key) == *static_cast<const uint32_t*>(elementKey);
  }
  IntElem* FindI(uint32_t k) const { return static_cast<IntElem*>(Find(&k)); }
  uint64_t Walk() {
    uint64_t n = 0;
    IteratorC it(*this);
    while (it.Next()) ++n;
    return n;
  }
};

constexpr uint32_t kLadder[] = {3, 7, 17, 37};

TEST(HashTblCTest, GrowsBeforeInsertionAndShrinksAfterRemoval) {
  IntTbl t(kLadder, 4, true);
  EXPECT_EQ(t.Size(), 3u);
  // From 3 to 7 once an insertion finds count > 3 + 2 * (7 - 3) = 11; from 7 to 17 past
  // 7 + 2 * 10 = 27; from 17 to 37 past 17 + 2 * 20 = 57; 37 is the last size.
  std::map<uint32_t, uint32_t> sizeAfter;  // count -> size after that many insertions
  std::vector<IntElem*> elems;
  for (uint32_t i = 0; i < 200; ++i) {
    elems.push_back(new IntElem(i));
    ASSERT_TRUE(t.Insert(elems.back()));
    sizeAfter[i + 1] = t.Size();
  }
  EXPECT_EQ(sizeAfter[12], 3u);
  EXPECT_EQ(sizeAfter[13], 7u);
  EXPECT_EQ(sizeAfter[28], 7u);
  EXPECT_EQ(sizeAfter[29], 17u);
  EXPECT_EQ(sizeAfter[58], 17u);
  EXPECT_EQ(sizeAfter[59], 37u);
  EXPECT_EQ(sizeAfter[200], 37u);
  for (uint32_t i = 0; i < 200; ++i) ASSERT_EQ(t.FindI(i), elems[i]);

  // Down from 37 to 17 when the count falls below 17, and so on; one step per removal.
  std::map<uint64_t, uint32_t> sizeAtCount;
  for (uint32_t i = 0; i < 200; ++i) {
    ASSERT_TRUE(t.Remove(elems[i]));  // owned: destroyed
    sizeAtCount[t.Count()] = t.Size();
  }
  EXPECT_EQ(sizeAtCount[17], 37u);
  EXPECT_EQ(sizeAtCount[16], 17u);
  EXPECT_EQ(sizeAtCount[7], 17u);
  EXPECT_EQ(sizeAtCount[6], 7u);
  EXPECT_EQ(sizeAtCount[3], 7u);
  EXPECT_EQ(sizeAtCount[2], 3u);
  EXPECT_EQ(sizeAtCount[0], 3u);
}

TEST(HashTblCTest, RandomOperationsAcrossTheLadderMatchAnOracle) {
  static constexpr uint32_t ladder[] = {1, 5, 11, 29, 61, 127, 257, 509, 1021};
  for (bool owns : {false, true}) {
    int deaths = 0;
    size_t created = 0;
    IntTbl t(ladder, 9, owns);
    std::multimap<uint32_t, IntElem*> oracle;
    std::mt19937 rng(99);
    std::vector<uint32_t> sizesSeen;
    for (int step = 0; step < 60000; ++step) {
      const uint32_t k = rng() % 3000;
      // Waves of growth and shrinkage so that the table climbs and descends the ladder.
      const bool growing = (step / 10000) % 2 == 0;
      if ((rng() % 100) < (growing ? 75u : 25u)) {
        auto* e = new IntElem(k, &deaths);
        ++created;
        if (rng() % 4 == 0) {
          // The first element with the key in its chain is the one replaced.
          IntElem* victim = t.FindI(k);
          ListElemI* old = reinterpret_cast<ListElemI*>(0x10);
          ASSERT_TRUE(t.InsertReplace(e, &old));
          ASSERT_EQ(old, owns ? nullptr : victim);
          if (victim != nullptr) {
            auto it = std::find_if(oracle.begin(), oracle.end(),
                                   [&](auto& p) { return p.second == victim; });
            ASSERT_NE(it, oracle.end());
            oracle.erase(it);
            if (!owns) delete victim;
          }
          oracle.emplace(k, e);
        } else {
          ASSERT_TRUE(t.Insert(e));
          oracle.emplace(k, e);
        }
      } else {
        // Remove the element with the nearest key, so that shrinking waves really shrink.
        auto pos = oracle.lower_bound(k);
        if (pos == oracle.end()) pos = oracle.begin();
        if (pos != oracle.end()) {
          IntElem* e = pos->second;
          oracle.erase(pos);
          ASSERT_TRUE(t.Remove(e));
          if (!owns) {
            ASSERT_FALSE(t.Remove(e));
            delete e;
          }
        }
      }
      ASSERT_EQ(t.Count(), oracle.size());
      if (sizesSeen.empty() || sizesSeen.back() != t.Size()) sizesSeen.push_back(t.Size());
      if (step % 997 == 0) {
        ASSERT_EQ(t.Walk(), oracle.size());
        for (uint32_t key = 0; key < 3000; key += 7) {
          ASSERT_EQ(t.FindI(key) != nullptr, oracle.count(key) != 0) << "key " << key;
        }
      }
    }
    // The table went up and came back down.
    EXPECT_NE(std::find(sizesSeen.begin(), sizesSeen.end(), 1021u), sizesSeen.end());
    EXPECT_LT(sizesSeen.back(), 1021u);
    const size_t left = oracle.size();
    const int before = deaths;
    // A table that owns its elements destroys them even when not asked to.
    t.Clear(!owns);
    EXPECT_EQ(static_cast<size_t>(deaths - before), left);
    EXPECT_EQ(static_cast<size_t>(deaths), created);
    EXPECT_EQ(t.Count(), 0u);
    EXPECT_EQ(t.Size(), 1u);
  }
}

TEST(HashTblCTest, InsertReplaceHandsBackOrDestroys) {
  int deaths = 0;
  {
    IntTbl t(kLadder, 4, false);
    auto* a = new IntElem(1, &deaths);
    auto* b = new IntElem(1, &deaths);
    ListElemI* old = reinterpret_cast<ListElemI*>(0x10);
    ASSERT_TRUE(t.InsertReplace(a, &old));
    EXPECT_EQ(old, nullptr);
    ASSERT_TRUE(t.InsertReplace(b, &old));
    EXPECT_EQ(old, a);
    EXPECT_FALSE(a->IsLinked());
    EXPECT_EQ(t.FindI(1), b);
    EXPECT_EQ(t.Count(), 1u);
    EXPECT_FALSE(t.InsertReplace(b, &old));  // linked
    EXPECT_EQ(old, nullptr);
    delete a;
    t.Clear(false);
    EXPECT_EQ(deaths, 1);
    EXPECT_FALSE(b->IsLinked());
    delete b;
  }
  deaths = 0;
  {
    IntTbl t(kLadder, 4, true);
    auto* a = new IntElem(1, &deaths);
    ASSERT_TRUE(t.Insert(a));
    EXPECT_FALSE(t.Insert(a));
    ListElemI* old = nullptr;
    ASSERT_TRUE(t.InsertReplace(new IntElem(1, &deaths), &old));
    EXPECT_EQ(old, nullptr);
    EXPECT_EQ(deaths, 1);  // the owned old element was destroyed
    IntElem stranger(1);
    EXPECT_FALSE(t.Remove(&stranger));  // same key, not in the table: left alone
    EXPECT_EQ(t.Count(), 1u);
  }
  EXPECT_EQ(deaths, 2);  // the destructor destroyed the owned element
}

TEST(HashTblCTest, IteratorRemovalDefersShrinkingAndDetectsChanges) {
  IntTbl t(kLadder, 4, true);
  for (uint32_t i = 0; i < 100; ++i) t.Insert(new IntElem(i));
  ASSERT_EQ(t.Size(), 37u);
  {
    HashTblC::IteratorC it(t);
    uint64_t visited = 0;
    while (it.Next()) {
      ++visited;
      ASSERT_TRUE(it.RemoveCurrent());
      EXPECT_EQ(t.Size(), 37u);  // not while walking
    }
    EXPECT_TRUE(it.IsValid());
    EXPECT_EQ(visited, 100u);
  }
  EXPECT_EQ(t.Count(), 0u);
  EXPECT_EQ(t.Size(), 3u);  // shrunk when the walk ended

  for (uint32_t i = 0; i < 10; ++i) t.Insert(new IntElem(i));
  HashTblC::IteratorC it(t);
  ASSERT_NE(it.Next(), nullptr);
  t.Insert(new IntElem(77));
  EXPECT_EQ(it.Next(), nullptr);
  EXPECT_FALSE(it.IsValid());
  EXPECT_FALSE(it.RemoveCurrent());
}

TEST(HashTblCTest, UnusableLadderFallsBackToOneBucket) {
  static constexpr uint32_t descending[] = {7, 3};
  static constexpr uint32_t zero[] = {0};
  struct Case {
    const uint32_t* sizes;
    uint32_t n;
  } cases[] = {{nullptr, 3}, {kLadder, 0}, {descending, 2}, {zero, 1}};
  for (const Case& c : cases) {
    IntTbl t(c.sizes, c.n, true);
    EXPECT_EQ(t.Size(), 1u);
    for (uint32_t i = 0; i < 50; ++i) t.Insert(new IntElem(i));
    for (uint32_t i = 0; i < 50; ++i) EXPECT_NE(t.FindI(i), nullptr);
  }
}

struct NameElem : ListElemI {
  explicit NameElem(const char* n) : name(n) {}
  const char* name;
};

size_t NameKeyOffset() {
  static NameElem probe(nullptr);
  return reinterpret_cast<const char*>(&probe.name) -
         reinterpret_cast<const char*>(static_cast<ListElemI*>(&probe));
}

TEST(StringHashTblCTest, StringHash) {
  struct Case {
    const char* text;
    uint32_t hash;
  } cases[] = {
      {nullptr, 0},          {"", 0}, {"a", 97}, {"ab", (97u << 5) + 98u},
      {"\xff", 0xFFFFFFFFu},  // bytes are signed: -1
      {"\xff\x01", 0u},       // rotl(0xFFFFFFFF, 5) + 1 wraps to 0
      {"\x80", 0xFFFFFF80u},  // -128
      {"abcdefg", 0},         // filled in below
  };
  // Reference for the long case: rotate and add, by hand.
  uint32_t h = 0;
  for (const char* p = "abcdefg"; *p; ++p) h = ((h << 5) | (h >> 27)) + static_cast<uint32_t>(*p);
  cases[7].hash = h;
  for (const Case& c : cases) {
    EXPECT_EQ(StringHashTblC::HashString(c.text), c.hash) << (c.text ? c.text : "(null)");
  }
}

TEST(StringHashTblCTest, EmptyKeyIsBucketZeroForEverySizeAndNullIsEmpty) {
  static constexpr uint32_t ladder[] = {1, 2, 3, 7, 13, 101, 4093};
  StringHashTblC t(ladder, 7, false, NameKeyOffset());
  const char* empty = "";
  const char* null = nullptr;
  for (uint32_t size : ladder) {
    EXPECT_EQ(t.Hash(size, &empty), 0u);
    EXPECT_EQ(t.Hash(size, &null), 0u);
  }
  NameElem nullName(nullptr), alpha("alpha");
  ASSERT_TRUE(t.Insert(&nullName));
  ASSERT_TRUE(t.Insert(&alpha));
  EXPECT_EQ(t.FindText(""), &nullName);
  EXPECT_EQ(t.FindText(nullptr), &nullName);
  EXPECT_EQ(t.FindText("alpha"), &alpha);
  std::string copy = "alpha";  // equality is by text, not by pointer
  EXPECT_EQ(t.FindText(copy.c_str()), &alpha);
  EXPECT_EQ(t.FindText("alph"), nullptr);
  EXPECT_EQ(alpha.Owner(), &t);
  t.Clear(false);
}

TEST(StringHashTblCTest, ManyNamesAcrossResizes) {
  static constexpr uint32_t ladder[] = {7, 31, 127, 509};
  StringHashTblC t(ladder, 4, true, NameKeyOffset());
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) names.push_back("host-" + std::to_string(i) + ".example");
  for (const std::string& n : names) ASSERT_TRUE(t.Insert(new NameElem(n.c_str())));
  EXPECT_EQ(t.Size(), 509u);
  for (const std::string& n : names) {
    auto* e = static_cast<NameElem*>(t.FindText(n.c_str()));
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->name, n.c_str());
  }
  for (size_t i = 0; i < names.size(); i += 2) ASSERT_TRUE(t.Remove(t.FindText(names[i].c_str())));
  for (size_t i = 0; i < names.size(); ++i) {
    ASSERT_EQ(t.FindText(names[i].c_str()) != nullptr, i % 2 == 1) << names[i];
  }
}

}  // namespace
