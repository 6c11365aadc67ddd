// ProcessEnvironmentI: what the process layer needs from the layers above it (the deployment
// context and the preferences) when it starts external commands, installed once per process
// by those layers.
//
// Without an installed object a child started with a variable list inherits the current
// environment unchanged (the list is ignored), no preference-file setting is found,
// IsExternalExecEnabled() answers true unless the process environment says otherwise, and
// preferences take their built-in defaults.
#ifndef QLM_OS_PROCESSENVIRONMENTI_H_
#define QLM_OS_PROCESSENVIRONMENTI_H_

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_Result.h"

class rkk_VariableListC;

class ProcessEnvironmentI {
 public:
  // Appends to `entries` the complete environment of a child started with `variables` (not
  // null): the current environment with the list's variables set in it, as "name=value"
  // texts in the order the child is to receive them. Returns 0, or a failure after which the
  // child is not started. Called on the thread that starts the child.
  [[nodiscard]] virtual RcT MakeChildEnvironment(const rkk_VariableListC* variables,
                                                 StringArrayC* entries) = 0;

  // Looks `name` up in the "Environment" section of the preference files. True with the
  // value when it is set there; false (value untouched) when not.
  [[nodiscard]] virtual bool FindEnvironmentSetting(const StringC& name, StringC* value) = 0;

  // The expanded value of the preference `name`. True with the value when it is set; false
  // (value untouched) when not, and the caller uses its default.
  [[nodiscard]] virtual bool GetPreference(const StringC& name, StringC* value) = 0;

  // The installed object, or null. Any thread may read it.
  static ProcessEnvironmentI* Get() noexcept;
  // Installs `provider` (not owned; null removes it). It must stay valid until it is
  // replaced or removed, and every call must be over by then.
  static void Set(ProcessEnvironmentI* provider) noexcept;

 protected:
  ~ProcessEnvironmentI() = default;
};

#endif  // QLM_OS_PROCESSENVIRONMENTI_H_
