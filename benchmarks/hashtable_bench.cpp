// HashTableC against std::unordered_map: insertion and lookup with the same keys and the same
// hash function, for 64-bit integer keys and short string keys.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/HashTableC.h"

namespace {

// The same 64-bit mix for both containers (std::hash<uint64_t> is the identity).
inline uint64_t Mix(uint64_t k) {
  k ^= k >> 33;
  k *= 0xff51afd7ed558ccdULL;
  k ^= k >> 33;
  k *= 0xc4ceb9fe1a85ec53ULL;
  k ^= k >> 33;
  return k;
}
struct MixHash {
  size_t operator()(uint64_t k) const noexcept { return Mix(k); }
};

struct U64Elem final : HashElemI {
  explicit U64Elem(uint64_t k) : key(k), value(k) {}
  const void* Key() const noexcept override { return &key; }
  uint64_t key;
  uint64_t value;
};

class U64Table final : public HashTableC {
 public:
  uint32_t Hash(const void* key) const noexcept override {
    return static_cast<uint32_t>(Mix(*static_cast<const uint64_t*>(key)));
  }
  bool Equals(const HashElemI* e, const void* key) const noexcept override {
    return static_cast<const U64Elem*>(e)->key == *static_cast<const uint64_t*>(key);
  }
};

struct StrElem final : HashElemI {
  explicit StrElem(std::string k) : key(std::move(k)) {}
  const void* Key() const noexcept override { return &key; }
  std::string key;
  uint64_t value = 0;
};

class StrTable final : public HashTableC {
 public:
  uint32_t Hash(const void* key) const noexcept override {
    return static_cast<uint32_t>(std::hash<std::string>{}(*static_cast<const std::string*>(key)));
  }
  bool Equals(const HashElemI* e, const void* key) const noexcept override {
    return static_cast<const StrElem*>(e)->key == *static_cast<const std::string*>(key);
  }
};

std::vector<uint64_t> U64Keys(size_t n) {
  std::mt19937_64 rng(n);
  std::vector<uint64_t> keys(n);
  for (auto& k : keys) k = rng();
  return keys;
}

std::vector<std::string> StrKeys(size_t n) {
  std::mt19937_64 rng(n);
  std::vector<std::string> keys(n);
  // Distinct keys of 6 to 12 characters.
  for (size_t i = 0; i < n; ++i) keys[i] = "key" + std::to_string(i * 7919 + rng() % 7919);
  return keys;
}

template <class T>
std::vector<T> Shuffled(std::vector<T> v) {
  std::shuffle(v.begin(), v.end(), std::mt19937_64(7));
  return v;
}

// ---- 64-bit keys ----

void BM_U64_Insert_HashTableC(benchmark::State& state) {
  const auto keys = U64Keys(state.range(0));
  for (auto _ : state) {
    U64Table t;
    for (uint64_t k : keys) t.Insert(new U64Elem(k));
    benchmark::DoNotOptimize(t.Count());
    t.DeleteAll();
  }
  state.SetItemsProcessed(state.iterations() * keys.size());
}

void BM_U64_Insert_StdUnorderedMap(benchmark::State& state) {
  const auto keys = U64Keys(state.range(0));
  for (auto _ : state) {
    std::unordered_map<uint64_t, uint64_t, MixHash> m;
    for (uint64_t k : keys) m.emplace(k, k);
    benchmark::DoNotOptimize(m.size());
  }
  state.SetItemsProcessed(state.iterations() * keys.size());
}

void BM_U64_Find_HashTableC(benchmark::State& state) {
  const auto keys = U64Keys(state.range(0));
  const auto probes = Shuffled(keys);
  U64Table t;
  for (uint64_t k : keys) t.Insert(new U64Elem(k));
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint64_t k : probes) sum += static_cast<U64Elem*>(t.Find(&k))->value;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * probes.size());
  t.DeleteAll();
}

void BM_U64_Find_StdUnorderedMap(benchmark::State& state) {
  const auto keys = U64Keys(state.range(0));
  const auto probes = Shuffled(keys);
  std::unordered_map<uint64_t, uint64_t, MixHash> m;
  for (uint64_t k : keys) m.emplace(k, k);
  for (auto _ : state) {
    uint64_t sum = 0;
    for (uint64_t k : probes) sum += m.find(k)->second;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * probes.size());
}

// ---- short string keys ----

void BM_Str_Insert_HashTableC(benchmark::State& state) {
  const auto keys = StrKeys(state.range(0));
  for (auto _ : state) {
    StrTable t;
    for (const auto& k : keys) t.Insert(new StrElem(k));
    benchmark::DoNotOptimize(t.Count());
    t.DeleteAll();
  }
  state.SetItemsProcessed(state.iterations() * keys.size());
}

void BM_Str_Insert_StdUnorderedMap(benchmark::State& state) {
  const auto keys = StrKeys(state.range(0));
  for (auto _ : state) {
    std::unordered_map<std::string, uint64_t> m;
    for (const auto& k : keys) m.emplace(k, 0);
    benchmark::DoNotOptimize(m.size());
  }
  state.SetItemsProcessed(state.iterations() * keys.size());
}

void BM_Str_Find_HashTableC(benchmark::State& state) {
  const auto keys = StrKeys(state.range(0));
  const auto probes = Shuffled(keys);
  StrTable t;
  for (const auto& k : keys) t.Insert(new StrElem(k));
  for (auto _ : state) {
    uint64_t found = 0;
    for (const auto& k : probes) found += t.Find(&k) != nullptr;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * probes.size());
  t.DeleteAll();
}

void BM_Str_Find_StdUnorderedMap(benchmark::State& state) {
  const auto keys = StrKeys(state.range(0));
  const auto probes = Shuffled(keys);
  std::unordered_map<std::string, uint64_t> m;
  for (const auto& k : keys) m.emplace(k, 0);
  for (auto _ : state) {
    uint64_t found = 0;
    for (const auto& k : probes) found += m.find(k) != m.end();
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * probes.size());
}

}  // namespace

BENCHMARK(BM_U64_Insert_HashTableC)->Arg(1000)->Arg(100000);
BENCHMARK(BM_U64_Insert_StdUnorderedMap)->Arg(1000)->Arg(100000);
BENCHMARK(BM_U64_Find_HashTableC)->Arg(1000)->Arg(100000);
BENCHMARK(BM_U64_Find_StdUnorderedMap)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Str_Insert_HashTableC)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Str_Insert_StdUnorderedMap)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Str_Find_HashTableC)->Arg(1000)->Arg(100000);
BENCHMARK(BM_Str_Find_StdUnorderedMap)->Arg(1000)->Arg(100000);

BENCHMARK_MAIN();
