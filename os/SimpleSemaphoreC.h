// SimpleSemaphoreC: a named semaphore shared between processes, in two kinds: a lock file
// (UNIXFileSimpleSemaphoreC) and a System V semaphore with undo (UNIXSimpleSemaphoreC).
//
// Acquire(), TryAcquire() and Release() answer 1 for success and 0 for failure: that is the
// fixed interface of the semaphore kinds, not a result code. A caller that needs the reason
// uses the kind's own step (UNIXFileSimpleSemaphoreC::LockStep) or the error buffer, where
// system failures are reported. A semaphore object is not locked itself and belongs to one
// thread.
#ifndef QLM_OS_SIMPLESEMAPHOREC_H_
#define QLM_OS_SIMPLESEMAPHOREC_H_

#include <cstdint>
#include <memory>

#include "base/StringC.h"

class SimpleSemaphoreC {
 public:
  // Kinds for Create.
  static constexpr int32_t c_KindFile = 1;
  static constexpr int32_t c_KindSystemV = 2;

  // Kind 1 makes a UNIXFileSimpleSemaphoreC over the lock file `name` + ".lock"; any other
  // kind a UNIXSimpleSemaphoreC keyed by a hash of `name` whose count starts at
  // `initialCount` + 1 when this call creates it. `option` is stored and not used.
  static std::unique_ptr<SimpleSemaphoreC> Create(const StringC& name, int32_t kind,
                                                  int64_t initialCount, int64_t option);

  SimpleSemaphoreC(const SimpleSemaphoreC&) = delete;
  SimpleSemaphoreC& operator=(const SimpleSemaphoreC&) = delete;
  // Releases what the object holds in the system (the file kind gives its lock back).
  virtual ~SimpleSemaphoreC();

  // Blocks until the semaphore is held. 1 when it is, 0 when it cannot be had (failure).
  [[nodiscard]] virtual int Acquire() = 0;
  // Gives the semaphore back. 1 on success (also when nothing was held, for the file kind),
  // 0 on failure.
  [[nodiscard]] virtual int Release() = 0;
  // Takes the semaphore only when that needs no waiting: 1 when held now, 0 otherwise. The
  // base never takes it.
  [[nodiscard]] virtual int TryAcquire();

  // The lock file path (file kind) or the text the key is hashed from (System V kind).
  const StringC& GetName() const noexcept { return name_; }
  int64_t GetInitialCount() const noexcept { return initial_count_; }
  int64_t GetOption() const noexcept { return option_; }

 protected:
  SimpleSemaphoreC(const StringC& name, int64_t initialCount, int64_t option)
      : name_(name), initial_count_(initialCount), option_(option) {}

  StringC name_;
  int64_t initial_count_;
  int64_t option_;
};

#endif  // QLM_OS_SIMPLESEMAPHOREC_H_
