#include "registry/ComRegistryC.h"

#include "registry/UnixComRegistryC.h"

std::atomic<ComRegistryC*> ComRegistryC::s_InstanceP{nullptr};

namespace {

// Serializes the creation and the replacement of the process's registry.
cmn_MutexC g_InstanceMutex;
// Serializes ReleaseInstance() calls, so that one of them cannot shut down a registry that
// another has just destroyed. Never taken while g_InstanceMutex is held.
cmn_MutexC g_ReleaseMutex QLM_ACQUIRED_BEFORE(g_InstanceMutex);

}  // namespace

ComRegistryC::~ComRegistryC() = default;

RcT ComRegistryC::QueryInterface(const GuidC& iid, void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_ComRegistry) {
    *out = static_cast<ComRegistryI*>(this);
  } else if (iid == IID_ComNameRegistry) {
    *out = static_cast<ComNameRegistryI*>(this);
  } else {
    *out = nullptr;
    return RC_NOINTERFACE;
  }
  AddRef();
  return RC_OK;
}

uint32_t ComRegistryC::AddRef() noexcept {
  return count_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t ComRegistryC::Release() noexcept {
  uint32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

RcT ComRegistryC::CreateInstanceByName(const char* name, ZelUnknownI* outer, const GuidC& iid,
                                       void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  *out = nullptr;
  GuidC clsid;
  RcT rc = LookupName(name, &clsid);
  if (RcFailed(rc)) return rc;
  return CreateInstance(clsid, outer, iid, out);
}

RcT ComRegistryC::RegisterName(const char* name, const GuidC& clsid) noexcept {
  if (name == nullptr || *name == '\0') return RC_INVALIDARG;
  const ZelStringC text(name);
  const ZelStringC key = ComNameSpaceC::Key(text);
  cmn_MutexLockC lock(names_mutex_);
  root_.Create(text);
  ComNameSpaceC* space = root_.Find(text);
  if (space == nullptr) return RC_INVALIDARG;
  space->Table().Set(key, ComClassEntryC{text, clsid});
  return RC_OK;
}

RcT ComRegistryC::UnregisterName(const char* name) noexcept {
  if (name == nullptr) return RC_INVALIDARG;
  const ZelStringC text(name);
  const ZelStringC key = ComNameSpaceC::Key(text);
  cmn_MutexLockC lock(names_mutex_);
  ComNameSpaceC* space = root_.Find(text);
  if (space == nullptr || !space->Table().Remove(key)) return RC_CLASS_NOT_REGISTERED;
  return RC_OK;
}

RcT ComRegistryC::LookupName(const char* name, GuidC* clsid) noexcept {
  if (clsid == nullptr) return RC_POINTER;
  *clsid = GUID_NULL;
  if (name == nullptr) return RC_INVALIDARG;
  const ZelStringC text(name);
  const ZelStringC key = ComNameSpaceC::Key(text);
  cmn_MutexLockC lock(names_mutex_);
  const ComNameSpaceC* space = root_.Find(text);
  const ComClassEntryC* entry = space != nullptr ? space->Table().Find(key) : nullptr;
  if (entry == nullptr) return RC_CLASS_NOT_REGISTERED;
  *clsid = entry->clsid;
  return RC_OK;
}

RcT ComRegistryC::OnReplaced(void* /*argument*/) noexcept {
  return RC_OK;
}

void ComRegistryC::Shutdown() noexcept {
  cmn_MutexLockC lock(names_mutex_);
  root_.Clear();
}

ComRegistryC* ComRegistryC::Instance() {
  ComRegistryC* registry = s_InstanceP.load(std::memory_order_acquire);
  if (registry != nullptr) return registry;
  cmn_MutexLockC lock(g_InstanceMutex);
  registry = s_InstanceP.load(std::memory_order_acquire);
  if (registry == nullptr) {
    registry = new UnixComRegistryC;
    registry->AddRef();  // the process's reference
    s_InstanceP.store(registry, std::memory_order_release);
  }
  return registry;
}

RcT ComRegistryC::ReplaceInstance(ComRegistryC* registry, void* argument) {
  if (registry == nullptr) return RC_INVALIDARG;
  registry->AddRef();  // the process's
  // And one for this call: once the registry is the instance, a ReleaseInstance() or another
  // ReplaceInstance() on another thread may drop the process's reference before OnReplaced.
  registry->AddRef();
  ComRegistryC* former = nullptr;
  {
    cmn_MutexLockC lock(g_InstanceMutex);
    former = s_InstanceP.exchange(registry, std::memory_order_acq_rel);
  }
  if (former != nullptr) former->Release();
  const RcT rc = registry->OnReplaced(argument);
  registry->Release();
  return rc;
}

void ComRegistryC::ReleaseInstance() noexcept {
  cmn_MutexLockC serial(g_ReleaseMutex);
  ComRegistryC* registry = nullptr;
  {
    // A reference of our own, taken while the slot cannot change: a ReplaceInstance() that
    // runs meanwhile (another thread, or a module's finalization inside Shutdown()) drops the
    // process's reference, which would otherwise destroy the registry under Shutdown().
    cmn_MutexLockC lock(g_InstanceMutex);
    registry = s_InstanceP.load(std::memory_order_acquire);
    if (registry == nullptr) return;
    registry->AddRef();
  }
  // Shut down while the registry is still the instance, so that a module's finalization that
  // asks for the process's registry reaches this one rather than making a new one.
  registry->Shutdown();
  bool cleared = false;
  {
    cmn_MutexLockC lock(g_InstanceMutex);
    ComRegistryC* expected = registry;
    cleared = s_InstanceP.compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel);
  }
  // Only the caller that cleared the slot owns the process's reference.
  if (cleared) registry->Release();
  registry->Release();
}
