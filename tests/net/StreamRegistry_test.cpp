#include "net/StreamRegistryC.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "net/InetSocketC.h"
#include "net/NetDataDump.h"
#include "net/NetErrors.h"
#include "net/Socket_posix.h"
#include "net/UDPSocketStreamC.h"
#include "tests/net/NetTestSupport.h"

namespace {

// Records every event and runs an optional action inside the notification.
class RecorderC : public EventListenerI {
 public:
  struct EventS {
    EventStreamC* stream;
    uint32_t events;
    long value;
  };
  void OnStreamEvent(EventStreamC* stream, uint32_t events, long value) override {
    seen.push_back({stream, events, value});
    if (action) action(stream, events);
  }
  int Count(uint32_t bit) const {
    int n = 0;
    for (const EventS& e : seen) n += (e.events & bit) ? 1 : 0;
    return n;
  }
  std::vector<EventS> seen;
  std::function<void(EventStreamC*, uint32_t)> action;
};

// A socket stream that tells when it is deleted.
class TrackedSocketC : public SocketC {
 public:
  explicit TrackedSocketC(bool* deleted) : deleted_(deleted) {}
  ~TrackedSocketC() override { *deleted_ = true; }

 private:
  bool* deleted_;
};

// A stream without descriptor that always makes progress and logs its visits.
class ProgressStreamC : public EventStreamC {
 public:
  ProgressStreamC(std::vector<int>* log, int id) : log_(log), id_(id) { SetWantedEvents(2); }
  int PollOrFd(uint32_t) override {
    log_->push_back(id_);
    return kNetPollProgress;
  }

 private:
  std::vector<int>* log_;
  int id_;
};

class StreamRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_test_now = 1000;
    StreamRegistryC::SetClock(&TestClock);
    StreamRegistryC::Initialise(5, &iface_);
    ASSERT_EQ(StreamRegistryC::StreamCount(), 0u);
  }
  void TearDown() override {
    EXPECT_EQ(StreamRegistryC::InPoll(), 0);
    StreamRegistryC::Terminate();
    StreamRegistryC::SetClock(nullptr);
  }
  // Two connected socket streams wanting to read.
  void MakePair(SocketC* a, SocketC* b) {
    int fds[2];
    ASSERT_EQ(NetSocketPair(fds), 0);
    a->Attach(fds[0]);
    b->Attach(fds[1]);
    for (SocketC* s : {a, b}) {
      s->SetListener(&recorder_);
      s->SetWantedEvents(kNetEventReadable | kNetEventError | kNetEventClosed);
    }
  }
  // Polls until `done` or a bounded number of passes.
  static void PollUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 400 && !done(); ++i) StreamRegistryC::Poll();
  }

  TestNetIfC iface_;
  RecorderC recorder_;
};

TEST_F(StreamRegistryTest, PollWithoutStreamsReturnsFalse) {
  EXPECT_FALSE(StreamRegistryC::Poll());
  EXPECT_EQ(StreamRegistryC::InPoll(), 0);
}

TEST_F(StreamRegistryTest, SocketPairCarriesDataBothWays) {
  auto* a = new SocketC();
  auto* b = new SocketC();
  MakePair(a, b);
  EXPECT_EQ(StreamRegistryC::StreamCount(), 2u);
  const struct {
    SocketC* from;
    SocketC* to;
    std::string text;
  } steps[] = {{a, b, "ping"}, {b, a, std::string(5000, 'x')}};
  for (const auto& s : steps) {
    ASSERT_EQ(s.from->WriteAll(s.text.data(), s.text.size()), RC_OK);
    std::string got;
    recorder_.action = [&](EventStreamC* stream, uint32_t events) {
      if (stream != s.to || !(events & kNetEventReadable)) return;
      char buffer[1024];
      size_t n = 0;
      ASSERT_TRUE(s.to->IsReadable());
      ASSERT_EQ(s.to->Read(buffer, sizeof buffer, 0, &n), RC_OK);
      got.append(buffer, n);
    };
    PollUntil([&] { return got.size() >= s.text.size(); });
    EXPECT_EQ(got, s.text);
  }
  recorder_.action = nullptr;
  // Closing one end makes the other readable with end of stream.
  ASSERT_EQ(a->Close(), RC_OK);
  EXPECT_EQ(a->GetFd(), -1);
  size_t n = 1;
  char c;
  EXPECT_TRUE(b->IsReadable());
  ASSERT_EQ(b->Read(&c, 1, 0, &n), RC_OK);
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(RcFailed(a->Read(&c, 1, 0, &n)));
  a->Destroy();
  b->Destroy();
  EXPECT_EQ(StreamRegistryC::StreamCount(), 0u);
  // The closed notification reached the listener once per stream.
  EXPECT_EQ(recorder_.Count(kNetEventClosed), 2);
}

TEST_F(StreamRegistryTest, TcpLoopbackConnection) {
  SockAddrRefC any(new SockAddrC(StringC::FromUtf8("127.0.0.1")));
  auto* server = new InetSocketC();
  ASSERT_EQ(server->Listen(*any, 4), RC_OK);
  const uint16_t port = server->LocalPort();
  ASSERT_NE(port, 0);
  server->SetListener(&recorder_);
  server->SetWantedEvents(kNetEventReadable);

  auto* client = new InetSocketC();
  InetAddressC host("127.0.0.1");
  ASSERT_EQ(client->Connect(host, port, true), RC_OK);
  client->SetListener(&recorder_);
  client->SetWantedEvents(kNetEventWritable);

  InetSocketC* accepted = nullptr;
  bool connected = false;
  std::string at_server;
  std::string at_client;
  recorder_.action = [&](EventStreamC* s, uint32_t events) {
    char buffer[64];
    size_t n = 0;
    if (s == server && accepted == nullptr) {
      ASSERT_EQ(server->Accept(&accepted), RC_OK);
      accepted->SetListener(&recorder_);
      accepted->SetWantedEvents(kNetEventReadable);
    } else if (s == client && (events & kNetEventWritable)) {
      ASSERT_EQ(client->ConnectResult(), RC_OK);
      connected = true;
      client->SetWantedEvents(kNetEventReadable);
      ASSERT_EQ(client->WriteAll("hello", 5), RC_OK);
    } else if (s == accepted && (events & kNetEventReadable)) {
      ASSERT_EQ(accepted->Read(buffer, sizeof buffer, 0, &n), RC_OK);
      at_server.append(buffer, n);
      if (at_server == "hello") {
        ASSERT_EQ(accepted->WriteAll("world", 5), RC_OK);
      }
    } else if (s == client && (events & kNetEventReadable)) {
      ASSERT_EQ(client->Read(buffer, sizeof buffer, 0, &n), RC_OK);
      at_client.append(buffer, n);
    }
  };
  PollUntil([&] { return at_client == "world"; });
  EXPECT_TRUE(connected);
  EXPECT_EQ(at_server, "hello");
  EXPECT_EQ(at_client, "world");
  recorder_.action = nullptr;
  for (EventStreamC* s : {static_cast<EventStreamC*>(server), static_cast<EventStreamC*>(client),
                          static_cast<EventStreamC*>(accepted)}) {
    if (s) s->Destroy();
  }
}

TEST_F(StreamRegistryTest, StreamDestroyedInsideItsOwnNotification) {
  bool deleted_a = false;
  bool deleted_b = false;
  auto* a = new TrackedSocketC(&deleted_a);
  auto* b = new TrackedSocketC(&deleted_b);
  MakePair(a, b);
  bool deleted_during_notification = true;
  recorder_.action = [&](EventStreamC* s, uint32_t events) {
    if (s == b && (events & kNetEventReadable)) {
      b->Destroy();
      deleted_during_notification = deleted_b;
      EXPECT_EQ(StreamRegistryC::DestroyedCount(), 1u);
    }
  };
  ASSERT_EQ(a->WriteAll("x", 1), RC_OK);
  PollUntil([&] { return deleted_b; });
  EXPECT_FALSE(deleted_during_notification);
  EXPECT_TRUE(deleted_b);
  EXPECT_EQ(StreamRegistryC::DestroyedCount(), 0u);
  EXPECT_EQ(StreamRegistryC::StreamCount(), 1u);

  // Outside a poll, a stream destroyed inside its own notification goes when it returns.
  recorder_.action = [&](EventStreamC* s, uint32_t events) {
    if (s == a && (events & kNetEventError)) {
      a->Destroy();
      deleted_during_notification = deleted_a;
    }
  };
  a->SetError(RC_NET_NO_ERRNO);
  EXPECT_FALSE(deleted_during_notification);
  EXPECT_TRUE(deleted_a);
  EXPECT_EQ(StreamRegistryC::StreamCount(), 0u);
}

TEST_F(StreamRegistryTest, PollInsideANotificationKeepsTheNotifiedStream) {
  bool deleted_c = false;
  auto* c = new TrackedSocketC(&deleted_c);
  auto* d = new SocketC();
  MakePair(c, d);
  bool alive_after_poll = false;
  recorder_.action = [&](EventStreamC* s, uint32_t events) {
    if (s != c || !(events & kNetEventError)) return;
    // The listener polls; inside that poll the stream it is being told about goes away.
    class KillerC : public EventStreamC {
     public:
      explicit KillerC(EventStreamC* target) : target_(target) { SetWantedEvents(2); }
      int PollOrFd(uint32_t) override {
        if (target_) target_->Destroy();
        target_ = nullptr;
        return kNetPollProgress;
      }
      EventStreamC* target_;
    };
    auto* killer = new KillerC(c);
    StreamRegistryC::Poll();
    alive_after_poll = !deleted_c;
    killer->Destroy();
  };
  c->SetError(RC_NET_NO_ERRNO);
  EXPECT_TRUE(alive_after_poll);
  EXPECT_TRUE(deleted_c);
  recorder_.action = nullptr;
  d->Destroy();
  EXPECT_EQ(StreamRegistryC::StreamCount(), 0u);
}

TEST_F(StreamRegistryTest, StreamsAddedAndRemovedDuringNestedPolls) {
  bool deleted_victim = false;
  auto* a = new SocketC();
  auto* b = new SocketC();
  MakePair(a, b);
  auto* victim = new TrackedSocketC(&deleted_victim);
  SocketC* added = nullptr;
  bool victim_alive_after_inner = false;
  int depth_seen = 0;
  recorder_.action = [&](EventStreamC* s, uint32_t events) {
    if (s != b || !(events & kNetEventReadable) || added != nullptr) return;
    char c;
    size_t n;
    ASSERT_EQ(b->Read(&c, 1, 0, &n), RC_OK);
    added = new SocketC();
    victim->Destroy();
    // A poll nested in the notification must not delete what the outer poll may still hold.
    StreamRegistryC::Poll();
    depth_seen = StreamRegistryC::InPoll();
    victim_alive_after_inner = !deleted_victim;
  };
  ASSERT_EQ(a->WriteAll("x", 1), RC_OK);
  PollUntil([&] { return added != nullptr; });
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(depth_seen, 1);
  EXPECT_TRUE(victim_alive_after_inner);
  EXPECT_TRUE(deleted_victim);
  EXPECT_TRUE(StreamRegistryC::IsRegistered(added));
  EXPECT_EQ(StreamRegistryC::StreamCount(), 3u);
  recorder_.action = nullptr;
  for (EventStreamC* s : {static_cast<EventStreamC*>(a), static_cast<EventStreamC*>(b),
                          static_cast<EventStreamC*>(added)}) {
    s->Destroy();
  }
}

TEST_F(StreamRegistryTest, SuccessivePollsStartAtSuccessiveStreams) {
  std::vector<int> log;
  std::vector<ProgressStreamC*> streams;
  for (int i = 0; i < 3; ++i) streams.push_back(new ProgressStreamC(&log, i));
  std::vector<int> firsts;
  for (int pass = 0; pass < 4; ++pass) {
    log.clear();
    EXPECT_TRUE(StreamRegistryC::Poll());
    ASSERT_EQ(log.size(), 3u);
    firsts.push_back(log.front());
  }
  EXPECT_EQ(firsts, (std::vector<int>{0, 1, 2, 0}));
  for (ProgressStreamC* s : streams) s->Destroy();
  EXPECT_EQ(StreamRegistryC::StartStream(), 1u);  // left where rotation put it
}

TEST_F(StreamRegistryTest, IdleStreamTimesOutOnce) {
  iface_.timeout = 1;
  auto* a = new SocketC();
  auto* b = new SocketC();
  MakePair(a, b);
  struct StepS {
    const char* param;
    time_t advance;
    int errors;  // time-out errors seen so far
  };
  // Not switched on: "False" and null leave the time-out off.
  ASSERT_EQ(b->SetParam(kNetParamTimeout, "false"), RC_OK);
  ASSERT_EQ(b->SetParam(kNetParamTimeout, nullptr), RC_OK);
  EXPECT_FALSE(b->IsTimeoutEnabled());
  ASSERT_EQ(b->SetParam(kNetParamTimeout, "TRUE"), RC_OK);
  EXPECT_TRUE(b->IsTimeoutEnabled());
  const StepS steps[] = {{nullptr, 0, 0}, {nullptr, 1, 0}, {nullptr, 1, 1}, {nullptr, 5, 1}};
  for (const StepS& s : steps) {
    g_test_now += s.advance;
    StreamRegistryC::Poll();
    int timeouts = 0;
    for (const auto& e : recorder_.seen) {
      if (e.stream == b && e.events == kNetEventError &&
          static_cast<RcT>(e.value) == RC_NET_TIMEOUT) {
        ++timeouts;
      }
    }
    EXPECT_EQ(timeouts, s.errors) << "at " << g_test_now;
  }
  EXPECT_EQ(b->GetLastError(), RC_NET_TIMEOUT);
  EXPECT_EQ(a->GetLastError(), RC_OK);
  a->Destroy();
  b->Destroy();
}

TEST_F(StreamRegistryTest, RunActiveAndTerminate) {
  std::vector<int> log;
  auto* s = new ProgressStreamC(&log, 7);
  s->SetActive(true);
  s->SetActive(true);
  EXPECT_EQ(StreamRegistryC::ActiveCount(), 1);
  int polls = 0;
  class StopperC : public EventStreamC {
   public:
    explicit StopperC(int* polls) : polls_(polls) { SetWantedEvents(2); }
    int PollOrFd(uint32_t) override {
      if (++*polls_ == 3) StreamRegistryC::SetCancelled(true);
      return kNetPollProgress;
    }
    int* polls_;
  };
  auto* stopper = new StopperC(&polls);
  StreamRegistryC::RunActive();
  EXPECT_EQ(polls, 3);
  StreamRegistryC::SetCancelled(false);
  s->SetActive(false);
  StreamRegistryC::RunActive();  // nothing active: returns at once
  EXPECT_EQ(polls, 3);

  // Terminate runs the registered pool's destruction once and empties the list.
  static int pool_destroyed = 0;
  int pool = 42;
  StreamRegistryC::Initialise(0, nullptr);  // counted: no effect
  EXPECT_EQ(StreamRegistryC::Timeslice(), 5);
  StreamRegistryC::SetConnectionPool(&pool, [](void* p) {
    EXPECT_EQ(*static_cast<int*>(p), 42);
    ++pool_destroyed;
  });
  s->SetActive(true);
  StreamRegistryC::Terminate();  // inner
  EXPECT_EQ(pool_destroyed, 0);
  StreamRegistryC::Terminate();  // last
  EXPECT_EQ(pool_destroyed, 1);
  EXPECT_EQ(StreamRegistryC::StreamCount(), 0u);
  EXPECT_EQ(StreamRegistryC::ActiveCount(), 0);
  EXPECT_EQ(StreamRegistryC::Interface(), nullptr);
  s->Destroy();
  stopper->Destroy();
  StreamRegistryC::Initialise(5, &iface_);  // for TearDown
}

TEST_F(StreamRegistryTest, SettingLookups) {
  iface_.settings = {{"N", "42"}, {"Bad", "x1"}, {"Empty", ""}, {"Yes", "Yes"}, {"Off", "no"}};
  struct CaseS {
    const char* name;
    long number;
    bool flag;
  };
  const CaseS cases[] = {{"N", 42, true},       {"Bad", -1, true}, {"Empty", -1, true},
                         {"Missing", -1, true}, {"Yes", -1, true}, {"Off", -1, false}};
  for (const CaseS& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(StreamRegistryC::GetSettingLong(c.name, -1), c.number);
    EXPECT_EQ(StreamRegistryC::GetSettingBool(c.name, true), c.flag);
  }
  EXPECT_EQ(StreamRegistryC::GetSetting("N").value_or(""), "42");
  EXPECT_FALSE(StreamRegistryC::GetSetting("Missing").has_value());
}

void IgnoreSignal(int) {}

// A wait a signal interrupts fails with the errno's code and leaves nothing ready.
TEST_F(StreamRegistryTest, InterruptedSingleDescriptorWaitGivesTheErrnoCode) {
  int fds[2];
  ASSERT_EQ(NetSocketPair(fds), 0);
  struct sigaction action = {};
  struct sigaction previous = {};
  action.sa_handler = &IgnoreSignal;  // no SA_RESTART: the wait returns EINTR
  ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
  const pthread_t waiter = ::pthread_self();
  std::atomic<bool> done{false};
  // Signals until the wait has returned: one of them arrives while it blocks.
  std::thread interrupter([&] {
    while (!done.load()) {
      ::pthread_kill(waiter, SIGUSR1);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  uint32_t ready = 99;
  const RcT rc = StreamRegistryC::WaitFd(fds[0], kNetEventReadable, 600000, &ready);
  done.store(true);
  interrupter.join();
  ASSERT_EQ(::sigaction(SIGUSR1, &previous, nullptr), 0);
  EXPECT_EQ(rc, NetRcFromErrno(EINTR));
  EXPECT_EQ(ready, 0u);
  EXPECT_EQ(NetClose(fds[0]), 0);
  EXPECT_EQ(NetClose(fds[1]), 0);
}

TEST_F(StreamRegistryTest, SingleDescriptorWaitAndUdp) {
  auto* a = new SocketC();
  auto* b = new SocketC();
  MakePair(a, b);
  uint32_t ready = 99;
  EXPECT_EQ(StreamRegistryC::WaitFd(b->GetFd(), kNetEventReadable, 0, &ready), RC_OK);
  EXPECT_EQ(ready, 0u);
  ASSERT_EQ(a->WriteAll("z", 1), RC_OK);
  EXPECT_EQ(
      StreamRegistryC::WaitFd(b->GetFd(), kNetEventReadable | kNetEventWritable, 1000, &ready),
      RC_OK);
  EXPECT_EQ(ready, kNetEventReadable | kNetEventWritable);
  a->Destroy();
  b->Destroy();

  auto* udp = new UDPSocketStreamC();
  SockAddrRefC local(new SockAddrC(StringC::FromUtf8("127.0.0.1")));
  ASSERT_EQ(udp->Bind(*local), RC_OK);
  size_t n = 0;
  EXPECT_EQ(udp->Write("d", 1, &n), RC_UNEXPECTED);
  local->SetPort(udp->LocalPort());
  udp->SetPeer(local.get());
  ASSERT_EQ(udp->Write("datagram", 8, &n), RC_OK);
  EXPECT_EQ(n, 8u);
  char buffer[16];
  ASSERT_EQ(udp->Read(buffer, sizeof buffer, 0, &n), RC_OK);
  EXPECT_EQ(std::string(buffer, n), "datagram");
  udp->Destroy();
}

TEST(NetDataDump, Layout) {
  struct CaseS {
    std::string data;
    std::string dump;
  };
  const std::string pad14(14 * 3, ' ');
  const CaseS cases[] = {
      {"", ""},
      {"AB", "0000: 41 42 " + pad14 + "| AB"},
      {std::string("a \x01\x7f~", 5),
       "0000: 61 20 01 7f 7e " + std::string(11 * 3, ' ') + "| a   ~"},
      {std::string(17, 'x'), "0000: " +
                                 [] {
                                   std::string s;
                                   for (int i = 0; i < 16; ++i) s += "78 ";
                                   return s;
                                 }() +
                                 "| " + std::string(16, 'x') + "\n0010: 78 " +
                                 std::string(15 * 3, ' ') + "| x"},
  };
  for (const CaseS& c : cases) {
    EXPECT_EQ(std::string(NetDataDump(c.data.data(), c.data.size())), c.dump);
  }
}

}  // namespace
