// ComRegistryC: the base of the process-wide component registry.
//
// The registry is reference counted (it starts with no reference). It answers IID_IUnknown and
// IID_ComRegistry with its main interface (ComRegistryI) and IID_ComNameRegistry with its name
// interface (ComNameRegistryI); both share one count. This class keeps the name tree; the class
// table and the component modules belong to the derived UnixComRegistryC, which is the class
// the process uses.
//
// The process's registry:
//   - Instance() makes a UnixComRegistryC on first use, holds one reference on it for the
//     process and returns it (the pointer is borrowed: valid until ReleaseInstance(); a thread
//     that may outlive that adds a reference of its own);
//   - ReplaceInstance() installs another registry;
//   - ReleaseInstance(), called once by the program at its end, shuts the registry down (every
//     module finalized and unloaded, every factory and name dropped) and drops the process's
//     reference.
// Every operation may be called from any thread. Factories, objects and module entry points
// are never called while one of the registry's locks on its tables is held.
#ifndef QLM_REGISTRY_COMREGISTRYC_H_
#define QLM_REGISTRY_COMREGISTRYC_H_

#include <atomic>
#include <cstdint>

#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_Result.h"
#include "registry/ComNameRegistryI.h"
#include "registry/ComNameSpaceC.h"
#include "registry/ComRegistryI.h"
#include "registry/GuidC.h"

class ComModuleC;

class ComRegistryC : public ComRegistryI, public ComNameRegistryI {
 public:
  ComRegistryC(const ComRegistryC&) = delete;
  ComRegistryC& operator=(const ComRegistryC&) = delete;

  // IID_IUnknown and IID_ComRegistry give the main interface, IID_ComNameRegistry the name
  // interface, each with one reference added. Any other identifier stores null and gives
  // RC_NOINTERFACE; a null `out` gives RC_INVALIDARG.
  [[nodiscard]] RcT QueryInterface(const GuidC& iid, void** out) noexcept override;
  // Adds one reference; returns the new count.
  uint32_t AddRef() noexcept override;
  // Drops one reference and destroys the registry at zero; returns the new count.
  uint32_t Release() noexcept override;

  // The name operations of both interfaces (contracts in ComNameRegistryI).
  [[nodiscard]] RcT CreateInstanceByName(const char* name, ZelUnknownI* outer, const GuidC& iid,
                                         void** out) noexcept override;
  [[nodiscard]] RcT RegisterName(const char* name, const GuidC& clsid) noexcept override;
  [[nodiscard]] RcT UnregisterName(const char* name) noexcept override;
  [[nodiscard]] RcT LookupName(const char* name, GuidC* clsid) noexcept override;

  // Called by ReplaceInstance() once this registry is the process's registry, with the
  // caller's `argument` (its meaning is between the caller and the derived registry). The
  // result is ReplaceInstance's. The base ignores the argument and returns 0.
  [[nodiscard]] virtual RcT OnReplaced(void* argument) noexcept;
  // Empties the registry: every name is dropped (the derived registry also finalizes its
  // modules, drops its factories and unloads the libraries). The registry stays usable and
  // its reference count is unchanged. Called by ReleaseInstance(); blocks while module entry
  // points run.
  virtual void Shutdown() noexcept;

  // Loads the component module `path` + DynLoadC::DefaultSuffix and runs its initialization
  // (see ComModuleC.h). A library that is already loaded is not initialized again: it gets one
  // more use and the same handle. On success *module is the handle, to be given to
  // UnloadModule() once per successful load. RC_FAIL (reported into the thread's error buffer)
  // when the library does not load or lacks an entry point; the module's own failure when its
  // initialization fails, the library being unloaded again. *module is null on failure.
  [[nodiscard]] virtual RcT LoadModule(const char* path, ComModuleC** module) noexcept = 0;
  // Gives back one use of `module`; at the last one runs its finalization and unloads the
  // library. The result is the finalization's; RC_FAIL when `module` is not a loaded module
  // of this registry, RC_INVALIDARG when it is null.
  [[nodiscard]] virtual RcT UnloadModule(ComModuleC* module) noexcept = 0;

  // The process's registry, made on first use (see above). Never null.
  static ComRegistryC* Instance();
  // Makes `registry` the process's registry: it gets a reference of its own (the caller keeps
  // its own), the former instance, if any, loses the process's reference; then `registry`'s
  // OnReplaced(argument) runs and its result is returned. RC_INVALIDARG for a null registry.
  [[nodiscard]] static RcT ReplaceInstance(ComRegistryC* registry, void* argument);
  // Shuts the process's registry down and drops the process's reference to it; the next
  // Instance() makes a new one. Harmless when there is none.
  static void ReleaseInstance() noexcept;

  uint32_t RefCount() const noexcept { return count_.load(std::memory_order_acquire); }

  static std::atomic<ComRegistryC*> s_InstanceP;

 protected:
  ComRegistryC() = default;
  // Destroyed by the last Release only.
  virtual ~ComRegistryC();

 private:
  std::atomic<uint32_t> count_{0};
  cmn_MutexC names_mutex_;
  ComNameSpaceC root_ QLM_GUARDED_BY(names_mutex_);  // and the whole tree below it
};

#endif  // QLM_REGISTRY_COMREGISTRYC_H_
