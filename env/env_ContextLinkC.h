// env_ContextLinkC: how the environment layer reaches the environment of the current
// deployment context, from which the chain operations (SetInAll, SetOptionInAll, Propagate)
// and the lazy evaluation start. The context layer, which sits above this one, installs the
// source when it is linked into the program; without a source there is no current
// environment and the chain operations start at the environment they are called on.
#ifndef QLM_ENV_ENV_CONTEXTLINKC_H_
#define QLM_ENV_ENV_CONTEXTLINKC_H_

class env_EnvironmentI;

class env_ContextLinkC {
 public:
  // Returns the current context's environment (creating the context when none exists), or
  // null when the context holds no environment.
  using SourceFn = env_EnvironmentI* (*)() noexcept;

  // Installs `source` (null removes it). Called once at start by the context layer.
  static void SetSource(SourceFn source) noexcept;
  // The current context's environment, or null (no source, or the context has none).
  static env_EnvironmentI* CurrentEnvironment() noexcept;
};

#endif  // QLM_ENV_ENV_CONTEXTLINKC_H_
