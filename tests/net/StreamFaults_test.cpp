// Faults of the stream layer under hostile timing: listeners that destroy the stream that is
// notifying them, descriptors that hang up while the stream waits for something else, waits
// cut short by signals and nonsensical time slices.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "net/InetSocketC.h"
#include "net/NetErrors.h"
#include "net/SockAddrC.h"
#include "net/Socket_posix.h"
#include "net/StreamRegistryC.h"
#include "tests/net/NetTestSupport.h"

namespace {

constexpr unsigned char kFreedByte = 0x5A;

// Memory of deleted WatchedSocketC objects: filled with kFreedByte and kept until the test has
// checked that nobody wrote into it after the deletion (a use after free that plain release
// builds would not notice).
struct GraveS {
  void* memory;
  size_t size;
};
std::vector<GraveS>& Graves() {
  static std::vector<GraveS> graves;
  return graves;
}

class WatchedSocketC : public InetSocketC {
 public:
  static void* operator new(size_t size) { return ::operator new(size); }
  static void operator delete(void* memory, size_t size) {
    std::memset(memory, kFreedByte, size);
    Graves().push_back({memory, size});
  }
};

// Destroys the stream on its error notification, as the listener interface allows.
class DestroyOnErrorC : public EventListenerI {
 public:
  void OnStreamEvent(EventStreamC* stream, uint32_t events, long value) override {
    if (events & kNetEventError) {
      errors.push_back(value);
      stream->Destroy();
    }
  }
  std::vector<long> errors;
};

class StreamFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StreamRegistryC::SetClock(&TestClock);
    StreamRegistryC::Initialise(5, &iface_);
    Graves().clear();
  }
  void TearDown() override {
    for (const GraveS& g : Graves()) ::operator delete(g.memory);
    Graves().clear();
    StreamRegistryC::SetTimeslice(5);
    StreamRegistryC::Terminate();
    StreamRegistryC::SetClock(nullptr);
  }
  // True when every deleted stream's memory is as the deletion left it.
  static bool GravesUntouched() {
    for (const GraveS& g : Graves()) {
      const auto* p = static_cast<const unsigned char*>(g.memory);
      for (size_t i = 0; i < g.size; ++i) {
        if (p[i] != kFreedByte) return false;
      }
    }
    return true;
  }
  TestNetIfC iface_;
};

// A listener may destroy the stream from the error notification of a failed set-up: the
// socket must be closed before that notification, never after it on freed memory.
TEST_F(StreamFaultsTest, ListenerDestroyingTheStreamOnASetUpErrorIsSafe) {
  SockAddrRefC loopback(new SockAddrC(StringC::FromUtf8("127.0.0.1")));
  // A port that was just free: nothing listens there, so connecting is refused at once.
  auto* probe = new InetSocketC();
  ASSERT_EQ(probe->Listen(*loopback, 1), RC_OK);
  const uint16_t closed_port = probe->LocalPort();
  // A port that stays taken: listening there again fails in bind.
  auto* holder = new InetSocketC();
  ASSERT_EQ(holder->Listen(*loopback, 1), RC_OK);
  const uint16_t taken_port = holder->LocalPort();
  probe->Destroy();

  struct CaseS {
    const char* name;
    std::function<RcT(InetSocketC*)> act;
  };
  const CaseS cases[] = {
      {"blocking connect refused",
       [&](InetSocketC* s) {
         SockAddrRefC to(new SockAddrC(StringC::FromUtf8("127.0.0.1")));
         to->SetPort(closed_port);
         return s->Connect(*to, false);
       }},
      {"listen on a taken port",
       [&](InetSocketC* s) {
         SockAddrRefC at(new SockAddrC(StringC::FromUtf8("127.0.0.1")));
         at->SetPort(taken_port);
         return s->Listen(*at, 1);
       }},
  };
  for (const CaseS& c : cases) {
    SCOPED_TRACE(c.name);
    DestroyOnErrorC listener;
    const size_t before = StreamRegistryC::StreamCount();
    auto* stream = new WatchedSocketC();
    stream->SetListener(&listener);
    stream->SetWantedEvents(kNetEventError | kNetEventClosed);
    const RcT rc = c.act(stream);
    EXPECT_TRUE(RcFailed(rc));
    ASSERT_EQ(listener.errors.size(), 1u);
    EXPECT_EQ(listener.errors[0], static_cast<long>(rc));
    ASSERT_EQ(Graves().size(), 1u) << "the listener's Destroy did not delete the stream";
    EXPECT_TRUE(GravesUntouched()) << "the stream was used after its deletion";
    EXPECT_EQ(StreamRegistryC::StreamCount(), before);
    for (const GraveS& g : Graves()) ::operator delete(g.memory);
    Graves().clear();
  }
  holder->Destroy();
}

// A stream waiting only for exceptional data on a descriptor whose peer hung up: the pass
// must not wake at once every time with nothing to deliver. Another stream's data, sent a
// little later, then arrives in the first pass or the second, not after a busy loop.
TEST_F(StreamFaultsTest, HungUpDescriptorDoesNotMakeEveryPassBusy) {
  StreamRegistryC::SetTimeslice(2000);
  int hung[2];
  ASSERT_EQ(NetSocketPair(hung), 0);
  auto* waiting = new InetSocketC();
  waiting->Attach(hung[0]);
  waiting->SetWantedEvents(kNetEventException);
  ::close(hung[1]);

  int pair[2];
  ASSERT_EQ(NetSocketPair(pair), 0);
  auto* reader = new InetSocketC();
  reader->Attach(pair[0]);
  reader->SetWantedEvents(kNetEventReadable);
  struct MarkC : EventListenerI {
    void OnStreamEvent(EventStreamC*, uint32_t events, long) override {
      if (events & kNetEventReadable) readable = true;
    }
    bool readable = false;
  } mark;
  reader->SetListener(&mark);

  std::thread writer([fd = pair[1]] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(::write(fd, "x", 1), 1);
  });
  int passes = 0;
  while (!mark.readable && passes < 100000) {
    StreamRegistryC::Poll();
    ++passes;
  }
  writer.join();
  EXPECT_TRUE(mark.readable);
  EXPECT_LE(passes, 2) << "passes woke without anything to deliver";

  // Waiting for reading again watches the descriptor again: the end of the stream is seen.
  struct EndC : EventListenerI {
    void OnStreamEvent(EventStreamC*, uint32_t events, long) override {
      if (events & kNetEventReadable) readable = true;
    }
    bool readable = false;
  } end;
  waiting->SetListener(&end);
  waiting->SetWantedEvents(kNetEventReadable | kNetEventException);
  StreamRegistryC::Poll();
  EXPECT_TRUE(end.readable);
  ::close(pair[1]);
  waiting->Destroy();
  reader->Destroy();
}

void NoteSignal(int) {}

// A signal that interrupts the wait ends the pass; it is no error of any stream.
TEST_F(StreamFaultsTest, InterruptedWaitIsNoStreamError) {
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = &NoteSignal;  // no SA_RESTART: the wait returns EINTR
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  StreamRegistryC::SetTimeslice(2000);

  int pair[2];
  ASSERT_EQ(NetSocketPair(pair), 0);
  auto* quiet = new InetSocketC();
  quiet->Attach(pair[0]);
  quiet->SetWantedEvents(kNetEventReadable | kNetEventError);
  struct ErrorsC : EventListenerI {
    void OnStreamEvent(EventStreamC*, uint32_t events, long) override {
      if (events & kNetEventError) ++errors;
    }
    int errors = 0;
  } seen;
  quiet->SetListener(&seen);

  std::atomic<bool> done{false};
  const pthread_t main_thread = pthread_self();
  std::thread interrupter([&] {
    while (!done.load()) {
      pthread_kill(main_thread, SIGUSR1);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  StreamRegistryC::Poll();
  done.store(true);
  interrupter.join();
  EXPECT_EQ(seen.errors, 0);
  EXPECT_EQ(quiet->GetLastError(), RC_OK);
  ASSERT_EQ(sigaction(SIGUSR1, &previous, nullptr), 0);
  ::close(pair[1]);
  quiet->Destroy();
}

// A negative time slice with nothing to watch waits like a slice of 0 (one second), never
// for 2^32 milliseconds. Run in a child so that the old fault shows as a failure, not a hang.
TEST_F(StreamFaultsTest, NegativeTimesliceDoesNotSleepForWeeks) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    struct IdleC : EventStreamC {
      IdleC() { SetWantedEvents(kNetEventReadable); }  // and nothing to watch for it
    };
    auto* idle = new IdleC();
    StreamRegistryC::SetTimeslice(-1);
    StreamRegistryC::Poll();
    idle->Destroy();
    _exit(0);
  }
  int status = 0;
  pid_t done = 0;
  for (int i = 0; i < 300 && done == 0; ++i) {  // up to 30 s
    done = waitpid(child, &status, WNOHANG);
    if (done == 0) usleep(100 * 1000);
  }
  if (done == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "a pass with a negative time slice did not end";
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
