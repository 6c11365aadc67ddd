// A millisecond sleep.
#ifndef QLM_OS_SLEEPMS_H_
#define QLM_OS_SLEEPMS_H_

#include <cstdint>

// Sleeps `milliseconds` (0: returns at once) with nanosleep, going on with the remaining time
// after every interruption by a signal, so the whole time always passes.
void SleepMs(uint32_t milliseconds) noexcept;

#endif  // QLM_OS_SLEEPMS_H_
