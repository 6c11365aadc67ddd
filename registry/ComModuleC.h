// ComModuleC: a component module, a shared library that registers classes with the registry.
//
// A module exports two C entry points:
//
//   extern "C" RcT ZelComModuleInitialize(ComRegistryI* registry);
//   extern "C" RcT ZelComModuleFinalize(ComRegistryI* registry);
//
// Each call hands the module one reference to the registry, which becomes the module's own: it
// releases it when it no longer needs the registry (Initialize typically keeps it until
// Finalize). Initialize registers the module's factories and names; when it fails it must leave
// nothing registered. Finalize revokes them: after it returns the library is unloaded, so no
// factory or object of the module may survive it.
//
// The registry (UnixComRegistryC::LoadModule) owns every ComModuleC; callers hold a handle that
// is valid until its last UnloadModule.
#ifndef QLM_REGISTRY_COMMODULEC_H_
#define QLM_REGISTRY_COMMODULEC_H_

#include <cstdint>
#include <string>
#include <utility>

#include "cmn/cmn_Result.h"
#include "registry/DynLoad_posix.h"

class ComRegistryI;

// The type of both entry points.
using ComModuleEntryT = RcT (*)(ComRegistryI* registry);

inline constexpr const char* c_ComModuleInitializeName = "ZelComModuleInitialize";
inline constexpr const char* c_ComModuleFinalizeName = "ZelComModuleFinalize";

class ComModuleC {
 public:
  ComModuleC(std::string name, DynLoadC library, ComModuleEntryT initialize,
             ComModuleEntryT finalize) noexcept
      : name_(std::move(name)),
        library_(std::move(library)),
        initialize_(initialize),
        finalize_(finalize) {}
  ComModuleC(const ComModuleC&) = delete;
  ComModuleC& operator=(const ComModuleC&) = delete;

  // The library's file name as first loaded (path and suffix).
  const std::string& Name() const noexcept { return name_; }
  // How many loads the module has not yet seen unloaded.
  uint32_t Uses() const noexcept { return uses_; }

 private:
  friend class UnixComRegistryC;

  std::string name_;
  DynLoadC library_;
  ComModuleEntryT initialize_;
  ComModuleEntryT finalize_;
  uint32_t uses_ = 1;
  bool finalized_ = false;  // Finalize ran (at shutdown); the library waits to be unloaded
};

#endif  // QLM_REGISTRY_COMMODULEC_H_
