// UNIXSimpleSemaphoreC: a cross-process counting semaphore over a System V semaphore set of
// one semaphore, keyed by a hash of the name. Every operation carries SEM_UNDO, so the count
// a holder took comes back when its process ends. The set is never removed.
//
// Creation race: the creator sets the value and then adds 1 with a plain operation, which
// stamps the time of the last operation; a process that finds the set already there waits
// (up to 10 looks, 1 second apart) for that stamp before using it, and initialises it itself
// when the creator never did. The usable count is therefore the initial count plus one.
#ifndef QLM_OS_UNIXSIMPLESEMAPHOREC_H_
#define QLM_OS_UNIXSIMPLESEMAPHOREC_H_

#include <cstdint>

#include "os/SimpleSemaphoreC.h"

class UNIXSimpleSemaphoreC final : public SimpleSemaphoreC {
 public:
  // Looks at an existing set this many times, c_InitPauseMs apart, before initialising it.
  static constexpr int c_InitLooks = 10;
  static constexpr uint32_t c_InitPauseMs = 1000;

  // Creates or opens the set. Failures are reported into the error buffer as
  // 0xE0000000 | errno and leave the identifier -1, after which every operation answers 0.
  // A name whose key is 0 (the private key, which would give every object a set of its own)
  // is refused with EINVAL.
  UNIXSimpleSemaphoreC(const StringC& name, int64_t initialCount, int64_t option);
  ~UNIXSimpleSemaphoreC() override;

  // Subtracts 1 with undo, waiting while the count is 0. 1 on success, 0 on failure.
  [[nodiscard]] int Acquire() override;
  // Adds 1 with undo. 1 on success, 0 on failure.
  [[nodiscard]] int Release() override;
  // Subtracts 1 with undo when the count is above 0. 1 on success, 0 otherwise.
  [[nodiscard]] int TryAcquire() override;

  // The set's identifier, -1 when unusable.
  int GetId() const noexcept { return id_; }
  // The key of `name`: its first character code, then key * 31 + c for every character code
  // c in order (the first included), in unsigned 32-bit arithmetic.
  static uint32_t KeyOf(const StringC& name) noexcept;

 private:
  // Sets the value to the initial count, then adds 1 without undo. False on failure
  // (reported).
  bool Initialise() noexcept;

  int32_t id_ = -1;
};

#endif  // QLM_OS_UNIXSIMPLESEMAPHOREC_H_
