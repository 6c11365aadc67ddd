// LatchC: an error-checking mutex. A thread that locks a latch it already holds, or unlocks
// one it does not hold, gets an error back instead of a deadlock or undefined behaviour.
#ifndef QLM_OS_LATCHC_H_
#define QLM_OS_LATCHC_H_

#include <pthread.h>

#include "cmn/cmn_Result.h"

class LatchC {
 public:
  // The attribute every latch is made with (error-checking, process-private).
  static const pthread_mutexattr_t* attr() noexcept;

  LatchC() noexcept;
  LatchC(const LatchC&) = delete;
  LatchC& operator=(const LatchC&) = delete;
  // Precondition: not held.
  ~LatchC();

  // Blocks until the latch is held. RC_OK, or EDEADLK's code when this thread holds it already.
  [[nodiscard]] RcT Lock() noexcept;
  // RC_OK, or EPERM's code when not held here. Misuse only: neither reports to the error buffer.
  [[nodiscard]] RcT Unlock() noexcept;
  // For condition waits.
  pthread_mutex_t* Native() noexcept { return &mutex_; }

 private:
  pthread_mutex_t mutex_;
};

// Holds a latch for a scope. Locked() tells whether the lock was taken (false when the
// calling thread already held it); only a taken lock is released.
class LatchGuardC {
 public:
  explicit LatchGuardC(LatchC& latch) noexcept : latch_(latch), locked_(latch.Lock() == 0) {}
  LatchGuardC(const LatchGuardC&) = delete;
  LatchGuardC& operator=(const LatchGuardC&) = delete;
  ~LatchGuardC() {
    if (locked_) (void)latch_.Unlock();  // taken by this thread, so it cannot fail
  }
  bool Locked() const noexcept { return locked_; }

 private:
  LatchC& latch_;
  bool locked_;
};

#endif  // QLM_OS_LATCHC_H_
