// TaskC: the task context, one per process. It keeps what the preference search and the
// tracing need to know about the running program: the program name, the home and start
// directories, the task name (and a lower-case copy), the version text, the task's
// preference-file set and the task's trace object, all owned by the task.
//
// Locking: one recursive mutex guards the task pointer and everything the task owns. It is a
// process-wide object that is never destroyed, so Shutdown can run while other threads still
// make lookups: they find no task afterwards and take their defaults. Code that already holds
// the mutex uses the *Locked operations (QLM_REQUIRES), so the analysis sees every nesting it
// can follow as one holding; the mutex stays recursive for the nesting it cannot follow, such
// as a callback of WithPrefs or WithTrace that ends up in another task lookup.
#ifndef QLM_ENV_TASKC_H_
#define QLM_ENV_TASKC_H_

#include <cstddef>
#include <memory>
#include <string>

#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_Result.h"
#include "env/PrefsPathC.h"

class PrefsFileSetC;
class TaskC;
class TraceC;

// A start-up hook: run by Initialize after the task's preference-file set exists. Returning
// false fails the initialisation.
using TaskStartHookT = bool (*)(TaskC& task);

class TaskC {
 public:
  static constexpr const char* c_PrefsOption = "-ouiprefs";

  // The task, or null before Initialize and after Shutdown; counted by num_task (0 or 1).
  // Read them under Mutex().
  static TaskC* first_task_p QLM_GUARDED_BY(Mutex());
  static int num_task QLM_GUARDED_BY(Mutex());

  // Initialises the task context: creates the task when there is none (program name from
  // argv[0], home directory from HOME, start directory, `task_name`, `version` as decimal
  // text); removes "-ouiprefs <path>" from the arguments (looked for from the second argument
  // up to the one before the last; *argc goes down by 2); creates the preference-file set
  // when a path was given or the task has none yet (replacing the old one); then runs
  // `hooks[0..hook_count)` in order. Returns 0, RC_INVALIDARG for a null argc/argv or a
  // negative count, or RC_FAIL when a hook returned false (the task stays initialised).
  [[nodiscard]] static RcT Initialize(int* argc, char** argv, const char* task_name, long version,
                                      const TaskStartHookT* hooks = nullptr, size_t hook_count = 0);
  // Destroys the task with its set and trace object. Harmless without a task.
  // Initialize and Shutdown are the program's start and stop: one thread calls them, never at
  // the same time as each other (Initialize keeps using the task after it lets the mutex go,
  // and Shutdown deletes it outside the mutex). Lookups from other threads are safe throughout.
  static void Shutdown() noexcept;

  // The mutex that guards the task (recursive; never destroyed).
  static cmn_RecursiveMutexC& Mutex() noexcept;

  // Calls `f(const PrefsFileSetC&)` under the task's mutex when the task has a set; false
  // when there is none.
  template <class F>
  static bool WithPrefs(F&& f) {
    cmn_RecursiveLockC lock(Mutex());
    if (first_task_p == nullptr || first_task_p->prefs_ == nullptr) return false;
    f(static_cast<const PrefsFileSetC&>(*first_task_p->prefs_));
    return true;
  }
  // Calls `f(TraceC&)` under the task's mutex when there is a task; false otherwise.
  template <class F>
  static bool WithTrace(F&& f) {
    cmn_RecursiveLockC lock(Mutex());
    if (first_task_p == nullptr || first_task_p->trace_ == nullptr) return false;
    f(*first_task_p->trace_);
    return true;
  }

  // Creates a new set for `search_path` (null: the default path) and makes it the task's set.
  // The search runs without the task's mutex; the old set is destroyed after the swap.
  void CreatePrefs(const char* search_path) QLM_EXCLUDES(Mutex());
  // Installs `trace` (owned from now on) and gives back the one it replaces.
  std::unique_ptr<TraceC> ReplaceTrace(std::unique_ptr<TraceC> trace) QLM_EXCLUDES(Mutex());
  std::unique_ptr<TraceC> ReplaceTraceLocked(std::unique_ptr<TraceC> trace) QLM_REQUIRES(Mutex());
  // The task's trace object (may be null); valid only while the caller holds the mutex.
  TraceC* TraceLocked() const QLM_REQUIRES(Mutex()) { return trace_.get(); }

  // Copies of the task facts (see PrefsTaskInfoS).
  PrefsTaskInfoS Info() const;
  std::string ProgramName() const;
  std::string HomeDirectory() const;
  std::string StartDirectory() const;
  std::string TaskName() const;
  std::string TaskNameLower() const;
  std::string VersionText() const;

  TaskC(const TaskC&) = delete;
  TaskC& operator=(const TaskC&) = delete;
  ~TaskC();

 private:
  TaskC(const char* argv0, const char* task_name, long version);

  PrefsTaskInfoS info_ QLM_GUARDED_BY(Mutex());
  std::unique_ptr<PrefsFileSetC> prefs_ QLM_GUARDED_BY(Mutex());
  std::unique_ptr<TraceC> trace_ QLM_GUARDED_BY(Mutex());
};

#endif  // QLM_ENV_TASKC_H_
