#include "os/ConditionC.h"

#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "os/File_posix.h"
#include "os/LatchC.h"

ConditionC::ConditionC(const StringC& name) : name_(name) {
  ::pthread_cond_init(&condition_, nullptr);
  if (IsTraceEnabled(TrcCondition)) {
    if (name_.IsEmpty()) {
      Trace(TrcCondition, "ConditionC::ConditionC(): Condition: created");
    } else {
      Trace(TrcCondition, "ConditionC::ConditionC(): Condition '%S': created", ArgList << name_);
    }
  }
}

ConditionC::~ConditionC() {
  ::pthread_cond_destroy(&condition_);
}

void ConditionC::Signal() noexcept {
  if (IsTraceEnabled(TrcCondition)) {
    Trace(TrcCondition, "ConditionC::Signal(): Condition '%S': signal", ArgList << name_);
  }
  ::pthread_cond_signal(&condition_);
}

void ConditionC::Broadcast() noexcept {
  ::pthread_cond_broadcast(&condition_);
}

RcT ConditionC::Wait(LatchC& latch) noexcept {
  if (IsTraceEnabled(TrcCondition)) {
    Trace(TrcCondition, "ConditionC::Wait(): Condition '%S': waiting", ArgList << name_);
  }
  const int err = ::pthread_cond_wait(&condition_, latch.Native());
  return err == 0 ? RC_OK : os_RcFromErrno(err);
}
