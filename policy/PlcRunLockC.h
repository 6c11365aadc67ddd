// PlcRunLockC: the single-instance guard of one policy.
//
// Two runs whose lock names are equal exclude each other; the lock is the lock-file kind of
// SimpleSemaphoreC, so it disappears with its holder's process. Root's lock files live in the
// product's run directory; an ordinary user's in the user's own lock directory, derived from the
// user's identity alone (PlcUserRunDirectory), so that every run of one user policy meets the
// same lock file whatever its environment, and no other user can hold or plant it.
#ifndef QLM_POLICY_PLCRUNLOCKC_H_
#define QLM_POLICY_PLCRUNLOCKC_H_

#include <cstdint>
#include <memory>

#include "base/StringC.h"

class UNIXFileSimpleSemaphoreC;

class PlcRunLockC {
 public:
  enum class Outcome {
    kHeld,          // this run holds the lock
    kBusy,          // another run holds it
    kCannotCreate,  // the lock file cannot be created, opened or locked (see Reason())
  };

  // A guard for `name` (an expanded lock name; "/", blanks and backslashes become "_"). Takes
  // nothing yet.
  explicit PlcRunLockC(const StringC& name);
  PlcRunLockC(const PlcRunLockC&) = delete;
  PlcRunLockC& operator=(const PlcRunLockC&) = delete;
  // Releases the lock when held.
  ~PlcRunLockC();

  // Tries once, without waiting.
  [[nodiscard]] Outcome TryAcquire();
  // Gives the lock back (removes the lock file). Nothing when not held.
  void Release();

  // The lock file's path ("<run directory>/<translated name>.lock").
  StringC LockFilePath() const;
  // The process id the holder wrote into the lock file; 0 when unknown.
  [[nodiscard]] int32_t HolderPid() const;
  // Why the lock file could not be used (after kCannotCreate): a refusal's message or the
  // system's text of the error.
  const StringC& Reason() const noexcept { return reason_; }

  // The directory the lock files of this process go to (see the class comment).
  static StringC LockDirectory();
  // `name` with every "/", blank and backslash replaced by "_".
  static StringC TranslateName(const StringC& name);

 private:
  // LockDirectory(); `reason` is set when that directory cannot be used.
  static StringC ChooseDirectory(StringC* reason);

  StringC name_;  // the semaphore's name: directory, "/", translated name
  std::unique_ptr<UNIXFileSimpleSemaphoreC> semaphore_;
  StringC reason_;
  bool unusable_ = false;  // no lock directory: TryAcquire fails with reason_
};

#endif  // QLM_POLICY_PLCRUNLOCKC_H_
