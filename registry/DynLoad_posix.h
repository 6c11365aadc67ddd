// DynLoadC: one reference to a shared library loaded with dlopen.
//
// The library is opened with RTLD_NOW | RTLD_LOCAL, so that a component module's symbols do not
// leak into the process's global scope and an unresolved symbol fails the load rather than a
// later call. Closing (or destroying the object) drops the reference with dlclose; the system
// unmaps the library when its last reference goes. Move-only; one object belongs to one thread.
#ifndef QLM_REGISTRY_DYNLOAD_POSIX_H_
#define QLM_REGISTRY_DYNLOAD_POSIX_H_

#include <string>

class DynLoadC {
 public:
  // Appended to a module's name to form the library's file name.
  static constexpr const char* DefaultSuffix = ".so";

  DynLoadC() noexcept = default;
  DynLoadC(DynLoadC&& other) noexcept;
  DynLoadC& operator=(DynLoadC&& other) noexcept;
  DynLoadC(const DynLoadC&) = delete;
  DynLoadC& operator=(const DynLoadC&) = delete;
  ~DynLoadC();

  // Loads the library `file` (closing a library held before). On failure returns false, holds
  // nothing and stores the loader's reason in *error (when not null).
  [[nodiscard]] bool Open(const std::string& file, std::string* error) noexcept;
  // The address of `symbol` in the library; null when it is not defined or nothing is loaded.
  void* Symbol(const char* symbol) const noexcept;
  // The loader's handle; two objects holding the same library hold equal handles.
  void* Handle() const noexcept { return handle_; }
  bool IsOpen() const noexcept { return handle_ != nullptr; }
  // Drops the reference. Harmless when nothing is loaded.
  void Close() noexcept;

 private:
  void* handle_ = nullptr;
};

#endif  // QLM_REGISTRY_DYNLOAD_POSIX_H_
