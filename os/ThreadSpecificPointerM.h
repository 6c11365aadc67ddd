// ThreadSpecificPointerM<T>: one T per thread, made on the thread's first access and destroyed
// when the thread ends.
//
// An instance is a process-wide object (a static): its constructor creates the POSIX
// thread-specific key with DefaultCleanupFunc as destructor, its destructor deletes the key
// after destroying the calling thread's T (the key's destructor does not run for the thread
// that ends the process). T must be default-constructible.
#ifndef QLM_OS_THREADSPECIFICPOINTERM_H_
#define QLM_OS_THREADSPECIFICPOINTERM_H_

#include <pthread.h>

#include <cstdlib>

template <class T>
class ThreadSpecificPointerM {
 public:
  // Creates the key. A process that has run out of keys cannot keep per-thread data: it ends.
  ThreadSpecificPointerM() {
    if (::pthread_key_create(&key_, &DefaultCleanupFunc) != 0) std::abort();
  }
  ThreadSpecificPointerM(const ThreadSpecificPointerM&) = delete;
  ThreadSpecificPointerM& operator=(const ThreadSpecificPointerM&) = delete;
  // Destroys the calling thread's T and deletes the key. Other threads' objects are no
  // longer destroyed when they end: destroy the instance after they ended.
  ~ThreadSpecificPointerM() {
    delete Peek();
    ::pthread_setspecific(key_, nullptr);
    ::pthread_key_delete(key_);
  }

  // The calling thread's T, made on first access. Never null.
  T* Get() {
    T* value = Peek();
    if (value == nullptr) {
      value = new T();
      if (::pthread_setspecific(key_, value) != 0) std::abort();
    }
    return value;
  }
  // The calling thread's T, or null when it has none yet.
  T* Peek() const noexcept { return static_cast<T*>(::pthread_getspecific(key_)); }
  T* operator->() { return Get(); }
  T& operator*() { return *Get(); }

  // The key's destructor: destroys one thread's T.
  static void DefaultCleanupFunc(void* value) { delete static_cast<T*>(value); }

 private:
  pthread_key_t key_;
};

#endif  // QLM_OS_THREADSPECIFICPOINTERM_H_
