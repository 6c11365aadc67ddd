// The system calls of threads: creating, joining and naming POSIX threads, and sleeping.
//
// Thread ids are the POSIX thread handles as 64-bit numbers. Every function returns 0 on
// success or the error number of the failure.
#ifndef QLM_OS_THREAD_POSIX_H_
#define QLM_OS_THREAD_POSIX_H_

#include <cstdint>

using os_ThreadIdT = uint64_t;
using os_ThreadProcT = void* (*)(void*);

// pthread_create with default attributes; *id receives the new thread's handle.
[[nodiscard]] int os_ThreadCreate(os_ThreadProcT proc, void* argument, os_ThreadIdT* id) noexcept;
// pthread_join; *result (may be null) receives the thread's return value.
[[nodiscard]] int os_ThreadJoin(os_ThreadIdT id, void** result) noexcept;
// pthread_detach: the thread's resources go back to the system when it ends.
[[nodiscard]] int os_ThreadDetach(os_ThreadIdT id) noexcept;
// The calling thread's handle.
os_ThreadIdT os_ThreadSelf() noexcept;

#endif  // QLM_OS_THREAD_POSIX_H_
