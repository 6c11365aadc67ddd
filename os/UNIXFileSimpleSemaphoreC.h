// UNIXFileSimpleSemaphoreC: a cross-process semaphore made of an exclusive record lock on a
// lock file.
//
// The lock file is the name given with ".lock" appended. It is opened through the checked
// open of the common-services layer: a symbolic link as the lock file is refused, and for
// root no directory on the path may be changeable by another user. It is created with mode
// 0644, and the holder writes its process id into it, which a refused caller can read with
// ReadHolderPid. The lock belongs to the open file description, so this process keeps it
// however many other descriptors of the file it opens and closes, and it disappears with the
// holder's process: a lock file left behind by a holder that died is simply reused.
//
// Holding: descriptor open and lock taken. Release() removes the lock file (when it is still
// the file held) before closing, so that a process that opened the old file and waits for its
// lock sees, once it gets it, that the name no longer leads to that file and starts again on a
// fresh one.
#ifndef QLM_OS_UNIXFILESIMPLESEMAPHOREC_H_
#define QLM_OS_UNIXFILESIMPLESEMAPHOREC_H_

#include <cstdint>
#include <memory>

#include "cmn/cmn_Result.h"
#include "os/SimpleSemaphoreC.h"

struct os_LockFileS;

class UNIXFileSimpleSemaphoreC final : public SimpleSemaphoreC {
 public:
  // Results of one lock step.
  static constexpr RcT c_CannotOpen = RC_CANNOT_OPEN;  // the lock file cannot be opened
  static constexpr RcT c_Held = RC_FAIL;               // held elsewhere, or the lock failed
  static constexpr RcT c_Replaced = RC_UNEXPECTED;     // the file changed under the lock
  // Pause of Acquire between two tries after the file changed (milliseconds).
  static constexpr uint32_t c_RetryPauseMs = 100;

  // Opens nothing.
  UNIXFileSimpleSemaphoreC(const StringC& name, int64_t initialCount, int64_t option);
  // Release() when held.
  ~UNIXFileSimpleSemaphoreC() override;

  // Blocks until the lock is held, starting again on a fresh file (after c_RetryPauseMs) while
  // the file it waited on was removed or replaced. 1 when held; 0 when the file cannot be
  // opened or locked. Already held: 1 at once.
  [[nodiscard]] int Acquire() override;
  // Removes the lock file (when it is still the file held), then closes it. 1 when the close
  // succeeded or nothing was held; 0 when the close failed (the lock is gone either way).
  [[nodiscard]] int Release() override;
  // One lock step without waiting. 1 when held (also when it already was); 0 otherwise.
  [[nodiscard]] int TryAcquire() override;

  // One lock step: open (creating) the file, take the lock (waiting when `blocking`), check
  // that the name still leads to the locked file, write the process id. Returns 0 (held),
  // c_CannotOpen, c_Held or c_Replaced; on failure nothing stays open.
  [[nodiscard]] RcT LockStep(bool blocking);

  // The system failure behind the last failed lock step, as a code (0xE0000000 | errno; its
  // words: os_SystemWords): RC_OK when it failed because another process holds the lock (or
  // the open was refused, which the error buffer explains).
  [[nodiscard]] RcT LastError() const noexcept { return last_error_; }

  bool IsHeld() const noexcept;
  // The descriptor of the held lock file, -1 when not held.
  int GetDescriptor() const noexcept;

  // The process id the holder wrote into the lock file of this semaphore / at `lockFilePath`
  // (the full path, ".lock" included), or 0 when unknown (no file, no number yet).
  [[nodiscard]] int32_t ReadHolderPid() const;
  [[nodiscard]] static int32_t ReadHolderPid(const StringC& lockFilePath);

 private:
  std::unique_ptr<os_LockFileS> lock_;  // null when not held
  RcT last_error_ = RC_OK;
};

#endif  // QLM_OS_UNIXFILESIMPLESEMAPHOREC_H_
