// The system calls behind the system information (OSInfoC and its lists): the kernel's
// names, small files, the mount tables, the password database and the network interfaces.
//
// Functions returning int give 0 on success or the errno value of the failure. Texts are the
// system's bytes (the process's 8-bit system encoding); callers turn them into StringC.
#ifndef QLM_OS_SYSINFO_POSIX_H_
#define QLM_OS_SYSINFO_POSIX_H_

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// uname: the system name and the kernel release.
[[nodiscard]] int os_Uname(std::string* systemName, std::string* release);

// True when `path` names something (stat, following links).
[[nodiscard]] bool os_PathExists(const std::string& path) noexcept;
// True when `path` is a block device (stat, following links).
[[nodiscard]] bool os_IsBlockDevice(const std::string& path) noexcept;
// st_dev of `path`, or 0 when stat fails.
[[nodiscard]] uint64_t os_DeviceOf(const std::string& path) noexcept;

// Reads at most `limit` bytes from the start of the regular file `path` (a longer file is
// cut at `limit`). Only regular files are read, so a FIFO or device named like a release file
// can neither block nor flood the caller.
[[nodiscard]] int os_ReadFileHead(const std::string& path, size_t limit, std::string* bytes);

// One line of a mount table.
struct os_MountEntryS {
  std::string device;      // first field
  std::string mountPoint;  // second field
  std::string type;        // third field
};
// Every entry of the mount table file `path` (getmntent_r; escapes such as "\040" decoded).
// Lines longer than the reader's buffer (64 KiB) are cut, never read past.
[[nodiscard]] int os_ReadMountTable(const std::string& path, std::vector<os_MountEntryS>* out);

// One password-database entry.
struct os_PasswdS {
  std::string name;
  std::string home;
  std::string shell;
  uint32_t uid = 0;
  uint32_t gid = 0;
};
// getpwuid_r / getpwnam_r with a buffer of 256 bytes that grows by 256 bytes while the call
// answers ERANGE (up to 1 MiB). *found tells whether an entry exists; 0 also when none does.
[[nodiscard]] int os_LookupUserById(uint32_t uid, os_PasswdS* out, bool* found);
[[nodiscard]] int os_LookupUserByName(const std::string& name, os_PasswdS* out, bool* found);
// Every entry, walking the database from its start (setpwent, getpwent, endpwent). Not safe
// against other threads walking the database at the same time.
void os_ListUsers(std::vector<os_PasswdS>* out);

uint32_t os_RealUserId() noexcept;
uint32_t os_EffectiveUserId() noexcept;
uint32_t os_GroupId() noexcept;

// One IPv4 interface.
struct os_InterfaceS {
  std::string name;
  std::string address;  // dotted form
  std::string netmask;  // dotted form
  bool up = false;
  bool loopback = false;
};
// The interfaces the kernel lists for SIOCGIFCONF on an IPv4 datagram socket, each with its
// address (SIOCGIFADDR), netmask (SIOCGIFNETMASK) and flags (SIOCGIFFLAGS); an interface for
// which one of these fails is left out. The list buffer starts at 1024 bytes and grows by
// 1024 while the answer fills it and differs from the previous one, up to 102400 bytes. A
// failure of SIOCGIFCONF other than EINVAL ends the listing with what was read. Returns the
// errno of a socket failure (with an empty list).
[[nodiscard]] int os_ListInterfacesIoctl(std::vector<os_InterfaceS>* out);
// The IPv4 addresses reported by getifaddrs, one entry per configured address (secondary
// addresses included), named by their label. The ioctl listing above names interfaces, so it
// gives a secondary address without a label of its own as a copy of the primary.
[[nodiscard]] int os_ListInterfacesGetifaddrs(std::vector<os_InterfaceS>* out);

#endif  // QLM_OS_SYSINFO_POSIX_H_
