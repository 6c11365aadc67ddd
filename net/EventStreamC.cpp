#include "net/EventStreamC.h"

#include <strings.h>

#include "log/TraceCategories.h"
#include "net/NetIfC.h"
#include "net/NetTrace.h"
#include "net/StreamRegistryC.h"

EventStreamC::EventStreamC() {
  StreamRegistryC::Add(this);
}

EventStreamC::~EventStreamC() {
  if (active_) {
    active_ = false;
    StreamRegistryC::RemoveActive();
  }
  StreamRegistryC::Remove(this);
}

uint32_t EventStreamC::GetWantedEvents() {
  return wanted_;
}

int EventStreamC::PollOrFd(uint32_t events) {
  NetTrace(TrcNetlibDetailStream, "%.12T: %p->EventStreamC::PollOrFd()",
           static_cast<const void*>(this));
  return kNetPollNothing;
}

bool EventStreamC::TimedOut() {
  if (!timeout_enabled_) return false;
  if (activity_time_ == 0) activity_time_ = StreamRegistryC::LastPoll();
  NetIfC* iface = StreamRegistryC::Interface();
  const long limit = iface ? iface->GetTimeout() : 0;
  const bool timed_out = limit != 0 && StreamRegistryC::Now() - activity_time_ > limit;
  NetTrace(TrcNetlibDetailStream, "%.12T: %p->EventStreamC::TimedOut() = %d",
           static_cast<const void*>(this), timed_out ? 1 : 0);
  return timed_out;
}

void EventStreamC::Touch() noexcept {
  activity_time_ = StreamRegistryC::Now();
}

RcT EventStreamC::SetParam(int number, const char* text) {
  NetTrace(TrcNetlibDetailStream, "%.12T: %p->EventStreamC::SetParam(%d, \"%s\")",
           static_cast<const void*>(this), number, text ? text : "<null>");
  if (number == kNetParamTimeout) {
    timeout_enabled_ = text != nullptr && strcasecmp(text, "True") == 0;
    Touch();
  }
  return RC_OK;
}

void EventStreamC::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  if (active) {
    StreamRegistryC::AddActive();
  } else {
    StreamRegistryC::RemoveActive();
  }
}

void EventStreamC::OnReadable() {
  readable_ = 1;
}

void EventStreamC::OnWritable() {
  writable_ = 1;
}

void EventStreamC::Notify(uint32_t events, long value) {
  if ((events & GetWantedEvents()) == 0) return;
  ++in_notification_;
  NetTrace(TrcNetlibDetailStream, "StreamC %p->Notify(%x, %ld) -> %p",
           static_cast<const void*>(this), events, value, static_cast<const void*>(listener_));
  if (listener_ != nullptr) listener_->OnStreamEvent(this, events, value);
  --in_notification_;
  if (in_notification_ == 0 && destroy_pending_) delete this;
}

void EventStreamC::SetError(RcT code) {
  last_error_ = code;
  if (GetWantedEvents() & kNetEventError) Notify(kNetEventError, static_cast<long>(code));
}

void EventStreamC::Destroy() {
  if (dying_) return;
  NetTrace(TrcNetlibDetailStream, "StreamC %p->Destroy()", static_cast<const void*>(this));
  // Set first: a listener calling Destroy() again from the closed notification is ignored.
  dying_ = true;
  if (!closed_notified_) {
    closed_notified_ = true;
    Notify(kNetEventClosed, 0);
  }
  listener_ = nullptr;
  SetActive(false);
  if (StreamRegistryC::InPoll() > 0) {
    StreamRegistryC::NotifyDeletePending(this);
  } else if (in_notification_ > 0) {
    destroy_pending_ = true;
  } else {
    delete this;
  }
}
