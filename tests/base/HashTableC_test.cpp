// Linear-hashing table: addressing, splitting, removal, iteration, Check and Dump.
#include "base/HashTableC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct U64Elem : HashElemI {
  explicit U64Elem(uint64_t k, uint64_t s = 0, int* death_count = nullptr)
      : key(k), seq(s), deaths(death_count) {}
  ~U64Elem() override {
    if (deaths) ++*deaths;
  }
  const void* Key() const noexcept override { return &key; }
  // Damages the stored hash the way a stray write would.
  void CorruptStoredHash(uint32_t h) { hash_ = h; }
  uint64_t key;
  uint64_t seq;
  int* deaths;
};

// Hash function chosen per table: the identity keeps bucket placement predictable.
class U64Table : public HashTableC {
 public:
  using HashFn = uint32_t (*)(uint64_t);
  explicit U64Table(HashFn fn = [](uint64_t k) { return static_cast<uint32_t>(k); }) : fn_(fn) {}
  ~U64Table() override { DeleteAll(); }
  uint32_t Hash(const void* key) const noexcept override {
    return fn_(*static_cast<const uint64_t*>(key));
  }
  bool Equals(const HashElemI* e, const void* key) const noexcept override {
    return static_cast<const U64Elem*>(e)->key == *static_cast<const uint64_t*>(key);
  }
  U64Elem* FindU(uint64_t k) const { return static_cast<U64Elem*>(Find(&k)); }

 private:
  HashFn fn_;
};

template <class Fn>
std::string Capture(Fn write) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* f = open_memstream(&buf, &len);
  write(f);
  std::fclose(f);
  std::string out(buf, len);
  std::free(buf);
  return out;
}

std::string Print(const HashElemI* e) {
  return Capture([&](FILE* f) { e->Print(f); });
}

// Runs Check() and returns what it wrote to stderr.
std::string CheckOutput(HashTableC& t, bool* ok) {
  ::testing::internal::CaptureStderr();
  *ok = t.Check();
  return ::testing::internal::GetCapturedStderr();
}

TEST(HashTableCTest, BucketCountFollowsTheLoadFactor) {
  struct Case {
    int inserts;
    uint64_t buckets;
    uint32_t mask;
  } cases[] = {{0, 1, 0},   {1, 2, 1},    {2, 3, 3},       {4, 5, 7},         {8, 9, 15},
               {9, 10, 15}, {10, 12, 15}, {100, 112, 127}, {1000, 1112, 2047}};
  for (const Case& c : cases) {
    U64Table t;
    for (int i = 0; i < c.inserts; ++i) ASSERT_TRUE(t.Insert(new U64Elem(i * 7919u)));
    EXPECT_EQ(t.Count(), static_cast<uint64_t>(c.inserts));
    EXPECT_EQ(t.BucketCount(), c.buckets) << c.inserts << " insertions";
    EXPECT_EQ(t.Mask(), c.mask) << c.inserts << " insertions";
    bool ok = false;
    EXPECT_EQ(CheckOutput(t, &ok), "");
    EXPECT_TRUE(ok);
  }
}

TEST(HashTableCTest, KeysDifferingAboveTheMaskShareABucketUntilASplit) {
  U64Table t;
  U64Elem* low = new U64Elem(0x1);
  U64Elem* high = new U64Elem(0x11);  // differs from `low` only in bit 4
  ASSERT_TRUE(t.Insert(low));
  ASSERT_TRUE(t.Insert(high));
  uint64_t filler = 0x1000;
  // Fillers hash to bucket 0 and drive the splits.
  while (t.BucketCount() <= 0x11) {
    EXPECT_EQ(t.BucketOf(0x1), t.BucketOf(0x11)) << t.BucketCount() << " buckets";
    EXPECT_EQ(t.FindU(0x1), low);
    EXPECT_EQ(t.FindU(0x11), high);
    ASSERT_TRUE(t.Insert(new U64Elem(filler)));
    filler += 0x1000;
  }
  EXPECT_EQ(t.BucketOf(0x1), 1u);
  EXPECT_EQ(t.BucketOf(0x11), 0x11u);
  EXPECT_EQ(t.FindU(0x1), low);
  EXPECT_EQ(t.FindU(0x11), high);
  bool ok = false;
  CheckOutput(t, &ok);
  EXPECT_TRUE(ok);
}

TEST(HashTableCTest, RemovingTheOnlyElementOfABucketEmptiesIt) {
  U64Table t;
  auto* a = new U64Elem(0);
  auto* b = new U64Elem(1);
  auto* c = new U64Elem(2);
  ASSERT_TRUE(t.Insert(a));
  ASSERT_TRUE(t.Insert(b));
  ASSERT_TRUE(t.Insert(c));
  // 3 insertions: 4 buckets, mask 3; buckets 0, 1, 2 hold a, b, c.
  ASSERT_EQ(t.BucketCount(), 4u);
  ASSERT_EQ(t.EmptyBuckets(), 1u);
  const std::string marker = [&] {
    char m[32];
    std::snprintf(m, sizeof m, "%p", reinterpret_cast<void*>(ListEndMarker(&t)));
    return std::string(m);
  }();
  char head[128];
  std::snprintf(head, sizeof head, "Dumping table at %p, size=4 (1 empty), mask=3\n",
                static_cast<void*>(&t));
  EXPECT_EQ(Capture([&](FILE* f) { t.Dump(f); }), std::string(head) + "\t0x0: " + Print(a) +
                                                      "\n\t0x1: " + Print(b) +
                                                      "\n\t0x2: " + Print(c) + "\n\t0x3:\n");
  EXPECT_NE(Print(a).find("(n " + marker + ", h 0x00000000)"), std::string::npos);

  ASSERT_TRUE(t.Remove(b));
  EXPECT_FALSE(b->IsLinked());
  delete b;
  EXPECT_EQ(t.EmptyBuckets(), 2u);
  EXPECT_EQ(t.BucketCount(), 4u);  // buckets never merge
  std::snprintf(head, sizeof head, "Dumping table at %p, size=4 (2 empty), mask=3\n",
                static_cast<void*>(&t));
  EXPECT_EQ(
      Capture([&](FILE* f) { t.Dump(f); }),
      std::string(head) + "\t0x0: " + Print(a) + "\n\t0x1:\n\t0x2: " + Print(c) + "\n\t0x3:\n");
  bool ok = false;
  EXPECT_EQ(CheckOutput(t, &ok), "");
  EXPECT_TRUE(ok);
}

// Checks the bucket invariants that Check() does not: newest first within every bucket
// (insertions push at the head and splits keep relative order).
void ExpectNewestFirst(const HashTableC& t) {
  std::vector<uint64_t> lastSeq(t.BucketCount(), UINT64_MAX);  // seq of the previous element
  HashTableC::IteratorC it(t);
  while (const HashElemI* e = it.Next()) {
    const auto* u = static_cast<const U64Elem*>(e);
    uint64_t& last = lastSeq[t.BucketOf(u->StoredHash())];
    ASSERT_GT(last, u->seq) << "bucket " << t.BucketOf(u->StoredHash()) << " out of order";
    last = u->seq;
  }
}

// Long random runs against std::unordered_multimap. A weak hash (many equal hashes) and a
// small key range give duplicates, collisions and removals that hit.
TEST(HashTableCTest, RandomOperationsMatchAnOracle) {
  struct Case {
    U64Table::HashFn hash;
    uint64_t keyRange;
    int batches;  // of 1000 operations
  } cases[] = {
      {[](uint64_t k) { return static_cast<uint32_t>(k * 2654435761u); }, 20000, 100},
      {[](uint64_t k) { return static_cast<uint32_t>(k >> 3); }, 5000, 30},  // groups of 8 collide
      {[](uint64_t k) { return static_cast<uint32_t>(k) & 0xFFFu; }, 40000, 30},  // 4096 hashes
  };
  for (const Case& c : cases) {
    U64Table t(c.hash);
    std::unordered_multimap<uint64_t, U64Elem*> oracle;
    std::mt19937_64 rng(12345);
    uint64_t seq = 0;
    for (int batch = 0; batch < c.batches; ++batch) {
      for (int step = 0; step < 1000; ++step) {
        const uint64_t k = rng() % c.keyRange;
        // Grow for the first half, then mostly shrink.
        const bool insert = (rng() % 100) < (batch < c.batches / 2 ? 70u : 30u);
        if (insert) {
          auto* e = new U64Elem(k, ++seq);
          ASSERT_TRUE(t.Insert(e));
          oracle.emplace(k, e);
        } else if (rng() % 2) {
          HashElemI* removed = t.RemoveKey(&k);
          auto range = oracle.equal_range(k);
          ASSERT_EQ(removed != nullptr, range.first != range.second);
          if (removed) {
            // The newest element with that key is found (and removed) first.
            auto newest = std::max_element(range.first, range.second, [](auto& x, auto& y) {
              return x.second->seq < y.second->seq;
            });
            ASSERT_EQ(removed, newest->second);
            oracle.erase(newest);
            removed->Destroy();
          }
        } else if (!oracle.empty()) {
          auto pick = oracle.find(k);
          if (pick != oracle.end()) {
            ASSERT_TRUE(t.Remove(pick->second));
            ASSERT_FALSE(t.Remove(pick->second));  // not twice
            delete pick->second;
            oracle.erase(pick);
          }
        }
      }
      ASSERT_EQ(t.Count(), oracle.size());
      bool ok = false;
      ASSERT_EQ(CheckOutput(t, &ok), "") << "batch " << batch;
      ASSERT_TRUE(ok);
      // Every key of the oracle is found, with all of its duplicates.
      if (batch % 10 == 9) {
        ExpectNewestFirst(t);
        for (auto it = oracle.begin(); it != oracle.end();) {
          const uint64_t k = it->first;
          const size_t expected = oracle.count(k);
          size_t found = 0;
          for (HashElemI* e = t.Find(&k); e != nullptr; e = t.FindNext(e, &k)) ++found;
          ASSERT_EQ(found, expected) << "key " << k;
          it = oracle.equal_range(k).second;
        }
        for (uint64_t miss = c.keyRange; miss < c.keyRange + 50; ++miss) {
          ASSERT_EQ(t.FindU(miss), nullptr);
        }
      }
    }
    // Buckets never merge: the table keeps the size of its peak.
    EXPECT_GE(t.BucketCount(), t.Count());
  }
}

TEST(HashTableCTest, ReplaceRemoveKeyAndDelete) {
  int deaths = 0;
  U64Table t;
  auto* first = new U64Elem(5, 1, &deaths);
  ASSERT_TRUE(t.Insert(first));
  EXPECT_FALSE(t.Insert(first));  // already linked
  auto* second = new U64Elem(5, 2, &deaths);
  EXPECT_EQ(t.Replace(second), first);
  EXPECT_FALSE(first->IsLinked());
  EXPECT_EQ(t.Count(), 1u);
  EXPECT_EQ(t.FindU(5), second);
  EXPECT_EQ(t.Replace(second), nullptr);  // linked: refused, nothing changes
  EXPECT_EQ(t.FindU(5), second);
  delete first;
  EXPECT_EQ(deaths, 1);

  auto* fresh = new U64Elem(6, 3, &deaths);
  EXPECT_EQ(t.Replace(fresh), nullptr);  // no old element: plain insertion
  EXPECT_EQ(t.Count(), 2u);

  uint64_t k = 6;
  EXPECT_TRUE(t.DeleteKey(&k));
  EXPECT_EQ(deaths, 2);
  EXPECT_FALSE(t.DeleteKey(&k));
  EXPECT_EQ(t.RemoveKey(&k), nullptr);
  k = 5;
  HashElemI* removed = t.RemoveKey(&k);
  EXPECT_EQ(removed, second);
  EXPECT_EQ(t.Count(), 0u);
  removed->Destroy();
  EXPECT_EQ(deaths, 3);

  U64Table other;
  auto* shared = new U64Elem(1, 0, &deaths);
  ASSERT_TRUE(t.Insert(shared));
  EXPECT_FALSE(other.Insert(shared));  // linked into another table
  EXPECT_FALSE(other.Remove(shared));  // not in that table
  EXPECT_EQ(shared->Owner(), &t);
  EXPECT_EQ(t.Count(), 1u);
}

TEST(HashTableCTest, ClearUnlinksAndDeleteAllDestroys) {
  int deaths = 0;
  U64Table t;
  std::vector<U64Elem*> mine;
  for (uint64_t i = 0; i < 100; ++i) {
    mine.push_back(new U64Elem(i, i, &deaths));
    t.Insert(mine.back());
  }
  t.Clear();
  EXPECT_EQ(deaths, 0);
  EXPECT_EQ(t.Count(), 0u);
  EXPECT_EQ(t.BucketCount(), 1u);
  EXPECT_EQ(t.Mask(), 0u);
  EXPECT_EQ(t.EmptyBuckets(), 1u);
  for (U64Elem* e : mine) {
    EXPECT_FALSE(e->IsLinked());
    EXPECT_TRUE(t.Insert(e));  // reusable
  }
  t.DeleteAll();
  EXPECT_EQ(deaths, 100);
  EXPECT_EQ(t.Count(), 0u);
  bool ok = false;
  CheckOutput(t, &ok);
  EXPECT_TRUE(ok);
}

TEST(HashTableCTest, IteratorVisitsEachElementOnceAndNoticesChanges) {
  U64Table t;
  for (uint64_t i = 0; i < 500; ++i) t.Insert(new U64Elem(i * 31));
  {
    std::vector<uint64_t> seen;
    HashTableC::IteratorC it(static_cast<const HashTableC&>(t));
    while (HashElemI* e = it.Next()) seen.push_back(static_cast<U64Elem*>(e)->key);
    EXPECT_TRUE(it.IsValid());
    EXPECT_EQ(it.Next(), nullptr);  // stays at the end
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(seen.size(), 500u);
    for (uint64_t i = 0; i < 500; ++i) EXPECT_EQ(seen[i], i * 31);
    EXPECT_FALSE(it.RemoveCurrent());  // const table
  }
  {
    // A change behind the iterator's back ends the walk instead of following stale links.
    HashTableC::IteratorC it(t);
    ASSERT_NE(it.Next(), nullptr);
    auto* extra = new U64Elem(100000);
    t.Insert(extra);  // may split the bucket the iterator stands in
    EXPECT_EQ(it.Next(), nullptr);
    EXPECT_FALSE(it.IsValid());
    EXPECT_EQ(it.Next(), nullptr);
    EXPECT_FALSE(it.RemoveCurrent());
    it.Reset();
    EXPECT_TRUE(it.IsValid());
    EXPECT_NE(it.Next(), nullptr);
    ASSERT_TRUE(t.Remove(extra));
    delete extra;
    EXPECT_EQ(it.Next(), nullptr);
    EXPECT_FALSE(it.IsValid());
  }
  {
    // Removing through the iterator keeps the walk going.
    HashTableC::IteratorC it(t);
    size_t visited = 0;
    while (HashElemI* e = it.Next()) {
      ++visited;
      if (static_cast<U64Elem*>(e)->key % 2 == 0) {
        ASSERT_TRUE(it.RemoveCurrent());
        EXPECT_FALSE(it.RemoveCurrent());  // already gone
        e->Destroy();
      }
    }
    EXPECT_TRUE(it.IsValid());
    EXPECT_EQ(visited, 500u);
    EXPECT_EQ(t.Count(), 250u);
  }
  bool ok = false;
  CheckOutput(t, &ok);
  EXPECT_TRUE(ok);
}

TEST(HashTableCTest, CheckReportsDamagedElements) {
  U64Table t;
  std::vector<U64Elem*> e;
  for (uint64_t i = 0; i < 8; ++i) {
    e.push_back(new U64Elem(i));
    t.Insert(e.back());
  }
  ASSERT_EQ(t.BucketCount(), 9u);
  bool ok = true;

  // A changed key: the stored hash no longer matches, but still addresses the bucket.
  e[3]->key = 0x103;
  EXPECT_EQ(CheckOutput(t, &ok),
            "Element hash value wrong: " + Print(e[3]) + "\nconsistency check failed\n");
  EXPECT_FALSE(ok);
  e[3]->key = 3;

  // A damaged stored hash: wrong, and pointing at another bucket.
  e[5]->CorruptStoredHash(6);
  EXPECT_EQ(CheckOutput(t, &ok), "Element hash value wrong: " + Print(e[5]) +
                                     "\nElement in wrong list: " + Print(e[5]) +
                                     "\nconsistency check failed\n");
  EXPECT_FALSE(ok);
  e[5]->CorruptStoredHash(5);
  EXPECT_EQ(CheckOutput(t, &ok), "");
  EXPECT_TRUE(ok);
}

}  // namespace
