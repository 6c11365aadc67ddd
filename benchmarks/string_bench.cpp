// StringC against std::string on the operations the rest of the system leans on: copying
// (StringC shares the body, std::string copies the bytes), comparing, equality, searching,
// character access and length.
#include <benchmark/benchmark.h>

#include <string>

#include "base/StringC.h"

namespace {

// A configuration-like ASCII text of `n` bytes.
std::string AsciiText(size_t n) {
  static const char kPattern[] = "QuillmarshExecPath=/opt/quillmarsh/bin;LogLevel=3;";
  std::string s;
  while (s.size() < n) s += kPattern;
  s.resize(n);
  return s;
}

void Args(benchmark::internal::Benchmark* b) {
  b->Arg(12)->Arg(64)->Arg(1024);
}

void BM_Copy_StringC(benchmark::State& state) {
  const StringC s = StringC::FromUtf8(AsciiText(static_cast<size_t>(state.range(0))));
  for (auto _ : state) {
    StringC copy(s);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_Copy_StringC)->Apply(Args);

void BM_Copy_StdString(benchmark::State& state) {
  const std::string s = AsciiText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::string copy(s);
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_Copy_StdString)->Apply(Args);

void BM_Compare_StringC(benchmark::State& state) {
  std::string text = AsciiText(static_cast<size_t>(state.range(0)));
  const StringC a = StringC::FromUtf8(text);
  text.back() = '~';
  const StringC b = StringC::FromUtf8(text);
  for (auto _ : state) benchmark::DoNotOptimize(a.Compare(b));
}
BENCHMARK(BM_Compare_StringC)->Apply(Args);

void BM_Compare_StdString(benchmark::State& state) {
  const std::string a = AsciiText(static_cast<size_t>(state.range(0)));
  std::string b = a;
  b.back() = '~';
  for (auto _ : state) benchmark::DoNotOptimize(a.compare(b));
}
BENCHMARK(BM_Compare_StdString)->Apply(Args);

// Equal texts in different bodies (the worst case: every byte is compared).
void BM_Equal_StringC(benchmark::State& state) {
  const std::string text = AsciiText(static_cast<size_t>(state.range(0)));
  const StringC a = StringC::FromUtf8(text);
  const StringC b = StringC::FromUtf8(text);
  for (auto _ : state) benchmark::DoNotOptimize(a == b);
}
BENCHMARK(BM_Equal_StringC)->Apply(Args);

void BM_Equal_StdString(benchmark::State& state) {
  const std::string a = AsciiText(static_cast<size_t>(state.range(0)));
  const std::string b = a;
  for (auto _ : state) benchmark::DoNotOptimize(a == b);
}
BENCHMARK(BM_Equal_StdString)->Apply(Args);

void BM_Find_StringC(benchmark::State& state) {
  const StringC s = StringC::FromUtf8(AsciiText(static_cast<size_t>(state.range(0))) + "$(Needle)");
  const StringC needle = StringC::FromUtf8("$(Needle)");
  for (auto _ : state) benchmark::DoNotOptimize(s.Find(needle));
}
BENCHMARK(BM_Find_StringC)->Apply(Args);

void BM_Find_StdString(benchmark::State& state) {
  const std::string s = AsciiText(static_cast<size_t>(state.range(0))) + "$(Needle)";
  const std::string needle = "$(Needle)";
  for (auto _ : state) benchmark::DoNotOptimize(s.find(needle));
}
BENCHMARK(BM_Find_StdString)->Apply(Args);

void BM_FindChar_StringC(benchmark::State& state) {
  const StringC s = StringC::FromUtf8(AsciiText(static_cast<size_t>(state.range(0))) + "|");
  for (auto _ : state) benchmark::DoNotOptimize(s.FindChar('|'));
}
BENCHMARK(BM_FindChar_StringC)->Apply(Args);

void BM_FindChar_StdString(benchmark::State& state) {
  const std::string s = AsciiText(static_cast<size_t>(state.range(0))) + "|";
  for (auto _ : state) benchmark::DoNotOptimize(s.find('|'));
}
BENCHMARK(BM_FindChar_StdString)->Apply(Args);

// Summing every character of the text by index.
void BM_CharAt_StringC(benchmark::State& state) {
  const StringC s = StringC::FromUtf8(AsciiText(static_cast<size_t>(state.range(0))));
  for (auto _ : state) {
    uint32_t sum = 0;
    const int64_t n = s.Length();
    for (int64_t i = 0; i < n; ++i) sum += s.CharAt(i);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CharAt_StringC)->Apply(Args);

void BM_CharAt_StdString(benchmark::State& state) {
  const std::string s = AsciiText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    uint32_t sum = 0;
    const size_t n = s.size();
    for (size_t i = 0; i < n; ++i) sum += static_cast<unsigned char>(s[i]);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CharAt_StdString)->Apply(Args);

void BM_Length_StringC(benchmark::State& state) {
  const StringC s = StringC::FromUtf8(AsciiText(64));
  for (auto _ : state) {
    benchmark::DoNotOptimize(s);
    benchmark::DoNotOptimize(s.Length());
  }
}
BENCHMARK(BM_Length_StringC);

void BM_Length_StdString(benchmark::State& state) {
  const std::string s = AsciiText(64);
  for (auto _ : state) {
    benchmark::DoNotOptimize(s);
    benchmark::DoNotOptimize(s.size());
  }
}
BENCHMARK(BM_Length_StdString);

// Building from C text: StringC checks and counts the text on the way in.
void BM_FromText_StringC(benchmark::State& state) {
  const std::string text = AsciiText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    StringC s(text.c_str(), StringC::CC_UTF8);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_FromText_StringC)->Apply(Args);

void BM_FromText_StdString(benchmark::State& state) {
  const std::string text = AsciiText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::string s(text.c_str());
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_FromText_StdString)->Apply(Args);

}  // namespace

BENCHMARK_MAIN();
