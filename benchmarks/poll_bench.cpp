// One StreamRegistryC::Poll pass over 1,000 idle socket streams (connected socket pairs with
// nothing to read), plus one stream that reports progress so that the pass does not wait.
// The peer is a hand-written poll(2) over the same descriptors, the floor of any pass.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/resource.h>

#include <vector>

#include "net/EventStreamC.h"
#include "net/SocketC.h"
#include "net/Socket_posix.h"
#include "net/StreamRegistryC.h"

namespace {

constexpr int kStreams = 1000;

class BusyStreamC : public EventStreamC {
 public:
  BusyStreamC() { SetWantedEvents(kNetEventReadable); }
  int PollOrFd(uint32_t) override { return kNetPollProgress; }
};

struct FixtureS {
  std::vector<SocketC*> streams;
  std::vector<int> peers;
  BusyStreamC* busy = nullptr;

  FixtureS() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
      limit.rlim_cur = limit.rlim_max;
      (void)setrlimit(RLIMIT_NOFILE, &limit);
    }
    StreamRegistryC::Initialise(10, nullptr);
    for (int i = 0; i < kStreams; ++i) {
      int fds[2];
      if (NetSocketPair(fds) != 0) break;
      auto* s = new SocketC();
      s->Attach(fds[0]);
      s->SetWantedEvents(kNetEventReadable);
      streams.push_back(s);
      peers.push_back(fds[1]);
    }
    busy = new BusyStreamC();
  }
  ~FixtureS() {
    for (SocketC* s : streams) s->Destroy();
    busy->Destroy();
    for (int fd : peers) NetClose(fd);
    StreamRegistryC::Terminate();
  }
};

void BM_Poll_StreamRegistry(benchmark::State& state) {
  FixtureS fixture;
  for (auto _ : state) benchmark::DoNotOptimize(StreamRegistryC::Poll());
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(fixture.streams.size()));
  state.counters["streams"] = static_cast<double>(fixture.streams.size());
}
BENCHMARK(BM_Poll_StreamRegistry);

void BM_Poll_RawPoll(benchmark::State& state) {
  FixtureS fixture;
  std::vector<pollfd> fds;
  for (SocketC* s : fixture.streams) fds.push_back(pollfd{s->GetFd(), POLLIN, 0});
  for (auto _ : state) {
    benchmark::DoNotOptimize(poll(fds.data(), fds.size(), 0));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(fixture.streams.size()));
}
BENCHMARK(BM_Poll_RawPoll);

}  // namespace

BENCHMARK_MAIN();
