// Compiled (never linked) by the annotation check in tests/CMakeLists.txt: with
// QLM_UNGUARDED_ACCESS defined, clang's -Wthread-safety must reject the write made without the
// mutex; without it the same class must compile cleanly, so that the failure is the
// annotation's and not a broken header.
#include "cmn/cmn_MutexC.h"

class CounterC {
 public:
  void Add() QLM_EXCLUDES(mutex_) {
    cmn_MutexLockC lock(mutex_);
    AddLocked();
  }
#ifdef QLM_UNGUARDED_ACCESS
  void AddUnguarded() {
    ++count_;
  }
#endif

 private:
  void AddLocked() QLM_REQUIRES(mutex_) {
    ++count_;
  }

  cmn_MutexC mutex_;
  int count_ QLM_GUARDED_BY(mutex_) = 0;
};

int main() {
  CounterC counter;
  counter.Add();
  return 0;
}
