#include "env/PrefsStaticDataC.h"

#include "os/ThreadSpecificPointerM.h"

PrefsStaticDataC::~PrefsStaticDataC() = default;

PrefsStaticDataC& PrefsStaticDataC::Current() {
  static ThreadSpecificPointerM<PrefsStaticDataC> s_PerThread;
  return *s_PerThread.Get();
}
