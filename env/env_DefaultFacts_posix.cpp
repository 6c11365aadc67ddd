#include "env/env_DefaultFacts_posix.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr size_t kNameBuffer = 1024;

// The text of a buffer that the call may have filled to the last byte without a zero.
std::string Terminated(const char* buffer, size_t size) {
  return std::string(buffer, ::strnlen(buffer, size));
}

}  // namespace

int64_t env_ProcessId() noexcept {
  return static_cast<int64_t>(::getpid());
}

bool env_HostName(std::string* name) {
  char buffer[kNameBuffer] = {};
  if (::gethostname(buffer, sizeof buffer) != 0) return false;
  *name = Terminated(buffer, sizeof buffer);
  return true;
}

bool env_DomainName(std::string* name) {
  char buffer[kNameBuffer] = {};
  if (::getdomainname(buffer, sizeof buffer) != 0) return false;
  *name = Terminated(buffer, sizeof buffer);
  return true;
}

bool env_MachineArchitecture(std::string* machine) {
  struct utsname names {};
  if (::uname(&names) != 0) return false;
  *machine = Terminated(names.machine, sizeof names.machine);
  return true;
}
