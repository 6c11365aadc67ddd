// rkk_ProcessEnvironmentC: what the process layer asks of the layers above it when it starts
// external commands, answered by the deployment context and the preference files.
//
//   - a child's environment: the deployment context's environment merged into the process
//     environment with the variable list (MakeEnvironmentBlock);
//   - a setting of the "Environment" section of the task's preference files (GetPref);
//   - a preference's expanded value from the current context's environment.
//
// Install() makes one process-wide object the provider of ProcessEnvironmentI; Uninstall()
// removes it. Preference reads go to the context's environment, which belongs to the main
// thread: commands that read preferences are started on the main thread.
#ifndef QLM_CONTEXT_RKK_PROCESSENVIRONMENTC_H_
#define QLM_CONTEXT_RKK_PROCESSENVIRONMENTC_H_

#include "os/ProcessEnvironmentI.h"

class rkk_ProcessEnvironmentC final : public ProcessEnvironmentI {
 public:
  // Appends the child's "name=value" entries; always 0.
  [[nodiscard]] RcT MakeChildEnvironment(const rkk_VariableListC* variables,
                                         StringArrayC* entries) override;
  // The "Environment" section of the task's preference files (the process environment is
  // asked first, as for every lookup in that section).
  [[nodiscard]] bool FindEnvironmentSetting(const StringC& name, StringC* value) override;
  // The expanded value of `name` in the current context's environment, when it exists there.
  [[nodiscard]] bool GetPreference(const StringC& name, StringC* value) override;

  // Installs / removes the process-wide provider. Main thread, at start and end.
  static void Install() noexcept;
  static void Uninstall() noexcept;
};

#endif  // QLM_CONTEXT_RKK_PROCESSENVIRONMENTC_H_
