#include "registry/ComFactoryC.h"

#include <string>

#include "registry/ComRegistryI.h"
#include "registry/ComServerCounterC.h"

ComFactoryC::ComFactoryC(const StringC& name, const StringC& short_name)
    : name_(name), short_name_(short_name) {
  ComServerCounterC::Increment();  // the first reference
}

ComFactoryC::~ComFactoryC() = default;

RcT ComFactoryC::QueryInterface(const GuidC& iid, void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *out = static_cast<ComClassFactoryI*>(this);
    AddRef();
    return RC_OK;
  }
  *out = nullptr;
  return RC_NOINTERFACE;
}

uint32_t ComFactoryC::AddRef() noexcept {
  ComServerCounterC::Increment();
  return count_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t ComFactoryC::Release() noexcept {
  uint32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  ComServerCounterC::Decrement();
  if (left == 0) delete this;
  return left;
}

RcT ComFactoryC::CreateInstance(ZelUnknownI* outer, const GuidC& iid, void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  *out = nullptr;
  if (outer != nullptr) return RC_NOTIMPL;
  ZelUnknownI* object = NewObject();
  if (object == nullptr) return RC_NOINTERFACE;
  object->AddRef();
  RcT rc = object->QueryInterface(iid, out);
  object->Release();
  return rc;
}

RcT ComFactoryC::LockServer(bool lock) noexcept {
  ComServerCounterC::Lock(lock);
  return RC_OK;
}

RcT ComFactoryC::Register(ComRegistryI* registry, const GuidC& clsid,
                          UnixComClassEntryC** entry) noexcept {
  if (entry != nullptr) *entry = nullptr;
  if (registry == nullptr) return RC_INVALIDARG;
  UnixComClassEntryC* added = nullptr;
  RcT rc = registry->RegisterClass(clsid, this, &added);
  if (RcFailed(rc)) return rc;
  for (const StringC* name : {&name_, &short_name_}) {
    if (name->IsEmpty()) continue;
    rc = registry->RegisterName(name->ToUtf8().c_str(), clsid);
    if (RcFailed(rc)) {
      if (name == &short_name_ && !name_.IsEmpty()) {
        // Best effort while undoing a failed registration, whose code is returned.
        (void)registry->UnregisterName(name_.ToUtf8().c_str());
      }
      // Best effort while undoing a failed registration, whose code is returned.
      (void)registry->Revoke(added);
      return rc;
    }
  }
  if (entry != nullptr) *entry = added;
  return RC_OK;
}
