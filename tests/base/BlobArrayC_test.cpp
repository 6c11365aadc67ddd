// Growable record arrays: BlobArrayC, ObjArrayC, HashArrayC.
#include "base/BlobArrayC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "base/HashArrayC.h"
#include "base/ListElemI.h"
#include "base/ObjArrayC.h"

namespace {

std::vector<int32_t> Contents(const BlobArrayC& a) {
  std::vector<int32_t> out;
  for (uint64_t i = 0; i < a.Count(); ++i) {
    int32_t v;
    std::memcpy(&v, a.Get(i), sizeof v);
    out.push_back(v);
  }
  return out;
}

void AppendInt(BlobArrayC& a, int32_t v) {
  a.Append(&v);
}

TEST(BlobArrayCTest, GrowthFollowsTheLadder) {
  BlobArrayC a(sizeof(int32_t));
  EXPECT_EQ(a.Capacity(), 0u);
  std::vector<uint64_t> capacities;
  for (int32_t i = 0; i < 400; ++i) {
    AppendInt(a, i);
    if (capacities.empty() || capacities.back() != a.Capacity()) capacities.push_back(a.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<uint64_t>{32, 64, 128, 224, 352, 544}));
  // Growing keeps every record.
  std::vector<int32_t> expected(400);
  for (int32_t i = 0; i < 400; ++i) expected[i] = i;
  EXPECT_EQ(Contents(a), expected);
}

TEST(BlobArrayCTest, ThirtyThreeRecordsGrowTwice) {
  BlobArrayC a(24);
  for (int i = 0; i < 33; ++i) a.Append(nullptr);
  EXPECT_EQ(a.Count(), 33u);
  EXPECT_EQ(a.Capacity(), 64u);
}

TEST(BlobArrayCTest, InsertAtPositions) {
  struct Case {
    uint64_t index;
    std::vector<int32_t> expected;
  } cases[] = {
      {0, {99, 1, 2, 3}},    {1, {1, 99, 2, 3}},
      {2, {1, 2, 99, 3}},    {3, {1, 2, 3, 99}},  // at the end: appends
      {1000, {1, 2, 3, 99}},                      // past the end: appends
  };
  for (const Case& c : cases) {
    BlobArrayC a(sizeof(int32_t));
    for (int32_t v : {1, 2, 3}) AppendInt(a, v);
    int32_t v = 99;
    void* slot = a.Insert(c.index, &v);
    EXPECT_EQ(std::memcmp(slot, &v, sizeof v), 0);
    EXPECT_EQ(Contents(a), c.expected) << "index " << c.index;
  }
}

TEST(BlobArrayCTest, InsertAcrossGrowthAndFromItsOwnStorage) {
  BlobArrayC a(sizeof(int32_t));
  for (int32_t i = 0; i < 32; ++i) AppendInt(a, i);
  ASSERT_EQ(a.Capacity(), 32u);
  // The source record lives in the array, which moves while growing.
  a.Insert(0, a.Get(31));
  EXPECT_EQ(a.Capacity(), 64u);
  std::vector<int32_t> c = Contents(a);
  ASSERT_EQ(c.size(), 33u);
  EXPECT_EQ(c[0], 31);
  EXPECT_EQ(c[1], 0);
  EXPECT_EQ(c[32], 31);
}

TEST(BlobArrayCTest, GetPastCountAndRemove) {
  BlobArrayC a(sizeof(int32_t));
  EXPECT_EQ(a.Get(0), nullptr);
  for (int32_t v : {10, 20, 30}) AppendInt(a, v);
  EXPECT_NE(a.Get(2), nullptr);
  EXPECT_EQ(a.Get(3), nullptr);  // within capacity, past count
  EXPECT_TRUE(a.Remove(1));
  EXPECT_FALSE(a.Remove(2));
  EXPECT_EQ(Contents(a), (std::vector<int32_t>{10, 30}));
  a.Clear();
  EXPECT_EQ(a.Count(), 0u);
  EXPECT_EQ(a.Capacity(), 0u);
  EXPECT_EQ(a.Data(), nullptr);
  AppendInt(a, 5);  // usable after Clear
  EXPECT_EQ(Contents(a), (std::vector<int32_t>{5}));
}

struct Rec {
  int32_t key;
  int32_t seq;
};

int CompareRec(const void* a, const void* b, void* context) {
  const int sign = *static_cast<int*>(context);
  const auto* x = static_cast<const Rec*>(a);
  const auto* y = static_cast<const Rec*>(b);
  return sign * ((x->key > y->key) - (x->key < y->key));
}

TEST(BlobArrayCTest, SortUsesContextAndIsStable) {
  for (int sign : {1, -1}) {
    BlobArrayC a(sizeof(Rec));
    std::mt19937 rng(7);
    for (int32_t i = 0; i < 1000; ++i) {
      Rec r{static_cast<int32_t>(rng() % 50), i};
      a.Append(&r);
    }
    a.Sort(&CompareRec, &sign);
    ASSERT_EQ(a.Count(), 1000u);
    for (uint64_t i = 1; i < a.Count(); ++i) {
      const auto* p = static_cast<const Rec*>(a.Get(i - 1));
      const auto* q = static_cast<const Rec*>(a.Get(i));
      ASSERT_LE(sign * p->key, sign * q->key);
      if (p->key == q->key) {
        ASSERT_LT(p->seq, q->seq) << "equal keys changed order";
      }
    }
  }
}

int CompareRandomly(const void*, const void*, void* context) {
  return static_cast<int>((*static_cast<std::mt19937*>(context))() % 3) - 1;
}

TEST(BlobArrayCTest, SortWithInconsistentComparisonKeepsEveryRecord) {
  BlobArrayC a(sizeof(int32_t));
  for (int32_t i = 0; i < 777; ++i) AppendInt(a, i);
  std::mt19937 rng(1);
  a.Sort(&CompareRandomly, &rng);
  std::vector<int32_t> c = Contents(a);
  std::sort(c.begin(), c.end());
  for (int32_t i = 0; i < 777; ++i) ASSERT_EQ(c[i], i);
}

struct Counted {
  explicit Counted(int v, int* death_count) : value(v), deaths(death_count) {}
  ~Counted() { ++*deaths; }
  int value;
  int* deaths;
};

int CompareCounted(const void* a, const void* b, void*) {
  return static_cast<const Counted*>(a)->value - static_cast<const Counted*>(b)->value;
}

TEST(ObjArrayCTest, OwnsItsObjects) {
  int deaths = 0;
  {
    ObjArrayC a(ObjArrayC::DeleterFor<Counted>());
    for (int v : {3, 1, 2, 5, 4}) a.Add(new Counted(v, &deaths));
    a.Insert(0, new Counted(0, &deaths));
    a.Sort(&CompareCounted, nullptr);
    for (uint64_t i = 0; i < a.Count(); ++i) {
      EXPECT_EQ(static_cast<Counted*>(a.Get(i))->value, static_cast<int>(i));
    }
    a.Add(nullptr);  // a null slot is skipped when destroying
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(a.Get(100), nullptr);

    EXPECT_TRUE(a.DeleteAt(0));
    EXPECT_EQ(deaths, 1);
    void* kept = a.Detach(0);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(static_cast<Counted*>(kept)->value, 1);
    EXPECT_EQ(deaths, 1);
    delete static_cast<Counted*>(kept);
    EXPECT_EQ(deaths, 2);
    EXPECT_FALSE(a.DeleteAt(a.Count()));
    EXPECT_EQ(a.Detach(a.Count()), nullptr);

    a.Clear();
    EXPECT_EQ(deaths, 6);
    EXPECT_EQ(a.Count(), 0u);
    a.Add(new Counted(9, &deaths));
  }
  EXPECT_EQ(deaths, 7);  // the destructor destroyed the last one
}

struct Node : ListElemI {};

TEST(HashArrayCTest, ClearEmptiesEveryBucketFirst) {
  alignas(8) static const char owner = 0;
  const ListLinkT marker = ListEndMarker(&owner);
  Node n[3];
  {
    HashArrayC buckets(marker);
    EXPECT_EQ(buckets.AddBucket(), 0u);
    EXPECT_EQ(buckets.AddBucket(), 1u);
    ASSERT_EQ(buckets.Heads()[0], marker);
    // Bucket 0: n0 -> n1; bucket 1: n2.
    *n[1].NextLink() = marker;
    *n[0].NextLink() = ListElemLink(&n[1]);
    buckets.Heads()[0] = ListElemLink(&n[0]);
    *n[2].NextLink() = marker;
    buckets.Heads()[1] = ListElemLink(&n[2]);
    EXPECT_EQ(n[1].Owner(), &owner);
    buckets.Clear();
    EXPECT_EQ(buckets.Count(), 0u);
    for (Node& e : n) EXPECT_FALSE(e.IsLinked());
  }
}

}  // namespace
