// Mutexes the lock-contract analysis can see (cmn/cmn_ThreadAnnotations.h), and the scoped
// lock that holds one. They cost what std::mutex / std::recursive_mutex cost.
#ifndef QLM_CMN_CMN_MUTEXC_H_
#define QLM_CMN_CMN_MUTEXC_H_

#include <mutex>

#include "cmn/cmn_ThreadAnnotations.h"

// A non-recursive mutex: locking it again on the holding thread deadlocks.
class QLM_CAPABILITY("mutex") cmn_MutexC {
 public:
  cmn_MutexC() = default;
  cmn_MutexC(const cmn_MutexC&) = delete;
  cmn_MutexC& operator=(const cmn_MutexC&) = delete;

  void Lock() QLM_ACQUIRE() { mutex_.lock(); }
  void Unlock() QLM_RELEASE() { mutex_.unlock(); }
  [[nodiscard]] bool TryLock() QLM_TRY_ACQUIRE(true) { return mutex_.try_lock(); }

  // For std::condition_variable_any and std::unique_lock, which expect these names.
  void lock() QLM_ACQUIRE() { mutex_.lock(); }
  void unlock() QLM_RELEASE() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

// A recursive mutex: the holding thread may lock it again and must unlock it as often. The
// analysis treats it as held or not held; nested locking on one path is not expressed.
class QLM_CAPABILITY("mutex") cmn_RecursiveMutexC {
 public:
  cmn_RecursiveMutexC() = default;
  cmn_RecursiveMutexC(const cmn_RecursiveMutexC&) = delete;
  cmn_RecursiveMutexC& operator=(const cmn_RecursiveMutexC&) = delete;

  void Lock() QLM_ACQUIRE() { mutex_.lock(); }
  void Unlock() QLM_RELEASE() { mutex_.unlock(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds `Mutex` from construction to the end of the scope.
template <typename Mutex>
class QLM_SCOPED_CAPABILITY cmn_LockC {
 public:
  explicit cmn_LockC(Mutex& mutex) QLM_ACQUIRE(mutex) : mutex_(mutex) { mutex_.Lock(); }
  ~cmn_LockC() QLM_RELEASE() { mutex_.Unlock(); }
  cmn_LockC(const cmn_LockC&) = delete;
  cmn_LockC& operator=(const cmn_LockC&) = delete;

 private:
  Mutex& mutex_;
};

using cmn_MutexLockC = cmn_LockC<cmn_MutexC>;
using cmn_RecursiveLockC = cmn_LockC<cmn_RecursiveMutexC>;

#endif  // QLM_CMN_CMN_MUTEXC_H_
