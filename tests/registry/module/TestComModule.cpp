// A component module for the registry's tests. Initialization registers a factory for
// CLSID_TestComObject and the name c_TestComObjectName; finalization revokes both. With
// QLM_TEST_COM_MODULE_FAIL set in the environment, initialization fails with RC_UNEXPECTED and
// registers nothing. The module is built against the registry's headers only.
#include <atomic>
#include <cstdlib>

#include "registry/ComClassFactoryI.h"
#include "registry/ComRegistryI.h"
#include "tests/registry/module/TestComModule.h"

#define QLM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int g_Initialized = 0;
int g_Finalized = 0;
std::atomic<int> g_LiveObjects{0};
ComRegistryI* g_Registry = nullptr;  // the reference handed to initialization
UnixComClassEntryC* g_Entry = nullptr;

class TestComObjectC final : public TestComObjectI {
 public:
  TestComObjectC() { ++g_LiveObjects; }
  RcT QueryInterface(const GuidC& iid, void** out) noexcept override {
    if (out == nullptr) return RC_INVALIDARG;
    if (iid == IID_IUnknown || iid == IID_TestComObject) {
      *out = static_cast<TestComObjectI*>(this);
      AddRef();
      return RC_OK;
    }
    *out = nullptr;
    return RC_NOINTERFACE;
  }
  uint32_t AddRef() noexcept override { return ++count_; }
  uint32_t Release() noexcept override {
    uint32_t left = --count_;
    if (left == 0) delete this;
    return left;
  }
  int32_t Answer() noexcept override { return 42; }

 private:
  ~TestComObjectC() { --g_LiveObjects; }
  std::atomic<uint32_t> count_{0};
};

class TestFactoryC final : public ComClassFactoryI {
 public:
  RcT QueryInterface(const GuidC& iid, void** out) noexcept override {
    if (out == nullptr) return RC_INVALIDARG;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<ComClassFactoryI*>(this);
      AddRef();
      return RC_OK;
    }
    *out = nullptr;
    return RC_NOINTERFACE;
  }
  uint32_t AddRef() noexcept override { return ++count_; }
  uint32_t Release() noexcept override {
    uint32_t left = --count_;
    if (left == 0) delete this;
    return left;
  }
  RcT CreateInstance(ZelUnknownI* outer, const GuidC& iid, void** out) noexcept override {
    if (out == nullptr) return RC_INVALIDARG;
    *out = nullptr;
    if (outer != nullptr) return RC_NOTIMPL;
    TestComObjectC* object = new TestComObjectC;
    object->AddRef();
    RcT rc = object->QueryInterface(iid, out);
    object->Release();
    return rc;
  }
  RcT LockServer(bool) noexcept override { return RC_OK; }

 private:
  std::atomic<uint32_t> count_{1};
};

}  // namespace

QLM_EXPORT RcT ZelComModuleInitialize(ComRegistryI* registry) {
  ++g_Initialized;
  if (std::getenv("QLM_TEST_COM_MODULE_FAIL") != nullptr) {
    registry->Release();
    return RC_UNEXPECTED;
  }
  g_Registry = registry;
  TestFactoryC* factory = new TestFactoryC;
  RcT rc = registry->RegisterClass(CLSID_TestComObject, factory, &g_Entry);
  factory->Release();
  if (RcSucceeded(rc)) {
    rc = registry->RegisterName(c_TestComObjectName, CLSID_TestComObject);
    if (RcFailed(rc)) (void)registry->Revoke(g_Entry);
  }
  if (RcFailed(rc)) {
    g_Registry = nullptr;
    registry->Release();
  }
  return rc;
}

QLM_EXPORT RcT ZelComModuleFinalize(ComRegistryI* registry) {
  ++g_Finalized;
  if (g_Registry != nullptr) {
    (void)g_Registry->UnregisterName(c_TestComObjectName);
    (void)g_Registry->Revoke(g_Entry);
    g_Registry->Release();
    g_Registry = nullptr;
  }
  registry->Release();
  return RC_OK;
}

QLM_EXPORT int TestComModuleInitialized() {
  return g_Initialized;
}
QLM_EXPORT int TestComModuleFinalized() {
  return g_Finalized;
}
QLM_EXPORT int TestComModuleLiveObjects() {
  return g_LiveObjects.load();
}
