// ComFactoryC: the base of in-process class factories.
//
// A derived factory supplies NewObject(); the base does the reference counting, the interface
// query, CreateInstance and LockServer. Construction takes the first reference (the creator's);
// every reference held on a factory also counts in ComServerCounterC::m_Count.
//
// Registering an in-process factory with the process's registry:
//
//   class LkiServerLocationFactoryC : public ComFactoryC {
//    public:
//     LkiServerLocationFactoryC()
//         : ComFactoryC(StringC::FromUtf8("Zel.rK.LkiServerLocation.1"),
//                       StringC::FromUtf8("LkiServerLocation")) {}
//    protected:
//     ZelUnknownI* NewObject() noexcept override { return new LkiServerLocationC; }
//   };
//
//   ComFactoryC* factory = new LkiServerLocationFactoryC;  // our reference
//   RcT rc = factory->Register(ComRegistryC::Instance(), IID_ZelLKIServerLocation);
//   factory->Release();  // the registry keeps its own reference
//
// Register() adds the class to the class table and maps the component name and the short name
// to it, so that both CreateInstance(IID_ZelLKIServerLocation, ...) and
// CreateInstanceByName("Zel.rK.LkiServerLocation.1", ...) make objects. The registration lasts
// until the entry is revoked or the registry is released (ComRegistryC::ReleaseInstance).
#ifndef QLM_REGISTRY_COMFACTORYC_H_
#define QLM_REGISTRY_COMFACTORYC_H_

#include <atomic>
#include <cstdint>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "registry/ComClassFactoryI.h"
#include "registry/GuidC.h"

class ComRegistryI;
class UnixComClassEntryC;

class ComFactoryC : public ComClassFactoryI {
 public:
  // `name` is the component name ("Zel.rK.LkiServerLocation.1"), `short_name` the short one
  // ("LkiServerLocation"); either may be empty. The factory starts with one reference.
  ComFactoryC(const StringC& name, const StringC& short_name);
  ComFactoryC(const ComFactoryC&) = delete;
  ComFactoryC& operator=(const ComFactoryC&) = delete;

  // Accepts IID_IUnknown and IID_IClassFactory (adding a reference). Any other identifier
  // stores null and gives RC_NOINTERFACE; a null `out` gives RC_INVALIDARG.
  [[nodiscard]] RcT QueryInterface(const GuidC& iid, void** out) noexcept override;
  // Adds one reference (and one to ComServerCounterC::m_Count); returns the new count.
  uint32_t AddRef() noexcept override;
  // Drops one reference (and one from ComServerCounterC::m_Count); destroys the factory at
  // zero. Returns the new count; the caller must not touch the factory afterwards.
  uint32_t Release() noexcept override;
  // Makes an object through NewObject() (RC_NOINTERFACE when that gives null), holds a
  // reference on it, asks it for `iid` and drops the first reference: an object that lacks
  // `iid` is destroyed again and the query's result returned. A null `out` gives RC_INVALIDARG
  // and a non-null `outer` RC_NOTIMPL, both before any object is made.
  [[nodiscard]] RcT CreateInstance(ZelUnknownI* outer, const GuidC& iid,
                                   void** out) noexcept override;
  // true adds 1 to ComServerCounterC::m_Count, false subtracts 1. Returns 0.
  [[nodiscard]] RcT LockServer(bool lock) noexcept override;

  const StringC& Name() const noexcept { return name_; }
  const StringC& ShortName() const noexcept { return short_name_; }
  uint32_t RefCount() const noexcept { return count_.load(std::memory_order_acquire); }

  // Registers this factory in `registry` for `clsid` and maps its component name and short
  // name (those that are not empty) to `clsid`. The registry adds its own reference. On
  // success *entry (when not null) is the class entry, to be handed to Revoke(). When a name
  // cannot be registered, the class registration is revoked again and that failure returned;
  // RC_FAIL when `clsid` is already registered, RC_INVALIDARG for a null registry.
  [[nodiscard]] RcT Register(ComRegistryI* registry, const GuidC& clsid,
                             UnixComClassEntryC** entry = nullptr) noexcept;

 protected:
  // Destroyed by the last Release only.
  ~ComFactoryC() override;
  // Makes a new object with no reference held on it (CreateInstance takes the first); null
  // when it cannot be made. Each derived factory defines it.
  virtual ZelUnknownI* NewObject() noexcept = 0;

 private:
  std::atomic<uint32_t> count_{1};
  StringC name_;
  StringC short_name_;
};

#endif  // QLM_REGISTRY_COMFACTORYC_H_
