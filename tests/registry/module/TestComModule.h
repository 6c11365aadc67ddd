// What the registry's tests and their component module share: the module's class, its name and
// the interface of its objects.
#ifndef QLM_TESTS_REGISTRY_MODULE_TESTCOMMODULE_H_
#define QLM_TESTS_REGISTRY_MODULE_TESTCOMMODULE_H_

#include <cstdint>

#include "registry/GuidC.h"
#include "registry/ZelUnknownI.h"

inline constexpr GuidC CLSID_TestComObject{
    0x6F1C2A10, 0x3B4D, 0x4E5F, {0x80, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7}};
inline constexpr GuidC IID_TestComObject{
    0x6F1C2A11, 0x3B4D, 0x4E5F, {0x80, 0x91, 0xA2, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7}};
inline constexpr const char* c_TestComObjectName = "QlmTest.ComModule.Object.1";

class TestComObjectI : public ZelUnknownI {
 public:
  virtual int32_t Answer() noexcept = 0;

 protected:
  ~TestComObjectI() = default;
};

// Exported by the module besides its entry points: how often it was initialized and
// finalized since it was loaded, and how many of its objects are alive.
// The exported names are TestComModuleInitialized, TestComModuleFinalized and
// TestComModuleLiveObjects.
using TestComModuleCounterT = int (*)();

#endif  // QLM_TESTS_REGISTRY_MODULE_TESTCOMMODULE_H_
