// ThreadC: a thin thread class over POSIX threads, with a process-wide registry of the
// threads it started (keyed by thread id), a count of finished threads that nobody has joined
// or collected yet ("zombies"), and joins.
//
// A derived class implements Run(). Start() creates the thread and registers it; when Run()
// returns, the thread is marked finished and counted as a zombie, and WaitForAny() hands it
// to one waiter. Join() waits for the thread and removes it from the registry. The registry
// is created on first use together with a MainThreadC that stands for the calling thread.
//
// Lifetime: a started ThreadC must stay alive until its thread has ended; destroy it after
// Join() (or after WaitForAny() returned it and it was joined). Destroying a thread object
// that was started and never joined detaches the thread.
//
// Locking: one latch (ThreadC's registry latch) guards the registry, the states and the
// zombie count; the zombie condition is always waited on with it. ForEach() calls its
// function under the latch: that function must not call ThreadC's operations (they would
// find the latch held by their own thread and fail rather than deadlock).
#ifndef QLM_OS_THREADC_H_
#define QLM_OS_THREADC_H_

#include <atomic>
#include <cstdint>
#include <unordered_map>

#include "cmn/cmn_Result.h"
#include "messages/os_Messages.h"
#include "os/LatchC.h"

class cmn_ErrBufI;
class ConditionC;
class MainThreadC;

class ThreadC {
 public:
  using ThreadIdT = uint64_t;
  // Called by ForEach for each live thread; its last result is ForEach's result.
  using ForEachFnT = int (*)(ThreadC* thread, void* context);

  static constexpr int32_t c_StateNew = 0;
  static constexpr int32_t c_StateRunning = 1;
  static constexpr int32_t c_StateFinished = 2;

  // Failure codes reported into the error buffer.
  static constexpr RcT c_CreateFailed = OS_E_THREAD_CREATE;
  static constexpr RcT c_StartFailed = OS_E_THREAD_START;

  ThreadC(const ThreadC&) = delete;
  ThreadC& operator=(const ThreadC&) = delete;
  // Removes the thread from the registry (a zombie no longer counts). A thread that was
  // started and not joined is detached. Precondition: the thread is not running Run().
  virtual ~ThreadC();

  // The thread's work; runs on the new thread. Its result is the thread's status.
  virtual int32_t Run() = 0;

  // Creates the thread (default attributes) and registers it. 0 on success; a failing
  // create is reported as 0xE18D01F4 with its error code and returned; a second start gives
  // 0x80000002.
  [[nodiscard]] RcT Start();
  // Waits until the thread has ended, then removes it from the registry. `status` (may be
  // null) receives Run()'s result. 0 on success; 0x80000001 for a thread never started,
  // 0x80000002 for a second join, else 0xE0000000 | the join's error (reported).
  [[nodiscard]] RcT Join(int32_t* status = nullptr);

  // Blocks until some registered thread has finished, removes it from the registry and
  // returns it (the caller then joins or destroys it). Null at once when fewer than two
  // threads are registered (the main thread counts), or when the registry shrinks below two
  // while waiting.
  static ThreadC* WaitForAny();
  // The ThreadC of the calling thread: the thread's own object on a thread started by
  // Start(), the MainThreadC on the thread that first used the registry, else null.
  static ThreadC* Current();
  // The MainThreadC (the registry is created when missing).
  static ThreadC* GetMain();
  // Marks the calling thread finished and counts it as a zombie (once) when it is
  // registered; the thread itself goes on, and is expected to return from Run() soon.
  static void ExitWith(int32_t code);
  // Calls `function(thread, context)` for every registered thread that is not finished,
  // under the latch. Returns the last call's result, 0 when none was made.
  static int ForEach(ForEachFnT function, void* context);
  // Finished threads not yet joined or collected.
  static int64_t GetZombieCount() noexcept;

  ThreadIdT GetId() const noexcept { return id_.load(std::memory_order_acquire); }
  int32_t GetState() const noexcept { return state_.load(std::memory_order_acquire); }
  // The thread's error buffer, once the thread runs (null before). Safe from any thread: the
  // running thread publishes it before its state becomes running.
  cmn_ErrBufI* GetErrBuf() const noexcept { return errbuf_.load(std::memory_order_acquire); }

 protected:
  ThreadC() noexcept;

 private:
  friend class MainThreadC;

  struct IdHashS {
    size_t operator()(ThreadIdT id) const noexcept {
      const uint32_t low = static_cast<uint32_t>(id) + 12345u;
      return static_cast<size_t>(static_cast<uint64_t>(low) * 1103515245ull);
    }
  };
  using RegistryT = std::unordered_map<ThreadIdT, ThreadC*, IdHashS>;

  static void* ThreadProc(void* self);
  // The latch of the registry (made on first use, never destroyed).
  static LatchC& thread_latch();
  // Creates the registry and the main thread's entry when missing.
  static void EnsureRegistry() QLM_REQUIRES(thread_latch());
  // Creates the zombie condition when missing.
  static ConditionC& ZombieCondition() QLM_REQUIRES(thread_latch());
  // Removes this object's entry, uncounting it when it was a zombie.
  void Unregister() noexcept QLM_REQUIRES(thread_latch());
  // Marks this thread finished and counts it once when registered.
  void MarkFinished() noexcept QLM_REQUIRES(thread_latch());

  static RegistryT* threads QLM_GUARDED_BY(thread_latch());
  static MainThreadC* thread_main QLM_GUARDED_BY(thread_latch());
  // Changed under the latch; read without it by GetZombieCount().
  static std::atomic<int64_t> zombie_threads;
  static ConditionC* zombie_threads_condition QLM_GUARDED_BY(thread_latch());

  std::atomic<ThreadIdT> id_{0};
  std::atomic<int32_t> state_{c_StateNew};
  std::atomic<cmn_ErrBufI*> errbuf_{nullptr};
  bool counted_ QLM_GUARDED_BY(thread_latch()) = false;  // included in the zombie count
  bool started_ QLM_GUARDED_BY(thread_latch()) = false;
  bool joined_ QLM_GUARDED_BY(thread_latch()) = false;
  // Set by MainThreadC's constructor and never changed: read without the latch.
  bool is_main_ = false;
};

#endif  // QLM_OS_THREADC_H_
