// UnixComRegistryC: the component registry of the process, with its class table and its
// component modules loaded by the system's dynamic loader.
//
// The class table maps a class identifier, hashed on its upper-case text with braces, to a
// UnixComClassEntryC that holds one reference to the class's factory. Modules are kept by the
// loader's handle, so a library reached under two names is still one module.
#ifndef QLM_REGISTRY_UNIXCOMREGISTRYC_H_
#define QLM_REGISTRY_UNIXCOMREGISTRYC_H_

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "cmn/cmn_MutexC.h"
#include "registry/ComClassFactoryI.h"
#include "registry/ComModuleC.h"
#include "registry/ComRegistryC.h"
#include "registry/GuidC.h"

// A registration of the class table: the class identifier and one reference to its factory,
// dropped when the entry is destroyed (revoked or shut down).
class UnixComClassEntryC {
 public:
  UnixComClassEntryC(const GuidC& clsid, ComClassFactoryI* factory) noexcept;
  ~UnixComClassEntryC();
  UnixComClassEntryC(const UnixComClassEntryC&) = delete;
  UnixComClassEntryC& operator=(const UnixComClassEntryC&) = delete;

  const GuidC& ClassId() const noexcept { return clsid_; }
  ComClassFactoryI* Factory() const noexcept { return factory_; }

 private:
  GuidC clsid_;
  ComClassFactoryI* factory_;
};

class UnixComRegistryC : public ComRegistryC {
 public:
  UnixComRegistryC() = default;

  // The class operations (contracts in ComRegistryI).
  [[nodiscard]] RcT CreateInstance(const GuidC& clsid, ZelUnknownI* outer, const GuidC& iid,
                                   void** out) noexcept override;
  [[nodiscard]] RcT RegisterClass(const GuidC& clsid, ComClassFactoryI* factory,
                                  UnixComClassEntryC** entry) noexcept override;
  [[nodiscard]] RcT Revoke(UnixComClassEntryC* entry) noexcept override;
  [[nodiscard]] RcT GetClassObject(const GuidC& clsid,
                                   ComClassFactoryI** factory) noexcept override;

  // Finalizes every loaded module (latest first), drops every class and name, then unloads
  // the libraries. Module handles given out before are invalid afterwards.
  void Shutdown() noexcept override;

  // Module loading (contracts in ComRegistryC).
  [[nodiscard]] RcT LoadModule(const char* path, ComModuleC** module) noexcept override;
  [[nodiscard]] RcT UnloadModule(ComModuleC* module) noexcept override;

  size_t ClassCount() const noexcept;
  size_t ModuleCount() const noexcept;

 protected:
  // Drops the remaining classes, then unloads the remaining libraries without finalizing
  // them (a module that still held a reference would have kept the registry alive).
  ~UnixComRegistryC() override;

 private:
  using ClassTableT = std::unordered_map<std::string, std::unique_ptr<UnixComClassEntryC>>;

  // Modules: recursive, because an entry point may load or unload another module.
  mutable cmn_RecursiveMutexC modules_mutex_ QLM_ACQUIRED_BEFORE(classes_mutex_);
  std::vector<std::unique_ptr<ComModuleC>> modules_ QLM_GUARDED_BY(modules_mutex_);
  // Guards classes_ only; never held while a factory or module runs.
  mutable cmn_MutexC classes_mutex_;
  ClassTableT classes_ QLM_GUARDED_BY(classes_mutex_);
};

#endif  // QLM_REGISTRY_UNIXCOMREGISTRYC_H_
