#include "env/TaskC.h"

#include <cstring>
#include <string_view>
#include <utility>

#include "env/PrefsFileSetC.h"
#include "env/PrefsSystem_posix.h"
#include "log/TraceC.h"

TaskC* TaskC::first_task_p = nullptr;
int TaskC::num_task = 0;

namespace {

// `text` without trailing "/" (a lone "/" stays).
std::string WithoutTrailingSlash(std::string text) {
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

std::string ProgramNameOf(const char* argv0) {
  if (argv0 == nullptr) return {};
  std::string path = WithoutTrailingSlash(argv0);
  if (path == "/") return path;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string LowerCase(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace

cmn_RecursiveMutexC& TaskC::Mutex() noexcept {
  // Never destroyed: lookups from other threads may still come during process exit.
  static cmn_RecursiveMutexC* const s_Mutex = new cmn_RecursiveMutexC;
  return *s_Mutex;
}

TaskC::TaskC(const char* argv0, const char* task_name, long version)
    : trace_(std::make_unique<TraceC>()) {
  info_.program_name = ProgramNameOf(argv0);
  std::string home;
  if (!PrefsProcessEnv("HOME", &home) || home.empty()) home = ".";
  info_.home = WithoutTrailingSlash(std::move(home));
  std::string start;
  if (PrefsCurrentDirectory(&start)) info_.start_dir = WithoutTrailingSlash(std::move(start));
  info_.task_name = task_name != nullptr ? task_name : "";
  info_.task_name_lower = LowerCase(info_.task_name);
  info_.version_text = std::to_string(version);
}

TaskC::~TaskC() = default;

RcT TaskC::Initialize(int* argc, char** argv, const char* task_name, long version,
                      const TaskStartHookT* hooks, size_t hook_count) {
  if (argc == nullptr || *argc < 0 || (argv == nullptr && *argc > 0)) return RC_INVALIDARG;

  std::string search_path;
  bool path_given = false;
  for (int i = 1; i + 1 < *argc; ++i) {
    if (argv[i] != nullptr && std::strcmp(argv[i], c_PrefsOption) == 0) {
      if (argv[i + 1] != nullptr) search_path = argv[i + 1];
      path_given = true;
      for (int j = i; j + 2 <= *argc; ++j) argv[j] = argv[j + 2];  // keeps the terminating null
      *argc -= 2;
      break;
    }
  }

  TaskC* task = nullptr;
  bool needs_prefs = path_given;
  {
    cmn_RecursiveLockC lock(Mutex());
    if (first_task_p == nullptr) {
      first_task_p = new TaskC(*argc > 0 ? argv[0] : nullptr, task_name, version);
      num_task = 1;
    }
    task = first_task_p;
    if (task->prefs_ == nullptr) needs_prefs = true;
  }
  if (needs_prefs) task->CreatePrefs(path_given ? search_path.c_str() : nullptr);

  for (size_t i = 0; i < hook_count; ++i) {
    if (hooks[i] != nullptr && !hooks[i](*task)) return RC_FAIL;
  }
  return RC_OK;
}

void TaskC::Shutdown() noexcept {
  TaskC* task = nullptr;
  {
    cmn_RecursiveLockC lock(Mutex());
    task = std::exchange(first_task_p, nullptr);
    num_task = 0;
  }
  delete task;
}

void TaskC::CreatePrefs(const char* search_path) {
  std::unique_ptr<PrefsFileSetC> set = PrefsFileSetC::Create(search_path, Info());
  cmn_RecursiveLockC lock(Mutex());
  std::swap(prefs_, set);
  // The old set goes when `set` leaves the scope, still under the mutex, so no lookup can be
  // inside it.
}

std::unique_ptr<TraceC> TaskC::ReplaceTrace(std::unique_ptr<TraceC> trace) {
  cmn_RecursiveLockC lock(Mutex());
  return ReplaceTraceLocked(std::move(trace));
}

std::unique_ptr<TraceC> TaskC::ReplaceTraceLocked(std::unique_ptr<TraceC> trace) {
  std::swap(trace_, trace);
  return trace;
}

PrefsTaskInfoS TaskC::Info() const {
  cmn_RecursiveLockC lock(Mutex());
  return info_;
}

std::string TaskC::ProgramName() const {
  cmn_RecursiveLockC lock(Mutex());
  return info_.program_name;
}

std::string TaskC::HomeDirectory() const {
  cmn_RecursiveLockC lock(Mutex());
  return info_.home;
}

std::string TaskC::StartDirectory() const {
  cmn_RecursiveLockC lock(Mutex());
  return info_.start_dir;
}

std::string TaskC::TaskName() const {
  cmn_RecursiveLockC lock(Mutex());
  return info_.task_name;
}

std::string TaskC::TaskNameLower() const {
  cmn_RecursiveLockC lock(Mutex());
  return info_.task_name_lower;
}

std::string TaskC::VersionText() const {
  cmn_RecursiveLockC lock(Mutex());
  return info_.version_text;
}
