// Component modules loaded for real with the dynamic loader.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "registry/ComModuleC.h"
#include "registry/UnixComRegistryC.h"
#include "tests/registry/module/TestComModule.h"
#include "tests/testing/ScopedEnvC.h"

namespace {

const std::string kModule = QLM_TEST_COM_MODULE;
const std::string kModuleFile = kModule + ".so";

bool IsMapped(const std::string& file) {
  void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle != nullptr) ::dlclose(handle);
  return handle != nullptr;
}

// A counter exported by the loaded module; -1 when the module is not loaded.
int ModuleCounter(const char* symbol) {
  void* handle = ::dlopen(kModuleFile.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return -1;
  auto counter = reinterpret_cast<TestComModuleCounterT>(::dlsym(handle, symbol));
  int value = counter != nullptr ? counter() : -1;
  ::dlclose(handle);
  return value;
}

class ComModuleTest : public ::testing::Test {
 protected:
  ComModuleTest() { registry_->AddRef(); }
  ~ComModuleTest() override {
    EXPECT_EQ(registry_->Release(), 0u);  // every module gave its references back
    EXPECT_FALSE(IsMapped(kModuleFile));
  }
  UnixComRegistryC* registry_ = new UnixComRegistryC;
};

TEST_F(ComModuleTest, LoadRegistersUnloadRevokes) {
  ASSERT_FALSE(IsMapped(kModuleFile));
  ComModuleC* module = nullptr;
  ASSERT_EQ(registry_->LoadModule(kModule.c_str(), &module), RC_OK);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->Name(), kModuleFile);
  EXPECT_TRUE(IsMapped(kModuleFile));
  EXPECT_EQ(registry_->RefCount(), 2u);  // the module keeps the reference it was given

  // An object of the module's class, by identifier and by name.
  void* out = nullptr;
  ASSERT_EQ(registry_->CreateInstance(CLSID_TestComObject, nullptr, IID_TestComObject, &out),
            RC_OK);
  auto* object = static_cast<TestComObjectI*>(out);
  EXPECT_EQ(object->Answer(), 42);
  EXPECT_EQ(ModuleCounter("TestComModuleLiveObjects"), 1);
  object->Release();
  ASSERT_EQ(registry_->CreateInstanceByName(c_TestComObjectName, nullptr, IID_IUnknown, &out),
            RC_OK);
  static_cast<ZelUnknownI*>(out)->Release();
  EXPECT_EQ(ModuleCounter("TestComModuleLiveObjects"), 0);

  // Loading it again, under the same name or another path to the same file, loads it once.
  const std::string other_path =
      kModule.substr(0, kModule.rfind('/')) + "/./" + kModule.substr(kModule.rfind('/') + 1);
  for (const std::string& path : {kModule, other_path}) {
    ComModuleC* again = nullptr;
    ASSERT_EQ(registry_->LoadModule(path.c_str(), &again), RC_OK) << path;
    EXPECT_EQ(again, module);
  }
  EXPECT_EQ(module->Uses(), 3u);
  EXPECT_EQ(ModuleCounter("TestComModuleInitialized"), 1);
  EXPECT_EQ(registry_->ModuleCount(), 1u);

  // Each load is given back once; the last one finalizes and unloads.
  EXPECT_EQ(registry_->UnloadModule(module), RC_OK);
  EXPECT_EQ(registry_->UnloadModule(module), RC_OK);
  EXPECT_TRUE(IsMapped(kModuleFile));
  EXPECT_EQ(ModuleCounter("TestComModuleFinalized"), 0);
  EXPECT_EQ(registry_->UnloadModule(module), RC_OK);
  EXPECT_FALSE(IsMapped(kModuleFile));
  EXPECT_EQ(registry_->ModuleCount(), 0u);
  EXPECT_EQ(registry_->ClassCount(), 0u);
  GuidC clsid;
  EXPECT_EQ(registry_->LookupName(c_TestComObjectName, &clsid), RC_CLASS_NOT_REGISTERED);
  EXPECT_EQ(registry_->UnloadModule(module), RC_FAIL);  // stale handle
  EXPECT_EQ(registry_->UnloadModule(nullptr), RC_INVALIDARG);
}

TEST_F(ComModuleTest, LoadFailures) {
  struct Case {
    std::string path;
    RcT rc;
  };
  const Case cases[] = {
      {kModule.substr(0, kModule.rfind('/')) + "/libqlm_no_such_module", RC_FAIL},
      {QLM_TEST_COM_NOENTRY_MODULE, RC_FAIL},
      {kModuleFile, RC_FAIL},  // the suffix is added: "....so.so" does not exist
      {"", RC_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ComModuleC* module = reinterpret_cast<ComModuleC*>(&module);
    EXPECT_EQ(registry_->LoadModule(c.path.c_str(), &module), c.rc);
    EXPECT_EQ(module, nullptr);
  }
  EXPECT_FALSE(IsMapped(std::string(QLM_TEST_COM_NOENTRY_MODULE) + ".so"));
  EXPECT_EQ(registry_->LoadModule(kModule.c_str(), nullptr), RC_INVALIDARG);
  EXPECT_EQ(registry_->ModuleCount(), 0u);
  EXPECT_EQ(registry_->RefCount(), 1u);
}

TEST_F(ComModuleTest, FailedInitializationUnloadsTheLibrary) {
  ComModuleC* module = nullptr;
  RcT rc = RC_OK;
  {
    qlmtest::ScopedEnvC fail("QLM_TEST_COM_MODULE_FAIL", "1");
    rc = registry_->LoadModule(kModule.c_str(), &module);
  }
  EXPECT_EQ(rc, RC_UNEXPECTED);
  EXPECT_EQ(module, nullptr);
  EXPECT_EQ(registry_->ModuleCount(), 0u);
  EXPECT_EQ(registry_->ClassCount(), 0u);
  // It loads normally afterwards (and the fixture checks it is gone at the end).
  ASSERT_EQ(registry_->LoadModule(kModule.c_str(), &module), RC_OK);
  EXPECT_EQ(ModuleCounter("TestComModuleInitialized"), 1);
  EXPECT_EQ(registry_->UnloadModule(module), RC_OK);
}

TEST_F(ComModuleTest, ShutdownFinalizesAndUnloadsLoadedModules) {
  ComModuleC* module = nullptr;
  ASSERT_EQ(registry_->LoadModule(kModule.c_str(), &module), RC_OK);
  ASSERT_EQ(registry_->LoadModule(kModule.c_str(), &module), RC_OK);
  EXPECT_EQ(registry_->RefCount(), 2u);
  registry_->Shutdown();
  EXPECT_FALSE(IsMapped(kModuleFile));
  EXPECT_EQ(registry_->ModuleCount(), 0u);
  EXPECT_EQ(registry_->ClassCount(), 0u);
  EXPECT_EQ(registry_->RefCount(), 1u);  // the module gave back both of its references
  EXPECT_EQ(registry_->UnloadModule(module), RC_FAIL);
}

TEST(ComModuleInstanceTest, ReleaseInstanceUnloadsModulesOfTheProcessRegistry) {
  ComRegistryC::ReleaseInstance();
  ComModuleC* module = nullptr;
  ASSERT_EQ(ComRegistryC::Instance()->LoadModule(kModule.c_str(), &module), RC_OK);
  EXPECT_TRUE(IsMapped(kModuleFile));
  ComRegistryC::ReleaseInstance();
  EXPECT_FALSE(IsMapped(kModuleFile));
  EXPECT_EQ(ComRegistryC::s_InstanceP.load(), nullptr);
}

}  // namespace
