#include "registry/ComRegistryC.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "registry/ComFactoryC.h"
#include "registry/ComNameSpaceC.h"
#include "registry/UnixComRegistryC.h"

namespace {

GuidC Clsid(uint32_t n) {
  return GuidC{n, 0xC0DE, 0x4000, {0x80, 1, 2, 3, 4, 5, 6, 7}};
}

std::atomic<int> g_LiveObjects{0};
std::atomic<int> g_LiveFactories{0};

class ObjectC final : public ZelUnknownI {
 public:
  ObjectC() { ++g_LiveObjects; }
  RcT QueryInterface(const GuidC& iid, void** out) noexcept override {
    if (out == nullptr) return RC_INVALIDARG;
    *out = iid == IID_IUnknown ? this : nullptr;
    if (*out == nullptr) return RC_NOINTERFACE;
    AddRef();
    return RC_OK;
  }
  uint32_t AddRef() noexcept override { return ++count_; }
  uint32_t Release() noexcept override {
    uint32_t left = --count_;
    if (left == 0) delete this;
    return left;
  }

 private:
  ~ObjectC() { --g_LiveObjects; }
  std::atomic<uint32_t> count_{0};
};

class FactoryC final : public ComFactoryC {
 public:
  FactoryC() : ComFactoryC(StringC(), StringC()) { ++g_LiveFactories; }

 protected:
  ~FactoryC() override { --g_LiveFactories; }
  ZelUnknownI* NewObject() noexcept override { return new ObjectC; }
};

// A registry of the tests' own, released at the end of each test.
class ComRegistryTest : public ::testing::Test {
 protected:
  ComRegistryTest() { registry_->AddRef(); }
  ~ComRegistryTest() override {
    EXPECT_EQ(registry_->Release(), 0u);
    EXPECT_EQ(g_LiveObjects.load(), 0);
    EXPECT_EQ(g_LiveFactories.load(), 0);
  }
  UnixComRegistryC* registry_ = new UnixComRegistryC;
};

TEST(ComNameSpaceTest, SplitAndKey) {
  struct Case {
    const char* name;
    const char* head;
    const char* tail;
    int flag;
    const char* key;
  };
  const Case cases[] = {
      {"Zel.rK.LkiServerLocation.1", "", "zel.rk.lkiserverlocation.1", 1,
       "zel.rk.lkiserverlocation.1"},
      {"Log:File", "log", "file", 1, "file"},
      {"a:b.c", "a", "b.c", 1, "b.c"},
      {"A.B:C", "a", "b:c", 0, "c"},
      {"x.y.z:K", "x", "y.z:k", 0, "k"},
      {"a:b:c", "a", "b:c", 1, "b:c"},
      {":k", "", "k", 1, "k"},
      {"", "", "", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComNameSpaceC::SplitS s = ComNameSpaceC::Split(c.name);
    EXPECT_STREQ(s.head.c_str(), c.head);
    EXPECT_STREQ(s.tail.c_str(), c.tail);
    EXPECT_EQ(s.flag, c.flag);
    EXPECT_STREQ(ComNameSpaceC::Key(c.name).c_str(), c.key);
  }
}

TEST(ComNameSpaceTest, CreateBuildsThePathThatFindWalks) {
  ComNameSpaceC root;
  root.Create("Outer.Inner:key");
  root.Create("outer:other");  // reuses "outer:"
  ASSERT_EQ(root.ChildCount(), 1u);
  ComNameSpaceC* outer = root.Child("outer:");
  ASSERT_NE(outer, nullptr);
  ComNameSpaceC* inner = outer->Child("inner:");
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->Parent(), outer);
  EXPECT_EQ(root.Find("OUTER.INNER:anything"), inner);
  EXPECT_EQ(root.Find("outer:anything"), outer);
  EXPECT_EQ(root.Find("plain.name"), &root);
  EXPECT_EQ(root.Find("missing:x"), nullptr);
  EXPECT_EQ(root.Find("outer.missing:x"), nullptr);
}

TEST_F(ComRegistryTest, NamesLiveInTheirNameSpaces) {
  struct Reg {
    const char* name;
    uint32_t clsid;
  };
  const Reg regs[] = {
      {"Zel.rK.LkiServerLocation.1", 1}, {"Log:File", 2}, {"Other:File", 3}, {"File", 4},
      {"Outer.Inner:File", 5},           {"LOG:file", 6}};  // replaces 2
  for (const Reg& r : regs) ASSERT_EQ(registry_->RegisterName(r.name, Clsid(r.clsid)), RC_OK);

  struct Look {
    const char* name;
    RcT rc;
    uint32_t clsid;  // 0: GUID_NULL
  };
  const Look looks[] = {{"zel.rk.lkiserverlocation.1", RC_OK, 1},
                        {"log:FILE", RC_OK, 6},
                        {"other:file", RC_OK, 3},
                        {"file", RC_OK, 4},
                        {"outer.inner:file", RC_OK, 5},
                        {"inner:file", RC_CLASS_NOT_REGISTERED, 0},
                        {"outer:file", RC_CLASS_NOT_REGISTERED, 0},
                        {"log:other", RC_CLASS_NOT_REGISTERED, 0},
                        {"nowhere:file", RC_CLASS_NOT_REGISTERED, 0},
                        {"Zel.rK.LkiServerLocation.2", RC_CLASS_NOT_REGISTERED, 0}};
  for (const Look& l : looks) {
    SCOPED_TRACE(l.name);
    GuidC clsid = Clsid(99);
    EXPECT_EQ(registry_->LookupName(l.name, &clsid), l.rc);
    EXPECT_EQ(clsid, l.clsid == 0 ? GUID_NULL : Clsid(l.clsid));
  }

  // Through the name interface, which shares the registry's count.
  void* out = nullptr;
  ASSERT_EQ(registry_->QueryInterface(IID_ComNameRegistry, &out), RC_OK);
  auto* names = static_cast<ComNameRegistryI*>(out);
  EXPECT_EQ(registry_->RefCount(), 2u);
  EXPECT_EQ(names->UnregisterName("Log:File"), RC_OK);
  EXPECT_EQ(names->UnregisterName("Log:File"), RC_CLASS_NOT_REGISTERED);
  GuidC clsid;
  EXPECT_EQ(names->LookupName("log:file", &clsid), RC_CLASS_NOT_REGISTERED);
  EXPECT_EQ(clsid, GUID_NULL);
  EXPECT_EQ(names->LookupName("other:file", &clsid), RC_OK);
  EXPECT_EQ(names->Release(), 1u);

  // Bad arguments.
  EXPECT_EQ(registry_->RegisterName(nullptr, Clsid(1)), RC_INVALIDARG);
  EXPECT_EQ(registry_->RegisterName("", Clsid(1)), RC_INVALIDARG);
  EXPECT_EQ(registry_->RegisterName("a.:b", Clsid(1)), RC_INVALIDARG);
  EXPECT_EQ(registry_->LookupName("file", nullptr), RC_POINTER);
  EXPECT_EQ(registry_->UnregisterName(nullptr), RC_INVALIDARG);
}

TEST_F(ComRegistryTest, QueryInterfaceGivesBothInterfaces) {
  struct Case {
    GuidC iid;
    void* expected;
  };
  const Case cases[] = {{IID_IUnknown, static_cast<ComRegistryI*>(registry_)},
                        {IID_ComRegistry, static_cast<ComRegistryI*>(registry_)},
                        {IID_ComNameRegistry, static_cast<ComNameRegistryI*>(registry_)},
                        {IID_IClassFactory, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iid.ToUpperBraces());
    void* out = &out;
    EXPECT_EQ(registry_->QueryInterface(c.iid, &out), c.expected ? RC_OK : RC_NOINTERFACE);
    EXPECT_EQ(out, c.expected);
    if (out != nullptr) static_cast<ComRegistryI*>(registry_)->Release();
  }
  EXPECT_EQ(registry_->QueryInterface(IID_IUnknown, nullptr), RC_INVALIDARG);
  EXPECT_EQ(registry_->RefCount(), 1u);
}

TEST_F(ComRegistryTest, ClassTable) {
  FactoryC* factory = new FactoryC;
  UnixComClassEntryC* entry = nullptr;
  ASSERT_EQ(registry_->RegisterClass(Clsid(1), factory, &entry), RC_OK);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->ClassId(), Clsid(1));
  EXPECT_EQ(factory->RefCount(), 2u);
  UnixComClassEntryC* second = &*entry;
  EXPECT_EQ(registry_->RegisterClass(Clsid(1), factory, &second), RC_FAIL);
  EXPECT_EQ(second, nullptr);
  EXPECT_EQ(registry_->RegisterClass(Clsid(2), nullptr, nullptr), RC_INVALIDARG);
  EXPECT_EQ(registry_->ClassCount(), 1u);

  ComClassFactoryI* found = nullptr;
  ASSERT_EQ(registry_->GetClassObject(Clsid(1), &found), RC_OK);
  EXPECT_EQ(found, static_cast<ComClassFactoryI*>(factory));
  EXPECT_EQ(factory->RefCount(), 3u);
  found->Release();
  found = reinterpret_cast<ComClassFactoryI*>(&found);
  EXPECT_EQ(registry_->GetClassObject(Clsid(2), &found), RC_CLASS_NOT_REGISTERED);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(registry_->GetClassObject(Clsid(1), nullptr), RC_POINTER);

  // Creation by identifier and by name; the outer object is not passed to the factory.
  ASSERT_EQ(registry_->RegisterName("Test:Thing", Clsid(1)), RC_OK);
  ASSERT_EQ(registry_->RegisterName("Test:Ghost", Clsid(2)), RC_OK);
  void* out = nullptr;
  ASSERT_EQ(registry_->CreateInstance(Clsid(1), nullptr, IID_IUnknown, &out), RC_OK);
  static_cast<ZelUnknownI*>(out)->Release();
  ObjectC* outer = new ObjectC;
  outer->AddRef();
  ASSERT_EQ(registry_->CreateInstanceByName("test:thing", outer, IID_IUnknown, &out), RC_OK);
  static_cast<ZelUnknownI*>(out)->Release();
  outer->Release();
  struct Case {
    uint32_t clsid;
    const char* name;
    RcT rc;
  };
  const Case fails[] = {{2, "test:ghost", RC_CLASS_NOT_REGISTERED},
                        {3, "test:nothing", RC_CLASS_NOT_REGISTERED}};
  for (const Case& c : fails) {
    out = &out;
    EXPECT_EQ(registry_->CreateInstance(Clsid(c.clsid), nullptr, IID_IUnknown, &out), c.rc);
    EXPECT_EQ(out, nullptr);
    out = &out;
    EXPECT_EQ(registry_->CreateInstanceByName(c.name, nullptr, IID_IUnknown, &out), c.rc);
    EXPECT_EQ(out, nullptr);
  }
  EXPECT_EQ(g_LiveObjects.load(), 0);

  // Revoking drops the registry's reference; a second revoke finds nothing.
  EXPECT_EQ(registry_->Revoke(entry), RC_OK);
  EXPECT_EQ(factory->RefCount(), 1u);
  EXPECT_EQ(registry_->Revoke(entry), RC_FAIL);
  EXPECT_EQ(registry_->Revoke(nullptr), RC_FAIL);
  EXPECT_EQ(registry_->CreateInstance(Clsid(1), nullptr, IID_IUnknown, &out),
            RC_CLASS_NOT_REGISTERED);
  // The class can be registered again once revoked.
  ASSERT_EQ(registry_->RegisterClass(Clsid(1), factory, nullptr), RC_OK);
  factory->Release();  // the registry's reference keeps it until the registry goes
  EXPECT_EQ(g_LiveFactories.load(), 1);
}

TEST_F(ComRegistryTest, ShutdownDropsEverythingAndLeavesTheRegistryUsable) {
  for (uint32_t i = 1; i <= 3; ++i) {
    FactoryC* factory = new FactoryC;
    ASSERT_EQ(registry_->RegisterClass(Clsid(i), factory, nullptr), RC_OK);
    factory->Release();
    ASSERT_EQ(registry_->RegisterName(("Space:Name" + std::to_string(i)).c_str(), Clsid(i)), RC_OK);
  }
  EXPECT_EQ(g_LiveFactories.load(), 3);
  registry_->Shutdown();
  EXPECT_EQ(g_LiveFactories.load(), 0);
  EXPECT_EQ(registry_->ClassCount(), 0u);
  GuidC clsid;
  EXPECT_EQ(registry_->LookupName("space:name1", &clsid), RC_CLASS_NOT_REGISTERED);
  EXPECT_EQ(registry_->RefCount(), 1u);
  EXPECT_EQ(registry_->RegisterName("space:again", Clsid(1)), RC_OK);
}

TEST_F(ComRegistryTest, ConcurrentRegistrationAndCreation) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t, &failures] {
      for (int i = 0; i < kRounds; ++i) {
        const GuidC clsid = Clsid(static_cast<uint32_t>(t * kRounds + i + 1));
        const std::string name = "T" + std::to_string(t) + ".Sub:Obj" + std::to_string(i);
        FactoryC* factory = new FactoryC;
        UnixComClassEntryC* entry = nullptr;
        if (registry_->RegisterClass(clsid, factory, &entry) != RC_OK) ++failures;
        factory->Release();
        if (registry_->RegisterName(name.c_str(), clsid) != RC_OK) ++failures;
        void* out = nullptr;
        if (registry_->CreateInstanceByName(name.c_str(), nullptr, IID_IUnknown, &out) != RC_OK) {
          ++failures;
        } else {
          static_cast<ZelUnknownI*>(out)->Release();
        }
        if (i % 2 == 0) {
          if (registry_->Revoke(entry) != RC_OK) ++failures;
          if (registry_->UnregisterName(name.c_str()) != RC_OK) ++failures;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(registry_->ClassCount(), static_cast<size_t>(kThreads * kRounds / 2));
}

// A registry that records what happens to it.
struct Events {
  void* replaced_with = nullptr;
  int shutdowns = 0;
  bool destroyed = false;
};

class RecordingRegistryC final : public UnixComRegistryC {
 public:
  explicit RecordingRegistryC(Events* events) : events_(events) {}
  RcT OnReplaced(void* argument) noexcept override {
    events_->replaced_with = argument;
    return argument == nullptr ? RC_UNEXPECTED : RC_OK;
  }
  void Shutdown() noexcept override {
    ++events_->shutdowns;
    UnixComRegistryC::Shutdown();
  }

 protected:
  ~RecordingRegistryC() override { events_->destroyed = true; }

 private:
  Events* events_;
};

TEST(ComRegistryInstanceTest, AccessorReplaceAndRelease) {
  ComRegistryC::ReleaseInstance();  // harmless without an instance
  ComRegistryC* first = ComRegistryC::Instance();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(ComRegistryC::Instance(), first);
  EXPECT_EQ(first->RefCount(), 1u);

  // Replacing: the new registry becomes the instance, the former one loses the process's
  // reference (we keep one to watch it), and OnReplaced sees the argument.
  Events events;
  RecordingRegistryC* replacement = new RecordingRegistryC(&events);
  replacement->AddRef();  // ours
  first->AddRef();
  int argument = 0;
  EXPECT_EQ(ComRegistryC::ReplaceInstance(replacement, &argument), RC_OK);
  EXPECT_EQ(events.replaced_with, &argument);
  EXPECT_EQ(ComRegistryC::Instance(), replacement);
  EXPECT_EQ(replacement->RefCount(), 2u);
  EXPECT_EQ(first->Release(), 0u);
  EXPECT_EQ(ComRegistryC::ReplaceInstance(replacement, nullptr), RC_UNEXPECTED);
  EXPECT_EQ(replacement->RefCount(), 2u);
  EXPECT_EQ(ComRegistryC::ReplaceInstance(nullptr, &argument), RC_INVALIDARG);

  // Releasing shuts the registry down (dropping its factories) and clears the instance.
  FactoryC* factory = new FactoryC;
  ASSERT_EQ(factory->Register(ComRegistryC::Instance(), Clsid(7)), RC_OK);
  factory->Release();
  EXPECT_EQ(g_LiveFactories.load(), 1);
  ComRegistryC::ReleaseInstance();
  EXPECT_EQ(events.shutdowns, 1);
  EXPECT_EQ(g_LiveFactories.load(), 0);
  EXPECT_FALSE(events.destroyed);  // our reference keeps it
  EXPECT_EQ(ComRegistryC::s_InstanceP.load(), nullptr);
  replacement->Release();
  EXPECT_TRUE(events.destroyed);

  // The next use makes a fresh registry.
  ComRegistryC* fresh = ComRegistryC::Instance();
  GuidC clsid;
  EXPECT_EQ(fresh->LookupName("anything", &clsid), RC_CLASS_NOT_REGISTERED);
  ComRegistryC::ReleaseInstance();
  EXPECT_EQ(ComRegistryC::s_InstanceP.load(), nullptr);
}

TEST(ComRegistryInstanceTest, ConcurrentFirstUseMakesOneRegistry) {
  ComRegistryC::ReleaseInstance();
  constexpr int kThreads = 4;
  std::vector<ComRegistryC*> seen(kThreads, nullptr);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&seen, t] { seen[t] = ComRegistryC::Instance(); });
  }
  for (auto& thread : threads) thread.join();
  for (ComRegistryC* registry : seen) EXPECT_EQ(registry, seen[0]);
  EXPECT_EQ(seen[0]->RefCount(), 1u);
  ComRegistryC::ReleaseInstance();
}

// A registry whose shutdown, like a module's finalization, installs another registry: the
// former instance loses the process's reference in the middle of its own Shutdown().
class ReplacingRegistryC final : public UnixComRegistryC {
 public:
  explicit ReplacingRegistryC(Events* events) : events_(events) {}
  void Shutdown() noexcept override {
    ++events_->shutdowns;
    Events* events = events_;  // `this` may be gone after the replacement
    ComRegistryC* successor = new UnixComRegistryC;
    (void)ComRegistryC::ReplaceInstance(successor, nullptr);
    destroyed_during_shutdown = events->destroyed;
    if (!events->destroyed) UnixComRegistryC::Shutdown();
  }
  static inline bool destroyed_during_shutdown = false;

 protected:
  ~ReplacingRegistryC() override { events_->destroyed = true; }

 private:
  Events* events_;
};

TEST(ComRegistryInstanceTest, ReleaseKeepsTheRegistryAliveThroughAReplacementInShutdown) {
  ComRegistryC::ReleaseInstance();
  Events events;
  ComRegistryC* registry = new ReplacingRegistryC(&events);
  ASSERT_EQ(ComRegistryC::ReplaceInstance(registry, nullptr), RC_OK);  // the process's only
  ComRegistryC::ReleaseInstance();
  EXPECT_EQ(events.shutdowns, 1);
  EXPECT_FALSE(ReplacingRegistryC::destroyed_during_shutdown);
  EXPECT_TRUE(events.destroyed);  // once ReleaseInstance let go of it
  // The successor stays the instance: the slot no longer held the released registry.
  ComRegistryC* successor = ComRegistryC::s_InstanceP.load();
  ASSERT_NE(successor, nullptr);
  EXPECT_NE(successor, registry);
  ComRegistryC::ReleaseInstance();
  EXPECT_EQ(ComRegistryC::s_InstanceP.load(), nullptr);
}

TEST(ComRegistryInstanceTest, ConcurrentReplaceAndReleaseNeverShutDownAFreedRegistry) {
  ComRegistryC::ReleaseInstance();
  std::atomic<bool> stop{false};
  std::thread replacer([&stop] {
    while (!stop.load()) {
      ComRegistryC* next = new UnixComRegistryC;
      (void)ComRegistryC::ReplaceInstance(next, nullptr);
    }
  });
  for (int i = 0; i < 2000; ++i) {
    (void)ComRegistryC::Instance();
    ComRegistryC::ReleaseInstance();
  }
  stop.store(true);
  replacer.join();
  ComRegistryC::ReleaseInstance();
  EXPECT_EQ(ComRegistryC::s_InstanceP.load(), nullptr);
}

}  // namespace
