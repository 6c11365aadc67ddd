// Message lookups in a catalog file of 5,000 messages (built in a temporary directory) against
// looking the default texts up in a std::unordered_map held in memory.
//
//   BM_CatalogGetMessage   ErrCatalogC::GetMessage: bisection over the file index with pread,
//                          text syntax, UTF-8 decoding into a StringC
//   BM_CatalogLookupRaw    the raw file lookup alone (cmn_CatalogFileC)
//   BM_UnorderedMapLookup  std::unordered_map<uint32_t, std::string>::find of the same texts,
//                          with the same text syntax and StringC decoding
//   BM_UnorderedMapFind    the bare find
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/StringC.h"
#include "log/CatalogWriterC.h"
#include "log/ErrCatalogC.h"

namespace {

constexpr int kMessages = 5000;

struct FixtureS {
  std::string dir;
  std::vector<uint32_t> numbers;  // looked up in this (shuffled) order
  std::unordered_map<uint32_t, std::string> texts;
  std::unique_ptr<ErrCatalogC> catalog;

  FixtureS() {
    char pattern[] = "/tmp/qlm_catalog_bench_XXXXXX";
    dir = ::mkdtemp(pattern);
    CatalogWriterC writer;
    for (int i = 0; i < kMessages; ++i) {
      // 50 sets of 100 messages, as real catalogs group messages by module.
      const uint32_t number = 0xE0000000u | ((0x100u + i / 100) << 16) | (0x64u + i % 100);
      std::string text =
          "\x01\x01"
          "e\x01"
          "Message " +
          std::to_string(i) + " could not be completed for '%1$s' (code %2$d)";
      writer.Add(number, text);
      texts.emplace(number, std::move(text));
      numbers.push_back(number);
    }
    writer.WriteFile(dir + "/bench.cat");
    catalog = std::make_unique<ErrCatalogC>(StringC::FromUtf8(dir + "/bench.cat"));
    std::shuffle(numbers.begin(), numbers.end(), std::mt19937(42));
  }
  ~FixtureS() {
    catalog.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

FixtureS& Fixture() {
  static FixtureS fixture;
  return fixture;
}

void BM_CatalogGetMessage(benchmark::State& state) {
  FixtureS& f = Fixture();
  if (!f.catalog->IsOpen()) state.SkipWithError("catalog did not open");
  size_t i = 0;
  StringC text;
  int severity = 0;
  for (auto _ : state) {
    f.catalog->GetMessage(&text, &severity, f.numbers[i], "default", 0);
    benchmark::DoNotOptimize(text);
    if (++i == f.numbers.size()) i = 0;
  }
}
BENCHMARK(BM_CatalogGetMessage);

void BM_CatalogLookupRaw(benchmark::State& state) {
  FixtureS& f = Fixture();
  size_t i = 0;
  std::string raw;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.catalog->Lookup(f.numbers[i], &raw));
    if (++i == f.numbers.size()) i = 0;
  }
}
BENCHMARK(BM_CatalogLookupRaw);

void BM_UnorderedMapLookup(benchmark::State& state) {
  FixtureS& f = Fixture();
  size_t i = 0;
  StringC text;
  int severity = 0;
  for (auto _ : state) {
    const auto it = f.texts.find(f.numbers[i]);
    ErrCatalogC::ParseText(it->second, 0, &text, &severity);
    benchmark::DoNotOptimize(text);
    if (++i == f.numbers.size()) i = 0;
  }
}
BENCHMARK(BM_UnorderedMapLookup);

void BM_UnorderedMapFind(benchmark::State& state) {
  FixtureS& f = Fixture();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.texts.find(f.numbers[i]));
    if (++i == f.numbers.size()) i = 0;
  }
}
BENCHMARK(BM_UnorderedMapFind);

}  // namespace

BENCHMARK_MAIN();
