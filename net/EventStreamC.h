// EventStreamC: a pollable object of the event-driven network layer.
//
// A stream tells the stream registry which events it waits for (GetWantedEvents) and what to
// watch for them (PollOrFd), and passes the events that occur to its listener. Streams
// register themselves with StreamRegistryC when they are made and leave it when they are
// deleted.
//
// Lifetime: a stream is ended with Destroy(), never by deleting it while a poll may still
// hold it. Destroy() called inside a poll defers the deletion until the outermost poll ends
// (StreamRegistryC::Clean); called from inside the stream's own notification, the deletion
// happens when that notification returns.
//
// Thread safety: none; one thread drives every stream and the registry.
#ifndef QLM_NET_EVENTSTREAMC_H_
#define QLM_NET_EVENTSTREAMC_H_

#include <cstdint>
#include <ctime>

#include "cmn/cmn_Result.h"

class EventStreamC;

// Event bits of the wanted-events mask and of notifications.
inline constexpr uint32_t kNetEventReadable = 2;
inline constexpr uint32_t kNetEventWritable = 4;
inline constexpr uint32_t kNetEventException = 8;
inline constexpr uint32_t kNetEventError = 16;  // the value is the error code
inline constexpr uint32_t kNetEventClosed = 128;

// PollOrFd results besides a descriptor.
inline constexpr int kNetPollNothing = -1;   // nothing to watch
inline constexpr int kNetPollProgress = -2;  // progress was made without I/O

// The parameter number of SetParam that switches the inactivity time-out on ("True").
inline constexpr int kNetParamTimeout = 15;

// Receives a stream's events.
class EventListenerI {
 public:
  virtual ~EventListenerI() = default;
  // Called with the stream, the event bits that occurred and a value (the error code for
  // kNetEventError, else 0). May call Destroy() on the stream, poll again, or make and
  // destroy other streams. Must not delete the stream directly.
  virtual void OnStreamEvent(EventStreamC* stream, uint32_t events, long value) = 0;
};

class EventStreamC {
 public:
  EventStreamC(const EventStreamC&) = delete;
  EventStreamC& operator=(const EventStreamC&) = delete;

  // Leaves the registry (and its active count when active). Use Destroy() instead of delete
  // for streams a poll may hold.
  virtual ~EventStreamC();

  // A short name of the stream's class for traces. Never null.
  virtual const char* TypeName() const noexcept { return "EventStreamC"; }
  // The descriptor the stream owns, or -1.
  virtual int GetFd() const noexcept { return -1; }

  // The event bits the stream waits for now (0: none). The base returns the mask set with
  // SetWantedEvents.
  virtual uint32_t GetWantedEvents();
  // Called once per poll pass when GetWantedEvents() is not 0: a descriptor to watch for
  // `events`, kNetPollNothing, or kNetPollProgress when the stream made progress without
  // I/O (the pass then does not block). The base traces and returns kNetPollNothing.
  virtual int PollOrFd(uint32_t events);

  // True when the inactivity time-out is on and the registry's interface time-out (seconds,
  // 0: never) has passed since the last activity. A stream with no activity yet takes the
  // last poll time as its first activity.
  virtual bool TimedOut();
  // Marks activity now (restarts the inactivity timer).
  virtual void Touch() noexcept;

  // Sets parameter `number` from `text` (null allowed). kNetParamTimeout: the time-out is on
  // when `text` is "True" (ignoring case) and the timer restarts. Other numbers change
  // nothing. Returns 0.
  [[nodiscard]] virtual RcT SetParam(int number, const char* text);
  // Marks the stream as having work pending (counted by the registry's active count, which
  // RunActive polls on). Setting the current state again changes nothing.
  virtual void SetActive(bool active);

  // Called by the poll when the descriptor is readable (writable), before the notification.
  // The base caches the answer for IsReadable/IsWritable of the pass.
  virtual void OnReadable();
  virtual void OnWritable();

  // Passes `events` (with `value`) to the listener when any of them is wanted. A stream
  // destroyed from inside its outermost notification is deleted when the listener returns;
  // the caller must not touch the stream after Notify when it may have destroyed it.
  virtual void Notify(uint32_t events, long value);

  // Stores `code` as the last error and notifies kNetEventError with it when that is wanted.
  virtual void SetError(RcT code);

  // Ends the stream: a pending closed notification is delivered, the listener cleared, and
  // the stream deleted now or, inside a poll or its own notification, later (see above).
  void Destroy();

  void SetListener(EventListenerI* listener) noexcept { listener_ = listener; }
  EventListenerI* GetListener() const noexcept { return listener_; }
  void SetWantedEvents(uint32_t events) noexcept { wanted_ = events; }
  [[nodiscard]] RcT GetLastError() const noexcept { return last_error_; }
  bool IsActive() const noexcept { return active_; }
  bool IsTimeoutEnabled() const noexcept { return timeout_enabled_; }
  time_t GetActivityTime() const noexcept { return activity_time_; }
  // True once Destroy() was called (the stream waits for its deletion).
  bool IsDying() const noexcept { return dying_; }
  bool InNotification() const noexcept { return in_notification_ != 0; }
  // Makes the stream delete itself when its outermost notification returns (used by
  // StreamRegistryC::Clean for a stream still inside a notification).
  void DeleteAfterNotification() noexcept { destroy_pending_ = true; }
  // The descriptor on which the poll saw a hang-up or an error while the stream waited only
  // for events that can no longer come (exceptional data); -1 when none. The registry stops
  // watching that descriptor for such a stream, so that the pass does not wake at once every
  // time with nothing to deliver; waiting for reading or writing again (which then reports
  // the end or the error) or a new descriptor watches it again.
  int HungUpFd() const noexcept { return hung_up_fd_; }
  void SetHungUpFd(int fd) noexcept { hung_up_fd_ = fd; }
  // Clears the readiness cached for the previous pass (called by the registry).
  void ResetPassCache() noexcept {
    readable_ = 0;
    writable_ = 0;
  }

 protected:
  // Registers with StreamRegistryC.
  EventStreamC();

  EventListenerI* listener_ = nullptr;
  RcT last_error_ = RC_OK;
  uint32_t in_notification_ = 0;  // nesting depth of Notify
  bool destroy_pending_ = false;  // delete when the outermost notification returns
  bool closed_notified_ = false;
  bool active_ = false;
  bool timeout_enabled_ = false;
  time_t activity_time_ = 0;  // seconds; 0 until first used
  uint8_t readable_ = 0;      // cached for the current pass
  uint8_t writable_ = 0;
  uint32_t wanted_ = 0;
  bool dying_ = false;
  int hung_up_fd_ = -1;
};

#endif  // QLM_NET_EVENTSTREAMC_H_
