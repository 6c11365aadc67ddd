// StreamRegistryC: the process-wide list of event streams and the poll loop over them.
//
// One Poll() is one pass: every stream is asked what it waits for, the descriptors are
// watched together (up to the time slice, not at all when a stream made progress), and the
// events that occurred are dispatched. The starting stream rotates by one per pass so that no
// stream is always served first. Polls may nest (a listener may poll); streams destroyed
// during a poll are deleted when the outermost poll ends, and any change of the stream set
// bumps the generation, which makes the outermost poll run Clean(). A wait cut short by a
// signal ends the pass with nothing ready; no stream hears of it as an error. A pass with no
// descriptor to watch sleeps the time slice (1 s when the slice is 0 or below).
//
// Thread safety: none; one thread drives the registry.
#ifndef QLM_NET_STREAMREGISTRYC_H_
#define QLM_NET_STREAMREGISTRYC_H_

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "cmn/cmn_Result.h"

class EventStreamC;
class NetIfC;

class StreamRegistryC {
 public:
  using ClockT = time_t (*)();
  // Destroys a persistent-connection pool registered by an HTTP client.
  using PoolDestroyT = void (*)(void* pool);

  static constexpr long RateUnlimited = -1;

  StreamRegistryC() = delete;

  // Counted: only the first call acts. Stores the time slice (milliseconds, 0 or below: block until
  // something happens) and takes `iface` (not owned; a previously owned interface is
  // destroyed) or, when null, makes and owns a NetIfC.
  static void Initialise(int timeslice_ms, NetIfC* iface = nullptr);
  // Counted: the last call destroys a registered connection pool, deactivates every stream
  // from last to first while emptying the list, and drops the interface (deleting an owned
  // one). Streams are not deleted; they belong to their creators.
  static void Terminate();

  // Adds or removes a stream (both change the generation). Remove of an unknown stream does
  // nothing.
  static void Add(EventStreamC* stream);
  static void Remove(EventStreamC* stream);
  // The count of streams with work pending.
  static void AddActive();
  static void RemoveActive();

  // One pass (see the class comment). True when any stream made progress or had an event.
  // Returns false at once when there are no streams.
  static bool Poll();
  // Polls while not cancelled and the active count is above 0.
  static void RunActive();
  // Deletes every stream waiting on the destroyed list.
  static void Clean();
  // Puts `stream` on the destroyed list (Destroy() inside a poll).
  static void NotifyDeletePending(EventStreamC* stream);

  // Setting look-ups through the interface: the text or empty when there is no interface or
  // no such setting; the numeric and boolean forms give `default_value` when the text is
  // absent, empty or unreadable.
  static std::optional<std::string> GetSetting(const char* name);
  static long GetSettingLong(const char* name, long default_value);
  static bool GetSettingBool(const char* name, bool default_value);

  // Registers the pool Terminate destroys (null `destroy` unregisters).
  static void SetConnectionPool(void* pool, PoolDestroyT destroy) noexcept;

  // Waits up to `timeout_ms` (-1: the time slice, which waits without limit when it is not
  // above 0) for the events in `mask` (bits 2, 4, 8) on `fd`. RC_OK with the bits that became
  // ready in *ready (0 on time-out; `ready` may be null), else the code of the failed wait
  // (NetLastError: EINTR when a signal interrupted it), reported nowhere else: the callers
  // take a failed wait as "not ready". Blocks.
  [[nodiscard]] static RcT WaitFd(int fd, uint32_t mask, long timeout_ms, uint32_t* ready);

  // The clock of the poll (whole seconds; null: the system clock). For tests.
  static void SetClock(ClockT clock) noexcept;
  static time_t Now() noexcept;

  static NetIfC* Interface() noexcept { return interface_p; }
  static size_t StreamCount() noexcept;
  static int ActiveCount() noexcept { return num_active_; }
  static size_t StartStream() noexcept { return start_stream; }
  static uint32_t Generation() noexcept { return generation; }
  static int InPoll() noexcept { return in_poll; }
  static time_t LastPoll() noexcept { return last_poll; }
  static int Timeslice() noexcept { return timeslice; }
  static void SetTimeslice(int ms) noexcept { timeslice = ms; }
  static void SetCancelled(bool value) noexcept { cancelled = value; }
  static size_t DestroyedCount() noexcept { return destroyed_streams.size(); }
  static bool IsRegistered(const EventStreamC* stream) noexcept;

  static NetIfC* interface_p;
  static bool own_interface;
  static size_t start_stream;
  static int timeslice;
  static time_t last_poll;
  static bool progress;
  static bool cancelled;
  static int in_poll;
  static uint32_t generation;
  static std::vector<EventStreamC*> destroyed_streams;

 private:
  static int num_active_;
  static int init_count_;
};

#endif  // QLM_NET_STREAMREGISTRYC_H_
