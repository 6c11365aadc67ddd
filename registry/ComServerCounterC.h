// ComServerCounterC: the process-wide count of live component objects and server locks.
//
// Every reference held on a factory (ComFactoryC) or on an object that counts itself, and every
// server lock, adds 1; giving it back subtracts 1. A count of 0 means that no component object
// of the process is in use, which is what a module checks before it lets itself be unloaded.
// All operations are atomic and may be called from any thread.
#ifndef QLM_REGISTRY_COMSERVERCOUNTERC_H_
#define QLM_REGISTRY_COMSERVERCOUNTERC_H_

#include <atomic>
#include <cstdint>

class ComServerCounterC {
 public:
  static void Increment() noexcept { m_Count.fetch_add(1, std::memory_order_relaxed); }
  static void Decrement() noexcept { m_Count.fetch_sub(1, std::memory_order_acq_rel); }
  // Lock (true) or unlock (false) the server: adds or subtracts 1.
  static void Lock(bool lock) noexcept {
    if (lock) {
      Increment();
    } else {
      Decrement();
    }
  }
  static int32_t Count() noexcept { return m_Count.load(std::memory_order_acquire); }

  static std::atomic<int32_t> m_Count;
};

#endif  // QLM_REGISTRY_COMSERVERCOUNTERC_H_
