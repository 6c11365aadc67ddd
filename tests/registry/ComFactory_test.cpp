#include "registry/ComFactoryC.h"

#include <gtest/gtest.h>

#include <atomic>

#include "registry/ComServerCounterC.h"
#include "registry/UnixComRegistryC.h"

namespace {

constexpr GuidC IID_Probe{0x11111111, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 5}};
constexpr GuidC CLSID_Probe{0x11111112, 0x2222, 0x3333, {4, 4, 5, 5, 5, 5, 5, 5}};

std::atomic<int> g_LiveProbes{0};
std::atomic<int> g_LiveFactories{0};

// An object answering IID_IUnknown and IID_Probe; counts itself in ComServerCounterC like
// every registry-aware object.
class ProbeC final : public ZelUnknownI {
 public:
  ProbeC() { ++g_LiveProbes; }
  RcT QueryInterface(const GuidC& iid, void** out) noexcept override {
    if (out == nullptr) return RC_INVALIDARG;
    if (iid != IID_IUnknown && iid != IID_Probe) {
      *out = nullptr;
      return RC_NOINTERFACE;
    }
    *out = this;
    AddRef();
    return RC_OK;
  }
  uint32_t AddRef() noexcept override {
    ComServerCounterC::Increment();
    return ++count_;
  }
  uint32_t Release() noexcept override {
    uint32_t left = --count_;
    ComServerCounterC::Decrement();
    if (left == 0) delete this;
    return left;
  }
  uint32_t Count() const { return count_; }

 private:
  ~ProbeC() { --g_LiveProbes; }
  std::atomic<uint32_t> count_{0};
};

class ProbeFactoryC final : public ComFactoryC {
 public:
  explicit ProbeFactoryC(bool fail = false, const char* name = "Qlm.Test.Probe.1",
                         const char* short_name = "Probe")
      : ComFactoryC(StringC::FromUtf8(name), StringC::FromUtf8(short_name)), fail_(fail) {
    ++g_LiveFactories;
  }

 protected:
  ~ProbeFactoryC() override { --g_LiveFactories; }
  ZelUnknownI* NewObject() noexcept override { return fail_ ? nullptr : new ProbeC; }

 private:
  bool fail_;
};

class ComFactoryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(g_LiveProbes.load(), 0);
    EXPECT_EQ(g_LiveFactories.load(), 0);
    EXPECT_EQ(ComServerCounterC::Count(), start_count_);
  }
  int32_t start_count_ = ComServerCounterC::Count();
};

TEST_F(ComFactoryTest, QueryInterface) {
  ProbeFactoryC* factory = new ProbeFactoryC;
  EXPECT_EQ(factory->RefCount(), 1u);
  struct Case {
    GuidC iid;
    RcT rc;
  };
  const Case cases[] = {{IID_IUnknown, RC_OK},
                        {IID_IClassFactory, RC_OK},
                        {IID_ComRegistry, RC_NOINTERFACE},
                        {IID_Probe, RC_NOINTERFACE},
                        {GUID_NULL, RC_NOINTERFACE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iid.ToUpperBraces());
    void* out = &out;
    EXPECT_EQ(factory->QueryInterface(c.iid, &out), c.rc);
    if (c.rc == RC_OK) {
      EXPECT_EQ(out, static_cast<ComClassFactoryI*>(factory));
      EXPECT_EQ(factory->RefCount(), 2u);
      static_cast<ComClassFactoryI*>(out)->Release();
    } else {
      EXPECT_EQ(out, nullptr);
    }
  }
  EXPECT_EQ(factory->QueryInterface(IID_IUnknown, nullptr), RC_INVALIDARG);
  EXPECT_EQ(factory->RefCount(), 1u);
  factory->Release();
}

TEST_F(ComFactoryTest, CreateInstanceHandsOverExactlyOneReference) {
  ProbeFactoryC* factory = new ProbeFactoryC;
  void* out = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_Probe, &out), RC_OK);
  ProbeC* probe = static_cast<ProbeC*>(static_cast<ZelUnknownI*>(out));
  EXPECT_EQ(probe->Count(), 1u);
  EXPECT_EQ(g_LiveProbes.load(), 1);
  probe->Release();
  EXPECT_EQ(g_LiveProbes.load(), 0);

  // Failures leave no object behind and a null out pointer.
  struct Case {
    bool fail;
    ZelUnknownI* outer;
    GuidC iid;
    RcT rc;
  };
  ProbeC* outer = new ProbeC;
  outer->AddRef();
  const Case cases[] = {{false, nullptr, IID_IClassFactory, RC_NOINTERFACE},
                        {true, nullptr, IID_Probe, RC_NOINTERFACE},
                        {false, outer, IID_Probe, RC_NOTIMPL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iid.ToUpperBraces());
    ProbeFactoryC* f = c.fail ? new ProbeFactoryC(true) : factory;
    out = &out;
    EXPECT_EQ(f->CreateInstance(c.outer, c.iid, &out), c.rc);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(g_LiveProbes.load(), 1);  // only `outer`
    if (f != factory) f->Release();
  }
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_Probe, nullptr), RC_INVALIDARG);
  EXPECT_EQ(g_LiveProbes.load(), 1);
  outer->Release();
  factory->Release();
}

TEST_F(ComFactoryTest, ServerCountFollowsReferencesAndLocks) {
  const int32_t base = ComServerCounterC::Count();
  ProbeFactoryC* factory = new ProbeFactoryC;
  EXPECT_EQ(ComServerCounterC::Count(), base + 1);
  factory->AddRef();
  EXPECT_EQ(ComServerCounterC::Count(), base + 2);
  EXPECT_EQ(factory->LockServer(true), RC_OK);
  EXPECT_EQ(ComServerCounterC::Count(), base + 3);
  EXPECT_EQ(factory->LockServer(false), RC_OK);
  factory->Release();
  EXPECT_EQ(ComServerCounterC::Count(), base + 1);
  factory->Release();
  EXPECT_EQ(ComServerCounterC::Count(), base);
}

TEST_F(ComFactoryTest, RegisterMakesTheClassReachableByIdentifierAndNames) {
  UnixComRegistryC* registry = new UnixComRegistryC;
  registry->AddRef();
  ProbeFactoryC* factory = new ProbeFactoryC;
  UnixComClassEntryC* entry = nullptr;
  ASSERT_EQ(factory->Register(registry, CLSID_Probe, &entry), RC_OK);
  EXPECT_NE(entry, nullptr);
  EXPECT_EQ(factory->RefCount(), 2u);  // ours and the registry's
  factory->Release();

  for (const char* name : {"Qlm.Test.Probe.1", "PROBE", "probe"}) {
    SCOPED_TRACE(name);
    void* out = nullptr;
    ASSERT_EQ(registry->CreateInstanceByName(name, nullptr, IID_Probe, &out), RC_OK);
    static_cast<ZelUnknownI*>(out)->Release();
  }
  // A second registration of the class fails and changes nothing.
  ProbeFactoryC* other = new ProbeFactoryC(false, "Qlm.Test.Other.1", "Other");
  EXPECT_EQ(other->Register(registry, CLSID_Probe), RC_FAIL);
  other->Release();
  GuidC clsid;
  EXPECT_EQ(registry->LookupName("Other", &clsid), RC_CLASS_NOT_REGISTERED);
  EXPECT_EQ(factory->Register(nullptr, CLSID_Probe), RC_INVALIDARG);

  EXPECT_EQ(registry->Revoke(entry), RC_OK);  // drops the registry's reference: factory gone
  EXPECT_EQ(g_LiveFactories.load(), 0);
  EXPECT_EQ(registry->Release(), 0u);
}

}  // namespace
