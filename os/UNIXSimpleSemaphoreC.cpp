#include "os/UNIXSimpleSemaphoreC.h"

#include <cerrno>
#include <climits>

#include "os/Semaphore_posix.h"
#include "os/SleepMs.h"
#include "os/StreamErrors.h"

uint32_t UNIXSimpleSemaphoreC::KeyOf(const StringC& name) noexcept {
  uint32_t key = static_cast<uint32_t>(name.CharAt(0));
  const int64_t length = name.Length();
  for (int64_t i = 0; i < length; ++i) key = key * 31u + static_cast<uint32_t>(name.CharAt(i));
  return key;
}

UNIXSimpleSemaphoreC::UNIXSimpleSemaphoreC(const StringC& name, int64_t initialCount,
                                           int64_t option)
    : SimpleSemaphoreC(name, initialCount, option) {
  const uint32_t key = KeyOf(name);
  if (key == 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(EINVAL, name);
    return;
  }
  int id = -1;
  int err = os_SemCreateExclusive(key, &id);
  if (err == 0) {
    id_ = id;
    if (!Initialise()) id_ = -1;
    return;
  }
  if (err != EEXIST) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err, name);
    return;
  }
  if ((err = os_SemOpen(key, &id)) != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err, name);
    return;
  }
  id_ = id;
  for (int look = 0; look < c_InitLooks; ++look) {
    int64_t stamp = 0;
    if (os_SemLastOperationTime(id_, &stamp) == 0 && stamp != 0) return;  // creator finished
    SleepMs(c_InitPauseMs);
  }
  if (!Initialise()) id_ = -1;
}

UNIXSimpleSemaphoreC::~UNIXSimpleSemaphoreC() = default;

bool UNIXSimpleSemaphoreC::Initialise() noexcept {
  const int value = initial_count_ < 0             ? 0
                    : initial_count_ > INT_MAX - 1 ? INT_MAX - 1
                                                   : static_cast<int>(initial_count_);
  int err = os_SemSetValue(id_, value);
  if (err == 0) err = os_SemAdd(id_, 1, false, false);
  if (err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err, name_);
    return false;
  }
  return true;
}

int UNIXSimpleSemaphoreC::Acquire() {
  if (id_ < 0) return 0;
  return os_SemAdd(id_, -1, true, true) == 0 ? 1 : 0;
}

int UNIXSimpleSemaphoreC::TryAcquire() {
  if (id_ < 0) return 0;
  return os_SemAdd(id_, -1, true, false) == 0 ? 1 : 0;
}

int UNIXSimpleSemaphoreC::Release() {
  if (id_ < 0) return 0;
  return os_SemAdd(id_, 1, true, false) == 0 ? 1 : 0;
}
