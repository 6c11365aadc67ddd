#include "os/ThreadC.h"

#include <cinttypes>
#include <cstdio>

#include "base/ArgListC.h"
#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "log/ErrMessages.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "os/ConditionC.h"
#include "os/File_posix.h"
#include "os/LatchC.h"
#include "os/MainThreadC.h"
#include "os/Thread_posix.h"

ThreadC::RegistryT* ThreadC::threads = nullptr;
MainThreadC* ThreadC::thread_main = nullptr;
std::atomic<int64_t> ThreadC::zombie_threads{0};
ConditionC* ThreadC::zombie_threads_condition = nullptr;

namespace {

// The object of the calling thread when it was started by ThreadC::Start.
thread_local ThreadC* t_current = nullptr;

// A thread id as "0x..." for traces.
StringC IdText(ThreadC::ThreadIdT id) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(id));
  return StringC(text, StringC::CC_ASCII);
}

}  // namespace

LatchC& ThreadC::thread_latch() {
  static LatchC* latch = new LatchC();  // process-wide; threads may outlive static destruction
  return *latch;
}

void ThreadC::EnsureRegistry() {
  if (threads != nullptr) return;
  threads = new RegistryT();
  thread_main = new MainThreadC();
  (*threads)[thread_main->GetId()] = thread_main;
}

ConditionC& ThreadC::ZombieCondition() {
  if (zombie_threads_condition == nullptr) {
    zombie_threads_condition = new ConditionC(StringC("Zombie Threads", StringC::CC_ASCII));
  }
  return *zombie_threads_condition;
}

ThreadC::ThreadC() noexcept = default;

ThreadC::~ThreadC() {
  if (is_main_) return;
  if (IsTraceEnabled(TrcThread)) {
    Trace(TrcThread, "ThreadC::~ThreadC(): Destroying thread %S", ArgList << IdText(GetId()));
  }
  bool detach = false;
  {
    LatchGuardC guard(thread_latch());
    Unregister();
    detach = started_ && !joined_;
  }
  // The thread ends on its own; only its resources stay until the process ends.
  if (detach) (void)os_ThreadDetach(GetId());
}

void ThreadC::Unregister() noexcept {
  if (threads != nullptr) {
    auto it = threads->find(GetId());
    if (it != threads->end() && it->second == this) threads->erase(it);
  }
  if (counted_) {
    counted_ = false;
    zombie_threads.fetch_sub(1, std::memory_order_acq_rel);
  }
}

void ThreadC::MarkFinished() noexcept {
  state_.store(c_StateFinished, std::memory_order_release);
  if (counted_ || threads == nullptr) return;
  auto it = threads->find(GetId());
  if (it == threads->end() || it->second != this) return;
  counted_ = true;
  zombie_threads.fetch_add(1, std::memory_order_acq_rel);
  ZombieCondition().Broadcast();
}

RcT ThreadC::Start() {
  ThreadIdT id = 0;
  int err = 0;
  {
    LatchGuardC guard(thread_latch());
    if (!guard.Locked()) return RC_UNEXPECTED;
    if (started_ || is_main_) return RC_UNEXPECTED;
    err = os_ThreadCreate(&ThreadC::ThreadProc, this, &id);
    if (err == 0) {
      started_ = true;
      id_.store(id, std::memory_order_release);
      EnsureRegistry();
      (*threads)[id] = this;
    }
  }
  if (err != 0) {
    RcT rc = ErrReport(c_CreateFailed, OS_T_THREAD_CREATE);
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReport(c_CreateFailed, OS_T_THREAD_CREATE_CODE, ArgList << err);
    return rc;
  }
  if (IsTraceEnabled(TrcThread)) {
    Trace(TrcThread, "ThreadC::Start(): Created new thread %S", ArgList << IdText(id));
  }
  return RC_OK;
}

void* ThreadC::ThreadProc(void* self) {
  auto* thread = static_cast<ThreadC*>(self);
  {
    // Start() holds the latch until the id is stored and registered.
    LatchGuardC guard(thread_latch());
  }
  if (thread->GetId() == 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReport(c_StartFailed, OS_T_THREAD_START);
    (void)ErrReport(c_StartFailed, OS_T_THREAD_START_SYSTEM);
    return nullptr;
  }
  cmn_ErrBufI* errbuf = getErrBuf();
  errbuf->Attach();
  thread->errbuf_.store(errbuf, std::memory_order_release);
  t_current = thread;
  thread->state_.store(c_StateRunning, std::memory_order_release);
  const StringC id_text = IdText(thread->GetId());
  if (IsTraceEnabled(TrcThread)) {
    Trace(TrcThread, "ThreadC::ThreadProc(): Thread %S starting", ArgList << id_text);
  }

  const int32_t status = thread->Run();
  if (IsTraceEnabled(TrcThread)) {
    Trace(TrcThread, "ThreadC::ThreadProc(): Thread %S returned with status %lld",
          ArgList << id_text << static_cast<int64_t>(status));
  }

  {
    // The last use of `thread`: once the latch is released a waiter may take and destroy it.
    LatchGuardC guard(thread_latch());
    thread->MarkFinished();
  }
  t_current = nullptr;
  return reinterpret_cast<void*>(static_cast<intptr_t>(status));
}

RcT ThreadC::Join(int32_t* status) {
  {
    LatchGuardC guard(thread_latch());
    if (!guard.Locked()) return RC_UNEXPECTED;
    if (!started_) return RC_FAIL;
    if (joined_) return RC_UNEXPECTED;
  }
  void* result = nullptr;
  if (int err = os_ThreadJoin(GetId(), &result); err != 0) {
    return ErrReport(os_RcFromErrno(err), "Failed to join thread");
  }
  {
    LatchGuardC guard(thread_latch());
    joined_ = true;
    Unregister();
  }
  if (status != nullptr) *status = static_cast<int32_t>(reinterpret_cast<intptr_t>(result));
  if (IsTraceEnabled(TrcThread)) {
    Trace(TrcThread, "ThreadC::Join(): Thread %d continuing after completion of thread %d",
          ArgList << os_ThreadSelf() << GetId());
  }
  return RC_OK;
}

ThreadC* ThreadC::WaitForAny() {
  LatchGuardC guard(thread_latch());
  if (!guard.Locked()) return nullptr;
  ConditionC& condition = ZombieCondition();
  EnsureRegistry();
  if (threads->size() < 2) return nullptr;
  if (IsTraceEnabled(TrcThread)) {
    Trace(TrcThread, "ThreadC::WaitForAny(): Thread %d waiting for completion of any thread",
          ArgList << os_ThreadSelf());
  }
  while (zombie_threads.load(std::memory_order_acquire) == 0) {
    // The guard holds the latch (checked above), so the wait cannot fail; a spurious wake-up
    // loops back to the check.
    (void)condition.Wait(thread_latch());
    if (threads->size() < 2) return nullptr;
  }
  for (auto it = threads->begin(); it != threads->end(); ++it) {
    ThreadC* thread = it->second;
    if (thread->counted_) {
      threads->erase(it);
      thread->counted_ = false;
      zombie_threads.fetch_sub(1, std::memory_order_acq_rel);
      return thread;
    }
  }
  return nullptr;
}

ThreadC* ThreadC::Current() {
  if (t_current != nullptr) return t_current;
  LatchGuardC guard(thread_latch());
  if (!guard.Locked()) return nullptr;
  EnsureRegistry();
  auto it = threads->find(os_ThreadSelf());
  return it != threads->end() ? it->second : nullptr;
}

ThreadC* ThreadC::GetMain() {
  LatchGuardC guard(thread_latch());
  if (guard.Locked()) EnsureRegistry();
  return thread_main;
}

void ThreadC::ExitWith(int32_t code) {
  if (IsTraceEnabled(TrcThread)) {
    Trace(TrcThread, "ThreadC::ExitWith(): Thread %d exiting with code %d",
          ArgList << os_ThreadSelf() << code);
  }
  LatchGuardC guard(thread_latch());
  if (!guard.Locked() || threads == nullptr) return;
  auto it = threads->find(os_ThreadSelf());
  if (it != threads->end()) it->second->MarkFinished();
}

int ThreadC::ForEach(ForEachFnT function, void* context) {
  LatchGuardC guard(thread_latch());
  if (!guard.Locked() || threads == nullptr || function == nullptr) return 0;
  int result = 0;
  for (const auto& entry : *threads) {
    ThreadC* thread = entry.second;
    if (thread->GetState() != c_StateFinished) result = function(thread, context);
  }
  return result;
}

int64_t ThreadC::GetZombieCount() noexcept {
  return zombie_threads.load(std::memory_order_acquire);
}
