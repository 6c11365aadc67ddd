// PrefsStaticDataC: the per-thread scratch state of the preference lookups, one per thread
// (ThreadSpecificPointerM), released when the thread ends.
#ifndef QLM_ENV_PREFSSTATICDATAC_H_
#define QLM_ENV_PREFSSTATICDATAC_H_

#include <string>

#include "env/ShBufC.h"

class PrefsStaticDataC {
 public:
  PrefsStaticDataC() = default;
  PrefsStaticDataC(const PrefsStaticDataC&) = delete;
  PrefsStaticDataC& operator=(const PrefsStaticDataC&) = delete;
  ~PrefsStaticDataC();

  // The calling thread's object, made on first use. Never null.
  static PrefsStaticDataC& Current();

  // Holds the text GetEnv hands out until its next call on this thread.
  ShBufC env_value;
  // Set while a diagnostic message is being written: diagnostics raised meanwhile (e.g. by a
  // lookup the message text needs) are dropped instead of recursing.
  bool writing_diagnostic = false;
  // While this thread creates a preference-file set, diagnostics are collected here and
  // printed at the end of the search; otherwise null and they are printed at once.
  std::string* diagnostic_output = nullptr;
};

#endif  // QLM_ENV_PREFSSTATICDATAC_H_
