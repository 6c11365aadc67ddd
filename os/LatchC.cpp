#include "os/LatchC.h"

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

int LatchC::Lock() noexcept {
  return ::pthread_mutex_lock(&mutex_);
}

int LatchC::Unlock() noexcept {
  return ::pthread_mutex_unlock(&mutex_);
}
