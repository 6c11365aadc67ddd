#include "log/log_LogSystem_posix.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

void log_LocalTime(struct tm* out) noexcept {
  const time_t now = ::time(nullptr);
  if (::localtime_r(&now, out) == nullptr) *out = tm{};
}

namespace {

// The process id, read once per process: a child made by fork() starts over with 0.
std::atomic<uint64_t> g_ProcessId{0};
std::once_flag g_AtForkOnce;

void ForgetProcessId() noexcept {
  g_ProcessId.store(0, std::memory_order_relaxed);
}

}  // namespace

uint64_t log_ProcessId() noexcept {
  uint64_t pid = g_ProcessId.load(std::memory_order_relaxed);
  if (pid != 0) return pid;
  std::call_once(g_AtForkOnce, [] { (void)::pthread_atfork(nullptr, nullptr, &ForgetProcessId); });
  pid = static_cast<uint64_t>(::getpid());
  g_ProcessId.store(pid, std::memory_order_relaxed);
  return pid;
}

void log_ProcessTimes(uint64_t* user_ms, uint64_t* system_ms) noexcept {
  struct rusage usage {};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) {
    *user_ms = *system_ms = 0;
    return;
  }
  *user_ms = static_cast<uint64_t>(usage.ru_utime.tv_sec) * 1000u +
             static_cast<uint64_t>(usage.ru_utime.tv_usec) / 1000u;
  *system_ms = static_cast<uint64_t>(usage.ru_stime.tv_sec) * 1000u +
               static_cast<uint64_t>(usage.ru_stime.tv_usec) / 1000u;
}

size_t log_FormatTime(char* buffer, size_t size, const char* format,
                      const struct tm* time) noexcept {
  if (size == 0) return 0;
  const size_t n = ::strftime(buffer, size, format, time);
  if (n == 0) buffer[0] = '\0';
  return n;
}

int log_LockDirectory(int dir_fd) noexcept {
  while (::flock(dir_fd, LOCK_EX) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

int log_FileSize(int fd, int64_t* size) noexcept {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return errno;
  *size = static_cast<int64_t>(st.st_size);
  return 0;
}

int log_RenameAt(int from_dir, const std::string& from_leaf, int to_dir,
                 const std::string& to_leaf) noexcept {
  return ::renameat(from_dir, from_leaf.c_str(), to_dir, to_leaf.c_str()) == 0 ? 0 : errno;
}

void* log_LoadLibrary(const char* name) noexcept {
  return ::dlopen(name, RTLD_NOW | RTLD_GLOBAL);
}

void* log_FindSymbol(void* library, const char* symbol) noexcept {
  return ::dlsym(library, symbol);
}

void log_UnloadLibrary(void* library) noexcept {
  if (library != nullptr) ::dlclose(library);
}
