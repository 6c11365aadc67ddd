#include "registry/DynLoad_posix.h"

#include <dlfcn.h>

#include <utility>

DynLoadC::DynLoadC(DynLoadC&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

DynLoadC& DynLoadC::operator=(DynLoadC&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

DynLoadC::~DynLoadC() {
  Close();
}

bool DynLoadC::Open(const std::string& file, std::string* error) noexcept {
  Close();
  handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr && error != nullptr) {
    const char* reason = ::dlerror();
    *error = reason != nullptr ? reason : "unknown reason";
  }
  return handle_ != nullptr;
}

void* DynLoadC::Symbol(const char* symbol) const noexcept {
  if (handle_ == nullptr || symbol == nullptr) return nullptr;
  return ::dlsym(handle_, symbol);
}

void DynLoadC::Close() noexcept {
  if (handle_ != nullptr) ::dlclose(std::exchange(handle_, nullptr));
}
