// LatchC: an error-checking mutex. A thread that locks a latch it already holds, or unlocks
// one it does not hold, gets an error back instead of a deadlock or undefined behaviour.
//
// A latch is a capability of the lock-contract analysis (cmn/cmn_ThreadAnnotations.h): state it
// guards is marked QLM_GUARDED_BY(latch_), helpers that expect it held QLM_REQUIRES(latch_). For
// the analysis Lock() takes the latch whatever it returns: on 0 the caller took it, on EDEADLK it
// held it already, so either way it holds it afterwards.
#ifndef QLM_OS_LATCHC_H_
#define QLM_OS_LATCHC_H_

#include <pthread.h>

#include "cmn/cmn_Result.h"
#include "cmn/cmn_ThreadAnnotations.h"

class QLM_CAPABILITY("mutex") LatchC {
 public:
  // The attribute every latch is made with (error-checking, process-private).
  static const pthread_mutexattr_t* attr() noexcept;

  LatchC() noexcept;
  LatchC(const LatchC&) = delete;
  LatchC& operator=(const LatchC&) = delete;
  // Precondition: not held.
  ~LatchC();

  // Blocks until the latch is held. RC_OK, or EDEADLK's code when this thread holds it already.
  [[nodiscard]] RcT Lock() noexcept QLM_ACQUIRE();
  // RC_OK, or EPERM's code when not held here. Misuse only: neither reports to the error buffer.
  [[nodiscard]] RcT Unlock() noexcept QLM_RELEASE();
  // For condition waits.
  pthread_mutex_t* Native() noexcept { return &mutex_; }

 private:
  pthread_mutex_t mutex_;
};

// Holds a latch for a scope. Locked() tells whether the lock was taken (false when the
// calling thread already held it); only a taken lock is released. The analysis flags a guard
// over a latch it can see held already, so a false Locked() comes only from nesting through
// calls it cannot follow (function pointers, virtual calls), which the guarded code refuses.
class QLM_SCOPED_CAPABILITY LatchGuardC {
 public:
  explicit LatchGuardC(LatchC& latch) noexcept QLM_ACQUIRE(latch)
      : latch_(latch), locked_(latch.Lock() == RC_OK) {}
  LatchGuardC(const LatchGuardC&) = delete;
  LatchGuardC& operator=(const LatchGuardC&) = delete;
  ~LatchGuardC() QLM_RELEASE() {
    if (locked_) (void)latch_.Unlock();  // taken by this thread, so it cannot fail
  }
  bool Locked() const noexcept { return locked_; }

 private:
  LatchC& latch_;
  bool locked_;
};

#endif  // QLM_OS_LATCHC_H_
