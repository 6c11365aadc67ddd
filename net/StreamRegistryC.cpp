#include "net/StreamRegistryC.h"

#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "log/TraceCategories.h"
#include "net/EventStreamC.h"
#include "net/NetErrors.h"
#include "net/NetIfC.h"
#include "net/NetTrace.h"
#include "net/Socket_posix.h"
#include "os/SleepMs.h"

NetIfC* StreamRegistryC::interface_p = nullptr;
bool StreamRegistryC::own_interface = false;
size_t StreamRegistryC::start_stream = 0;
int StreamRegistryC::timeslice = 0;
time_t StreamRegistryC::last_poll = 0;
bool StreamRegistryC::progress = false;
bool StreamRegistryC::cancelled = false;
int StreamRegistryC::in_poll = 0;
uint32_t StreamRegistryC::generation = 0;
std::vector<EventStreamC*> StreamRegistryC::destroyed_streams;
int StreamRegistryC::num_active_ = 0;
int StreamRegistryC::init_count_ = 0;

namespace {

// The streams, in a vector that outlives every static stream object (never freed).
std::vector<EventStreamC*>& Streams() {
  static auto* streams = new std::vector<EventStreamC*>();
  return *streams;
}

// One recorded descriptor of a pass.
struct PollEntryS {
  EventStreamC* stream;
};

// The poll lists, one per nesting depth, kept between passes so that a pass allocates only
// while the lists grow (in steps of 32 entries).
struct PassListsS {
  std::vector<PollEntryS> entries;
  std::vector<NetWatchS> watches;
  std::vector<EventStreamC*> order;
};
std::vector<std::unique_ptr<PassListsS>>& Lists() {
  static auto* lists = new std::vector<std::unique_ptr<PassListsS>>();
  return *lists;
}

void Reserve32(size_t needed, std::vector<PollEntryS>* e, std::vector<NetWatchS>* w) {
  if (e->capacity() < needed) {
    const size_t rounded = (needed + 31) / 32 * 32;
    e->reserve(rounded);
    w->reserve(rounded);
  }
}

StreamRegistryC::ClockT g_clock = nullptr;
void* g_pool = nullptr;
StreamRegistryC::PoolDestroyT g_pool_destroy = nullptr;

}  // namespace

size_t StreamRegistryC::StreamCount() noexcept {
  return Streams().size();
}

void StreamRegistryC::SetClock(ClockT clock) noexcept {
  g_clock = clock;
}

time_t StreamRegistryC::Now() noexcept {
  return g_clock ? g_clock() : std::time(nullptr);
}

void StreamRegistryC::Initialise(int timeslice_ms, NetIfC* iface) {
  if (init_count_++ > 0) return;
  NetTrace(TrcNetlibDetailStreamRegistry, "StreamRegistryC::Initialise(%d)", timeslice_ms);
  timeslice = timeslice_ms;
  cancelled = false;
  if (own_interface) delete interface_p;
  if (iface != nullptr) {
    interface_p = iface;
    own_interface = false;
  } else {
    interface_p = new NetIfC();
    own_interface = true;
  }
}

void StreamRegistryC::Terminate() {
  if (init_count_ == 0 || --init_count_ > 0) return;
  NetTrace(TrcNetlibDetailStreamRegistry, "StreamRegistryC::Terminate()");
  if (g_pool_destroy != nullptr) {
    void* pool = g_pool;
    const PoolDestroyT destroy = g_pool_destroy;
    g_pool = nullptr;
    g_pool_destroy = nullptr;
    destroy(pool);
  }
  std::vector<EventStreamC*>& streams = Streams();
  while (!streams.empty()) {
    EventStreamC* stream = streams.back();
    streams.pop_back();
    ++generation;
    stream->SetActive(false);
  }
  start_stream = 0;
  if (own_interface) delete interface_p;
  interface_p = nullptr;
  own_interface = false;
}

void StreamRegistryC::SetConnectionPool(void* pool, PoolDestroyT destroy) noexcept {
  g_pool = destroy ? pool : nullptr;
  g_pool_destroy = destroy;
}

void StreamRegistryC::Add(EventStreamC* stream) {
  std::vector<EventStreamC*>& streams = Streams();
  streams.push_back(stream);
  ++generation;
  NetTrace(TrcNetlibDetailStreamRegistry, "StreamRegistryC::Add(%p), num_stream = %d",
           static_cast<const void*>(stream), static_cast<int>(streams.size()));
}

void StreamRegistryC::Remove(EventStreamC* stream) {
  std::vector<EventStreamC*>& streams = Streams();
  const auto it = std::find(streams.begin(), streams.end(), stream);
  if (it != streams.end()) {
    *it = streams.back();
    streams.pop_back();
    ++generation;
  }
  // A stream deleted while still on the destroyed list must not be deleted again.
  const auto d = std::find(destroyed_streams.begin(), destroyed_streams.end(), stream);
  if (d != destroyed_streams.end()) destroyed_streams.erase(d);
  NetTrace(TrcNetlibDetailStreamRegistry, "StreamRegistryC::Remove(%p), num_stream = %d",
           static_cast<const void*>(stream), static_cast<int>(streams.size()));
}

bool StreamRegistryC::IsRegistered(const EventStreamC* stream) noexcept {
  const std::vector<EventStreamC*>& streams = Streams();
  return std::find(streams.begin(), streams.end(), stream) != streams.end();
}

void StreamRegistryC::AddActive() {
  ++num_active_;
  NetTrace(TrcNetlibDetailStreamRegistry, "StreamRegistryC::AddActive(), num_active_stream = %d",
           num_active_);
}

void StreamRegistryC::RemoveActive() {
  if (num_active_ > 0) --num_active_;
  NetTrace(TrcNetlibDetailStreamRegistry, "StreamRegistryC::RemoveActive(), num_active_stream = %d",
           num_active_);
}

void StreamRegistryC::NotifyDeletePending(EventStreamC* stream) {
  NetTrace(TrcNetlibDetailStreamRegistry, "StreamRegistryC::NotifyDeletePending(%p)",
           static_cast<const void*>(stream));
  ++generation;
  destroyed_streams.push_back(stream);
}

void StreamRegistryC::Clean() {
  NetTrace(TrcNetlibDetailStreamRegistry, "StreamRegistryC::Clean()");
  // Deleting a stream may destroy others (which then join the list): go on until it is empty.
  while (!destroyed_streams.empty()) {
    EventStreamC* stream = destroyed_streams.back();
    destroyed_streams.pop_back();
    // A poll run from inside a notification (outside any other poll) ends while that
    // notification is still on the stack: its stream goes when the notification returns.
    if (stream->InNotification()) {
      stream->DeleteAfterNotification();
    } else {
      delete stream;
    }
  }
}

bool StreamRegistryC::Poll() {
  std::vector<EventStreamC*>& streams = Streams();
  if (streams.empty()) return false;

  static uint32_t outer_generation = 0;
  if (++in_poll == 1) outer_generation = generation;
  const int depth = in_poll;
  bool made_progress = false;
  last_poll = Now();
  NetTrace(TrcNetlibDetailStreamRegistry,
           "%.23t: StreamRegistryC::Poll(), num_stream = %d, num_active_stream = %d",
           static_cast<int>(streams.size()), num_active_);

  std::vector<std::unique_ptr<PassListsS>>& all = Lists();
  while (all.size() < static_cast<size_t>(depth)) all.push_back(std::make_unique<PassListsS>());
  PassListsS& lists = *all[static_cast<size_t>(depth) - 1];
  lists.entries.clear();
  lists.watches.clear();

  // The visiting order is fixed before any stream is asked: a listener reached from
  // PollOrFd may add or remove streams.
  const size_t count = streams.size();
  const size_t start = start_stream % count;
  lists.order.assign(streams.begin() + static_cast<std::ptrdiff_t>(start), streams.end());
  lists.order.insert(lists.order.end(), streams.begin(),
                     streams.begin() + static_cast<std::ptrdiff_t>(start));
  Reserve32(count, &lists.entries, &lists.watches);
  const uint32_t pass_generation = generation;
  // True when `s` may still be touched: it is registered (checked only once the stream set
  // changed during this pass) and not waiting for its deletion.
  const auto usable = [pass_generation](EventStreamC* s) {
    if (generation != pass_generation && !IsRegistered(s)) return false;
    return !s->IsDying();
  };

  for (EventStreamC* s : lists.order) {
    if (!usable(s)) continue;
    s->ResetPassCache();
    const uint32_t wanted = s->GetWantedEvents();
    if (wanted == 0) continue;
    const int fd = s->PollOrFd(wanted);
    const uint32_t io = wanted & (kNetEventReadable | kNetEventWritable | kNetEventException);
    // A hung-up descriptor stays ready for ever; one that waits only for exceptional data
    // would wake every pass with nothing to deliver, so it is not watched.
    const bool only_after_hangup =
        fd >= 0 && fd == s->HungUpFd() && (io & (kNetEventReadable | kNetEventWritable)) == 0;
    if (fd == kNetPollProgress) {
      made_progress = true;
    } else if (fd >= 0 && io != 0 && !only_after_hangup) {
      lists.entries.push_back(PollEntryS{s});
      lists.watches.push_back(NetWatchS{fd, io, 0});
    }
  }
  start_stream = count <= 1 ? 0 : (start + 1) % count;

  // A slice of 0 or below waits until something happens (a negative one is a setting
  // mistake, never a wait of 2^32 - |slice| milliseconds).
  const long timeout = made_progress ? 0 : (timeslice > 0 ? timeslice : -1);
  if (!lists.watches.empty()) {
    const int rc = NetWatch(lists.watches.data(), lists.watches.size(), timeout);
    if (rc < 0) {
      const int error_number = errno;
      const RcT error = NetLastError();
      NetTrace(TrcNetlibBasicSelect, "%.12T: select(%d) returns %d",
               static_cast<int>(lists.watches.size()), rc);
      // Nothing is ready after a failed wait. A signal only cuts the pass short; any other
      // failure goes to the first stream of the pass that can still take it.
      for (NetWatchS& w : lists.watches) w.ready = 0;
      if (error_number != EINTR) {
        for (const PollEntryS& e : lists.entries) {
          if (usable(e.stream)) {
            e.stream->SetError(error);
            break;
          }
        }
      }
    }
  } else if (!made_progress) {
    SleepMs(static_cast<uint32_t>(timeslice > 0 ? timeslice : 1000));
  }

  for (size_t i = 0; i < lists.entries.size(); ++i) {
    EventStreamC* s = lists.entries[i].stream;
    uint32_t ready = lists.watches[i].ready;
    if ((ready & kNetWatchHangup) != 0 &&
        (ready & (kNetEventReadable | kNetEventWritable | kNetEventException)) == 0) {
      // Hung up while waiting only for exceptional data: stop watching (see HungUpFd).
      if (usable(s)) s->SetHungUpFd(lists.watches[i].fd);
      continue;
    }
    ready &= ~kNetWatchHangup;
    if (ready == 0) continue;
    if ((ready & kNetEventException) && usable(s)) {
      made_progress = true;
      s->Notify(kNetEventException, 0);
    }
    if ((ready & kNetEventReadable) && usable(s)) {
      made_progress = true;
      s->OnReadable();
      s->Notify(kNetEventReadable, 0);
    }
    if ((ready & kNetEventWritable) && usable(s)) {
      made_progress = true;
      s->OnWritable();
      s->Notify(kNetEventWritable, 0);
    }
  }

  if (--in_poll == 0 && generation != outer_generation) Clean();
  progress = made_progress;
  return made_progress;
}

void StreamRegistryC::RunActive() {
  while (!cancelled && num_active_ > 0) Poll();
}

std::optional<std::string> StreamRegistryC::GetSetting(const char* name) {
  if (interface_p == nullptr) return std::nullopt;
  return interface_p->GetSetting(name);
}

long StreamRegistryC::GetSettingLong(const char* name, long default_value) {
  const std::optional<std::string> text = GetSetting(name);
  if (!text || text->empty()) return default_value;
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text->c_str(), &end, 10);
  if (end == text->c_str() || errno == ERANGE) return default_value;
  return value;
}

bool StreamRegistryC::GetSettingBool(const char* name, bool default_value) {
  const std::optional<std::string> text = GetSetting(name);
  if (!text || text->empty()) return default_value;
  const char* t = text->c_str();
  if (strcasecmp(t, "true") == 0 || strcasecmp(t, "yes") == 0 || strcasecmp(t, "1") == 0 ||
      strcasecmp(t, "on") == 0) {
    return true;
  }
  if (strcasecmp(t, "false") == 0 || strcasecmp(t, "no") == 0 || strcasecmp(t, "0") == 0 ||
      strcasecmp(t, "off") == 0) {
    return false;
  }
  return default_value;
}

RcT StreamRegistryC::WaitFd(int fd, uint32_t mask, long timeout_ms, uint32_t* ready) {
  if (ready) *ready = 0;
  if (timeout_ms == -1) timeout_ms = timeslice > 0 ? timeslice : -1;
  NetWatchS watch{fd, mask & (kNetEventReadable | kNetEventWritable | kNetEventException), 0};
  const int rc = NetWatch(&watch, 1, timeout_ms);
  if (rc < 0) {
    const RcT error = NetLastError();  // before the trace can change errno
    NetTrace(TrcNetlibBasicSelect, "%.12T: select(%d, %ld ms) returns %d", fd, timeout_ms, rc);
    return error;
  }
  if (ready) *ready = watch.ready & ~kNetWatchHangup;
  return RC_OK;
}
