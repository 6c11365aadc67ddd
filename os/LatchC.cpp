#include "os/LatchC.h"

#include "os/File_posix.h"

namespace {

struct ErrorCheckAttrS {
  pthread_mutexattr_t attr;
  ErrorCheckAttrS() noexcept {
    ::pthread_mutexattr_init(&attr);
    ::pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
  }
};

}  // namespace

const pthread_mutexattr_t* LatchC::attr() noexcept {
  static const ErrorCheckAttrS shared;  // never destroyed before the last latch is made
  return &shared.attr;
}

LatchC::LatchC() noexcept {
  ::pthread_mutex_init(&mutex_, attr());
}

LatchC::~LatchC() {
  ::pthread_mutex_destroy(&mutex_);
}

RcT LatchC::Lock() noexcept {
  const int err = ::pthread_mutex_lock(&mutex_);
  return err == 0 ? RC_OK : os_RcFromErrno(err);
}

RcT LatchC::Unlock() noexcept {
  const int err = ::pthread_mutex_unlock(&mutex_);
  return err == 0 ? RC_OK : os_RcFromErrno(err);
}
