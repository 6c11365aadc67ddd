#include "cmn/cmn_OpenSSLC_posix.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <string.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_UniqueFdC.h"

namespace {

std::string LoaderError() {
  const char* text = ::dlerror();
  return text != nullptr ? text : "unknown dynamic loader error";
}

}  // namespace

void* cmn_CryptoOpenTrusted(const std::string& path, bool* absent, std::string* why) noexcept {
  *absent = false;
  cmn_ErrMarkC mark;
  cmn_UniqueFdC fd;
  const RcT rc = cmn_SafeOpen(path, O_RDONLY, 0, &fd);
  if (rc == cmn_RcFromErrno(ENOENT) || rc == cmn_RcFromErrno(ENOTDIR)) {
    // No library shipped in the installation: the ordinary case, not a failure.
    mark.Rollback();
    *absent = true;
    return nullptr;
  }
  if (rc != RC_OK) {
    *why = "'" + path + "' cannot be opened safely (0x";
    char hex[9];
    ::snprintf(hex, sizeof hex, "%08X", rc);
    *why += hex;
    *why += ")";
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd.Get(), &st) != 0) {
    *why = "'" + path + "': " + ::strerror(errno);
    return nullptr;
  }
  // Code runs with the caller's rights: a library that others may rewrite is never loaded.
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    *why = "Refusing to use '" + path + "': the library is writable by group or others";
    if (cmn_ErrBufI* buffer = getErrBuf()) buffer->Add(cmn_kPathRefused, 4, *why);
    return nullptr;
  }
  // The loader maps the file behind the descriptor, so what was checked is what is loaded.
  // It also takes an object already loaded under the same name for the one asked for, so a
  // descriptor number whose "/proc/self/fd/N" name is taken is traded for another.
  std::vector<cmn_UniqueFdC> taken;
  std::string by_descriptor;
  for (;;) {
    by_descriptor = "/proc/self/fd/" + std::to_string(fd.Get());
    void* earlier = ::dlopen(by_descriptor.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (earlier == nullptr) break;
    ::dlclose(earlier);
    if (taken.size() >= 16) {
      *why = "'" + path + "' cannot be loaded: no free descriptor name";
      return nullptr;
    }
    cmn_UniqueFdC other(::fcntl(fd.Get(), F_DUPFD_CLOEXEC, 0));
    if (!other.IsValid()) {
      *why = "'" + path + "': " + ::strerror(errno);
      return nullptr;
    }
    taken.push_back(std::move(fd));
    fd = std::move(other);
  }
  void* handle = ::dlopen(by_descriptor.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) *why = "'" + path + "' cannot be loaded: " + LoaderError();
  return handle;
}

void* cmn_CryptoOpenSystem(const std::string& name, std::string* why) noexcept {
  void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) *why = "'" + name + "' cannot be loaded: " + LoaderError();
  return handle;
}

std::string cmn_CryptoMappedFile(void* handle) noexcept {
  struct link_map* map = nullptr;
  if (handle == nullptr || ::dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr ||
      map->l_name == nullptr) {
    return {};
  }
  return map->l_name;
}

void* cmn_CryptoSymbol(void* handle, const char* name) noexcept {
  return ::dlsym(handle, name);
}

void cmn_CryptoClose(void* handle) noexcept {
  if (handle != nullptr) ::dlclose(handle);
}

void cmn_CryptoWipe(void* bytes, size_t count) noexcept {
  if (bytes != nullptr && count != 0) ::explicit_bzero(bytes, count);
}
