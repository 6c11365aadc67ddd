// The machine facts behind the computed defaults that the system information does not
// supply: the process id, the host and domain names, the effective user and its login name,
// and the processor architecture.
//
// Texts are the system's bytes (the process's 8-bit system encoding); callers turn them into
// StringC.
#ifndef QLM_ENV_ENV_DEFAULTFACTS_POSIX_H_
#define QLM_ENV_ENV_DEFAULTFACTS_POSIX_H_

#include <cstdint>
#include <string>

// getpid().
int64_t env_ProcessId() noexcept;
// gethostname into a buffer of 1024 bytes (the answer cut at the first zero, a missing zero
// tolerated). False when the call fails.
[[nodiscard]] bool env_HostName(std::string* name);
// getdomainname into a buffer of 1024 bytes. False when the call fails.
[[nodiscard]] bool env_DomainName(std::string* name);
// The machine field of uname() ("x86_64"); false when uname fails.
[[nodiscard]] bool env_MachineArchitecture(std::string* machine);

#endif  // QLM_ENV_ENV_DEFAULTFACTS_POSIX_H_
