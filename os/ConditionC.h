// ConditionC: a named condition variable, waited on with a LatchC.
#ifndef QLM_OS_CONDITIONC_H_
#define QLM_OS_CONDITIONC_H_

#include <pthread.h>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "os/LatchC.h"

class ConditionC {
 public:
  // `name` (may be empty) appears in the traces of category "Communication/Condition".
  explicit ConditionC(const StringC& name = StringC());
  ConditionC(const ConditionC&) = delete;
  ConditionC& operator=(const ConditionC&) = delete;
  // Precondition: nobody waits.
  ~ConditionC();

  // Wakes one waiter (none waiting: nothing happens).
  void Signal() noexcept;
  // Wakes every waiter.
  void Broadcast() noexcept;
  // Releases `latch` (which the calling thread holds), sleeps until woken, and holds `latch`
  // again before returning. May wake without a Signal: callers wait in a loop over their
  // predicate. Returns RC_OK, or the code of EPERM when the caller does not hold `latch` (its
  // own misuse: nothing is reported to the error buffer, as with LatchC).
  [[nodiscard]] RcT Wait(LatchC& latch) noexcept QLM_REQUIRES(latch);

  const StringC& GetName() const noexcept { return name_; }

 private:
  StringC name_;
  pthread_cond_t condition_;
};

#endif  // QLM_OS_CONDITIONC_H_
