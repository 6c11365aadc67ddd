// Reading configuration values: the environment's expanded reads against plain std::map
// lookups of the same names.
//
// The environment holds 250 parameters filled as a builder fills it (GetParam + SetValue), in
// groups of four: a plain base value and three values that each refer to the previous one, so
// the last of each group expands references three deep. One iteration reads every value once.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "env/env_EnvironmentC.h"
#include "env/env_ExpandValue.h"

namespace {

constexpr int kParams = 250;

struct FixtureS {
  std::vector<std::pair<std::string, std::string>> raw;  // name, unexpanded value
  std::vector<StringC> names;
  env_EnvironmentC env;
  std::map<std::string, std::string> plain;   // name -> expanded value
  std::map<std::string, std::string> rawMap;  // name -> unexpanded value

  FixtureS() {
    static const char* const kStems[] = {"InstallDir", "LogFolder", "ServerUrl", "CacheRoot"};
    for (int i = 0; i < kParams; ++i) {
      const int group = i / 4;
      const int tier = i % 4;
      char name[64];
      std::snprintf(name, sizeof name, "%s%sG%03d", kStems[group % 4], tier == 0 ? "Base" : "Tier",
                    group * 10 + tier);
      std::string value;
      if (tier == 0) {
        value = "/opt/quillmarsh/group" + std::to_string(group);
      } else {
        value = "$(" + raw[static_cast<size_t>(i - 1)].first + ")/level" + std::to_string(tier);
      }
      raw.emplace_back(name, value);
    }
    for (const auto& [name, value] : raw) {
      // Builders set through GetParam(key).SetValue(value).
      env.GetParam(env_EnvOptsC(StringC::FromUtf8(name))).SetValue(StringC::FromUtf8(value));
      names.push_back(StringC::FromUtf8(name));
      rawMap[name] = value;
    }
    for (const auto& [name, value] : raw) {
      plain[name] = ExpandValue(env, true, StringC::FromUtf8(name), true, 10).ToUtf8();
    }
  }
};

FixtureS& Fixture() {
  static FixtureS* const f = new FixtureS();
  return *f;
}

// The environment: every value read by name with expansion, as the preference store reads it.
void BM_EnvExpandedReadAll(benchmark::State& state) {
  FixtureS& f = Fixture();
  for (auto _ : state) {
    for (const StringC& name : f.names) {
      StringC v = ExpandValue(f.env, true, name, true, 10);
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(state.iterations() * kParams);
}
BENCHMARK(BM_EnvExpandedReadAll);

// The environment without expansion: lookup and raw value.
void BM_EnvRawReadAll(benchmark::State& state) {
  FixtureS& f = Fixture();
  for (auto _ : state) {
    for (const StringC& name : f.names) {
      StringC v = f.env.FindParam(env_EnvOptsC(name)).GetValue();
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(state.iterations() * kParams);
}
BENCHMARK(BM_EnvRawReadAll);

// Peer: a plain std::map lookup of the same names holding the already expanded values.
void BM_StdMapReadAll(benchmark::State& state) {
  FixtureS& f = Fixture();
  std::vector<std::string> keys;
  for (const auto& [name, value] : f.raw) keys.push_back(name);
  for (auto _ : state) {
    for (const std::string& key : keys) {
      auto it = f.plain.find(key);
      std::string v = it->second;
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(state.iterations() * kParams);
}
BENCHMARK(BM_StdMapReadAll);

// Peer: std::map holding the unexpanded values, expanded on read by a minimal recursive
// expander (case-sensitive names, no limits).
std::string MapExpand(const std::map<std::string, std::string>& m, const std::string& name,
                      int budget) {
  auto it = m.find(name);
  if (it == m.end() || budget <= 0) return std::string();
  const std::string& value = it->second;
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t s = value.find("$(", pos);
    const size_t e = s == std::string::npos ? s : value.find(')', s + 2);
    if (e == std::string::npos) break;
    out.append(value, pos, s - pos);
    out += MapExpand(m, value.substr(s + 2, e - s - 2), budget - 1);
    pos = e + 1;
  }
  out.append(value, pos, std::string::npos);
  return out;
}

void BM_StdMapExpandedReadAll(benchmark::State& state) {
  FixtureS& f = Fixture();
  std::vector<std::string> keys;
  for (const auto& [name, value] : f.raw) keys.push_back(name);
  for (auto _ : state) {
    for (const std::string& key : keys) {
      std::string v = MapExpand(f.rawMap, key, 10);
      benchmark::DoNotOptimize(v);
    }
  }
  state.SetItemsProcessed(state.iterations() * kParams);
}
BENCHMARK(BM_StdMapExpandedReadAll);

// Building: 250 parameters set as a builder sets them.
void BM_EnvBuild(benchmark::State& state) {
  FixtureS& f = Fixture();
  for (auto _ : state) {
    env_EnvironmentC env;
    for (const auto& [name, value] : f.raw) {
      env.GetParam(env_EnvOptsC(StringC::FromUtf8(name))).SetValue(StringC::FromUtf8(value));
    }
    benchmark::DoNotOptimize(env.GetCount());
  }
}
BENCHMARK(BM_EnvBuild);

}  // namespace

BENCHMARK_MAIN();
