#include "os/SysInfo_posix.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <mntent.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "cmn/cmn_UniqueFdC.h"

namespace {

constexpr size_t kPasswdBufferStep = 256;
constexpr size_t kPasswdBufferLimit = 1 << 20;
constexpr size_t kMountLineBuffer = 64 * 1024;
constexpr size_t kIfconfStep = 1024;
constexpr size_t kIfconfLimit = 102400;

std::string Text(const char* s) {
  return s != nullptr ? std::string(s) : std::string();
}

void FromPasswd(const struct passwd& entry, os_PasswdS* out) {
  out->name = Text(entry.pw_name);
  out->home = Text(entry.pw_dir);
  out->shell = Text(entry.pw_shell);
  out->uid = entry.pw_uid;
  out->gid = entry.pw_gid;
}

// Runs a reentrant password look-up with a growing buffer.
template <class Call>
int LookupUser(Call call, os_PasswdS* out, bool* found) {
  *found = false;
  std::vector<char> buffer;
  for (size_t size = kPasswdBufferStep; size <= kPasswdBufferLimit; size += kPasswdBufferStep) {
    buffer.assign(size, 0);
    struct passwd entry {};
    struct passwd* result = nullptr;
    const int err = call(&entry, buffer.data(), buffer.size(), &result);
    if (err == ERANGE) continue;
    if (err != 0) return err;
    if (result != nullptr) {
      FromPasswd(*result, out);
      *found = true;
    }
    return 0;
  }
  return ERANGE;
}

// The dotted form of an IPv4 socket address.
std::string Dotted(const struct sockaddr* address) {
  if (address == nullptr || address->sa_family != AF_INET) return "0.0.0.0";
  struct sockaddr_in in;
  std::memcpy(&in, address, sizeof in);
  char text[INET_ADDRSTRLEN] = {};
  if (::inet_ntop(AF_INET, &in.sin_addr, text, sizeof text) == nullptr) return "0.0.0.0";
  return text;
}

// One ioctl on a request named `name`; false when it fails.
bool InterfaceIoctl(int fd, unsigned long request, const char* name, struct ifreq* answer) {
  std::memset(answer, 0, sizeof *answer);
  std::strncpy(answer->ifr_name, name, IFNAMSIZ - 1);
  return ::ioctl(fd, request, answer) == 0;
}

}  // namespace

int os_Uname(std::string* systemName, std::string* release) {
  struct utsname names {};
  if (::uname(&names) != 0) return errno;
  systemName->assign(names.sysname, ::strnlen(names.sysname, sizeof names.sysname));
  release->assign(names.release, ::strnlen(names.release, sizeof names.release));
  return 0;
}

bool os_PathExists(const std::string& path) noexcept {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool os_IsBlockDevice(const std::string& path) noexcept {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode);
}

uint64_t os_DeviceOf(const std::string& path) noexcept {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_dev) : 0;
}

int os_ReadFileHead(const std::string& path, size_t limit, std::string* bytes) {
  bytes->clear();
  cmn_UniqueFdC fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (!fd.IsValid()) return errno;
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  // Room for what fstat said and one byte more (the end then shows without growing), at
  // least a page (files of /proc say 0) and never more than `limit`: a small file does not
  // cost a buffer of the limit's size.
  const size_t hint = st.st_size >= 0 ? static_cast<size_t>(st.st_size) : 0;
  bytes->resize(std::min(limit, std::max<size_t>(hint + 1, 4096)));
  size_t total = 0;
  while (total < limit) {
    if (total == bytes->size()) bytes->resize(std::min(limit, bytes->size() * 2));
    const ssize_t n = ::read(fd.Get(), bytes->data() + total, bytes->size() - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes->clear();
      return errno;
    }
    if (n == 0) break;
    total += static_cast<size_t>(n);
  }
  bytes->resize(total);
  return 0;
}

int os_ReadMountTable(const std::string& path, std::vector<os_MountEntryS>* out) {
  out->clear();
  std::unique_ptr<FILE, int (*)(FILE*)> table(::setmntent(path.c_str(), "re"), ::endmntent);
  if (!table) return errno != 0 ? errno : ENOENT;
  std::vector<char> line(kMountLineBuffer);
  struct mntent entry {};
  while (::getmntent_r(table.get(), &entry, line.data(), static_cast<int>(line.size())) !=
         nullptr) {
    out->push_back(
        os_MountEntryS{Text(entry.mnt_fsname), Text(entry.mnt_dir), Text(entry.mnt_type)});
  }
  return 0;
}

int os_LookupUserById(uint32_t uid, os_PasswdS* out, bool* found) {
  return LookupUser(
      [uid](struct passwd* entry, char* buffer, size_t size, struct passwd** result) {
        return ::getpwuid_r(static_cast<uid_t>(uid), entry, buffer, size, result);
      },
      out, found);
}

int os_LookupUserByName(const std::string& name, os_PasswdS* out, bool* found) {
  return LookupUser(
      [&name](struct passwd* entry, char* buffer, size_t size, struct passwd** result) {
        return ::getpwnam_r(name.c_str(), entry, buffer, size, result);
      },
      out, found);
}

void os_ListUsers(std::vector<os_PasswdS>* out) {
  out->clear();
  ::setpwent();
  while (const struct passwd* entry = ::getpwent()) {
    os_PasswdS user;
    FromPasswd(*entry, &user);
    out->push_back(std::move(user));
  }
  ::endpwent();
}

uint32_t os_RealUserId() noexcept {
  return static_cast<uint32_t>(::getuid());
}
uint32_t os_EffectiveUserId() noexcept {
  return static_cast<uint32_t>(::geteuid());
}
uint32_t os_GroupId() noexcept {
  return static_cast<uint32_t>(::getgid());
}

int os_ListInterfacesIoctl(std::vector<os_InterfaceS>* out) {
  out->clear();
  cmn_UniqueFdC fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!fd.IsValid()) return errno;

  // The kernel truncates the list to the buffer without saying so: grow until an answer
  // leaves room for one more entry, or stops changing.
  std::vector<char> answer;
  std::vector<char> buffer;
  for (size_t size = kIfconfStep; size <= kIfconfLimit; size += kIfconfStep) {
    buffer.assign(size, 0);
    struct ifconf list {};
    list.ifc_len = static_cast<int>(size);
    list.ifc_buf = buffer.data();
    if (::ioctl(fd.Get(), SIOCGIFCONF, &list) != 0) {
      if (errno == EINVAL) continue;
      break;  // keep the previous answer
    }
    const size_t length = list.ifc_len < 0 ? 0 : static_cast<size_t>(list.ifc_len);
    const bool filled = length + sizeof(struct ifreq) > size;
    const bool unchanged =
        length == answer.size() && std::memcmp(buffer.data(), answer.data(), length) == 0;
    answer.assign(buffer.data(), buffer.data() + (length < size ? length : size));
    if (!filled || unchanged) break;
  }

  for (size_t offset = 0; offset + sizeof(struct ifreq) <= answer.size();
       offset += sizeof(struct ifreq)) {
    struct ifreq listed;
    std::memcpy(&listed, answer.data() + offset, sizeof listed);
    char name[IFNAMSIZ + 1] = {};
    std::memcpy(name, listed.ifr_name, IFNAMSIZ);
    struct ifreq addr, mask, flags;
    if (!InterfaceIoctl(fd.Get(), SIOCGIFADDR, name, &addr) ||
        !InterfaceIoctl(fd.Get(), SIOCGIFNETMASK, name, &mask) ||
        !InterfaceIoctl(fd.Get(), SIOCGIFFLAGS, name, &flags)) {
      continue;
    }
    os_InterfaceS item;
    item.name = name;
    item.address = Dotted(&addr.ifr_addr);
    item.netmask = Dotted(&mask.ifr_netmask);
    item.up = (flags.ifr_flags & IFF_UP) != 0;
    item.loopback = (flags.ifr_flags & IFF_LOOPBACK) != 0;
    out->push_back(std::move(item));
  }
  return 0;
}

int os_ListInterfacesGetifaddrs(std::vector<os_InterfaceS>* out) {
  out->clear();
  struct ifaddrs* all = nullptr;
  if (::getifaddrs(&all) != 0) return errno;
  std::unique_ptr<struct ifaddrs, void (*)(struct ifaddrs*)> owner(all, ::freeifaddrs);
  for (const struct ifaddrs* a = all; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || a->ifa_name == nullptr) {
      continue;
    }
    os_InterfaceS item;
    item.name = a->ifa_name;
    item.address = Dotted(a->ifa_addr);
    item.netmask = Dotted(a->ifa_netmask);
    item.up = (a->ifa_flags & IFF_UP) != 0;
    item.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
    out->push_back(std::move(item));
  }
  return 0;
}
