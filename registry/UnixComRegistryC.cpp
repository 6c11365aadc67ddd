#include "registry/UnixComRegistryC.h"

#include <algorithm>
#include <utility>

#include "base/ArgListC.h"
#include "log/ErrMessages.h"
#include "registry/DynLoad_posix.h"

UnixComClassEntryC::UnixComClassEntryC(const GuidC& clsid, ComClassFactoryI* factory) noexcept
    : clsid_(clsid), factory_(factory) {
  factory_->AddRef();
}

UnixComClassEntryC::~UnixComClassEntryC() {
  factory_->Release();
}

UnixComRegistryC::~UnixComRegistryC() {
  ClassTableT classes;
  classes.swap(classes_);
  classes.clear();
  while (!modules_.empty()) modules_.pop_back();
}

RcT UnixComRegistryC::CreateInstance(const GuidC& clsid, ZelUnknownI* /*outer*/, const GuidC& iid,
                                     void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  *out = nullptr;
  ComClassFactoryI* factory = nullptr;
  RcT rc = GetClassObject(clsid, &factory);
  if (RcFailed(rc)) return rc;
  rc = factory->CreateInstance(nullptr, iid, out);
  factory->Release();
  return rc;
}

RcT UnixComRegistryC::RegisterClass(const GuidC& clsid, ComClassFactoryI* factory,
                                    UnixComClassEntryC** entry) noexcept {
  if (entry != nullptr) *entry = nullptr;
  if (factory == nullptr) return RC_INVALIDARG;
  std::string key = clsid.ToUpperBraces();
  cmn_MutexLockC lock(classes_mutex_);
  auto [it, added] = classes_.try_emplace(std::move(key));
  if (!added) return RC_FAIL;
  it->second = std::make_unique<UnixComClassEntryC>(clsid, factory);
  if (entry != nullptr) *entry = it->second.get();
  return RC_OK;
}

RcT UnixComRegistryC::Revoke(UnixComClassEntryC* entry) noexcept {
  if (entry == nullptr) return RC_FAIL;
  std::unique_ptr<UnixComClassEntryC> removed;
  {
    cmn_MutexLockC lock(classes_mutex_);
    // Found by address: the handle may be stale, so it is not read before it is found.
    auto it = std::find_if(classes_.begin(), classes_.end(),
                           [entry](const auto& item) { return item.second.get() == entry; });
    if (it == classes_.end()) return RC_FAIL;
    removed = std::move(it->second);
    classes_.erase(it);
  }
  removed.reset();  // releases the factory outside the lock
  return RC_OK;
}

RcT UnixComRegistryC::GetClassObject(const GuidC& clsid, ComClassFactoryI** factory) noexcept {
  if (factory == nullptr) return RC_POINTER;
  *factory = nullptr;
  const std::string key = clsid.ToUpperBraces();
  cmn_MutexLockC lock(classes_mutex_);
  auto it = classes_.find(key);
  if (it == classes_.end()) return RC_CLASS_NOT_REGISTERED;
  *factory = it->second->Factory();
  (*factory)->AddRef();
  return RC_OK;
}

void UnixComRegistryC::Shutdown() noexcept {
  cmn_RecursiveLockC modules_lock(modules_mutex_);
  // Finalize first, while every library is mapped, so that a module revokes its classes
  // itself; whatever a module leaves behind is dropped below before any library goes away.
  for (auto it = modules_.rbegin(); it != modules_.rend(); ++it) {
    ComModuleC& module = **it;
    if (module.finalized_) continue;
    module.finalized_ = true;
    AddRef();  // the module's reference
    // The module is going away; its answer changes nothing.
    (void)module.finalize_(this);
  }
  ClassTableT classes;
  {
    cmn_MutexLockC lock(classes_mutex_);
    classes.swap(classes_);
  }
  classes.clear();
  ComRegistryC::Shutdown();
  while (!modules_.empty()) modules_.pop_back();  // dlclose, latest first
}

RcT UnixComRegistryC::LoadModule(const char* path, ComModuleC** module) noexcept {
  if (module != nullptr) *module = nullptr;
  if (module == nullptr || path == nullptr || *path == '\0') return RC_INVALIDARG;
  std::string file = std::string(path) + DynLoadC::DefaultSuffix;
  cmn_RecursiveLockC lock(modules_mutex_);
  DynLoadC library;
  std::string reason;
  if (!library.Open(file, &reason)) {
    return ErrReport(RC_FAIL, "Cannot load the component module '%1$s': %2$s",
                     ArgList << file << reason);
  }
  for (const auto& loaded : modules_) {
    if (loaded->library_.Handle() == library.Handle() && !loaded->finalized_) {
      // Already loaded and initialized: one more use; `library` drops its extra reference.
      ++loaded->uses_;
      *module = loaded.get();
      return RC_OK;
    }
  }
  auto initialize = reinterpret_cast<ComModuleEntryT>(library.Symbol(c_ComModuleInitializeName));
  auto finalize = reinterpret_cast<ComModuleEntryT>(library.Symbol(c_ComModuleFinalizeName));
  if (initialize == nullptr || finalize == nullptr) {
    return ErrReport(
        RC_FAIL, "The component module '%1$s' does not define '%2$s'",
        ArgList << file
                << (initialize == nullptr ? c_ComModuleInitializeName : c_ComModuleFinalizeName));
  }
  auto loaded = std::make_unique<ComModuleC>(file, std::move(library), initialize, finalize);
  AddRef();  // the module's reference
  RcT rc = loaded->initialize_(this);
  if (RcFailed(rc)) return rc;  // `loaded` unloads the library
  *module = loaded.get();
  modules_.push_back(std::move(loaded));
  return rc;
}

RcT UnixComRegistryC::UnloadModule(ComModuleC* module) noexcept {
  if (module == nullptr) return RC_INVALIDARG;
  cmn_RecursiveLockC lock(modules_mutex_);
  auto it = std::find_if(modules_.begin(), modules_.end(),
                         [module](const auto& loaded) { return loaded.get() == module; });
  if (it == modules_.end()) return RC_FAIL;
  if (--module->uses_ > 0) return RC_OK;
  std::unique_ptr<ComModuleC> owned = std::move(*it);
  modules_.erase(it);
  RcT rc = RC_OK;
  if (!owned->finalized_) {
    owned->finalized_ = true;
    AddRef();  // the module's reference
    rc = owned->finalize_(this);
  }
  owned.reset();  // dlclose
  return rc;
}

size_t UnixComRegistryC::ClassCount() const noexcept {
  cmn_MutexLockC lock(classes_mutex_);
  return classes_.size();
}

size_t UnixComRegistryC::ModuleCount() const noexcept {
  cmn_RecursiveLockC lock(modules_mutex_);
  return modules_.size();
}
