#include "os/Thread_posix.h"

#include <pthread.h>
#include <time.h>

#include <cerrno>

#include "os/SleepMs.h"

static_assert(sizeof(pthread_t) <= sizeof(os_ThreadIdT), "a thread handle fits in 64 bits");

int os_ThreadCreate(os_ThreadProcT proc, void* argument, os_ThreadIdT* id) noexcept {
  pthread_t thread;
  int err = ::pthread_create(&thread, nullptr, proc, argument);
  if (err != 0) return err;
  *id = static_cast<os_ThreadIdT>(thread);
  return 0;
}

int os_ThreadJoin(os_ThreadIdT id, void** result) noexcept {
  return ::pthread_join(static_cast<pthread_t>(id), result);
}

int os_ThreadDetach(os_ThreadIdT id) noexcept {
  return ::pthread_detach(static_cast<pthread_t>(id));
}

os_ThreadIdT os_ThreadSelf() noexcept {
  return static_cast<os_ThreadIdT>(::pthread_self());
}

void SleepMs(uint32_t milliseconds) noexcept {
  struct timespec left;
  left.tv_sec = static_cast<time_t>(milliseconds / 1000);
  left.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}
