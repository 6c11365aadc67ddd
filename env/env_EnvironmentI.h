// env_EnvironmentI: a case-insensitive map of names to parameters with an optional parent.
//
// Names are compared ignoring case (StringC::CompareNoCase); walks visit names in ascending
// order of that comparison. No operation reports errors. Not thread-safe: the environment is
// used from one thread at a time.
#ifndef QLM_ENV_ENV_ENVIRONMENTI_H_
#define QLM_ENV_ENV_ENVIRONMENTI_H_

#include <cstdint>

#include "base/StringC.h"
#include "env/RklEnvParamI.h"
#include "env/env_EnvOptsC.h"
#include "env/env_OptFunctionI.h"

class env_EnvironmentI {
 public:
  virtual ~env_EnvironmentI();

  // True when a parameter of that name is present.
  virtual bool Exists(const StringC& name) const = 0;
  // Sets the single value of `name` (creating the parameter without flags when missing). When
  // lock checking is on and `name` is present, a companion "<name>Fixed" or else "<name>Fxd"
  // reading as true (ParseBool, fallback false) refuses the change: returns false and changes
  // nothing. Otherwise returns true.
  virtual bool SetValue(const StringC& name, const StringC& value) = 0;
  // The parameter named key.GetName(); created from `key` (name and flags) when missing. The
  // key's flags are ignored for a present parameter. The reference stays valid until the
  // parameter is removed or the environment destroyed.
  virtual RklEnvParamI& GetParam(const env_EnvOptsC& key) = 0;
  // The parameter named key.GetName(), or env_ParamRefC::Null() - the shared read-only empty
  // parameter - when missing. Nothing is created.
  virtual RklEnvParamI& FindParam(const env_EnvOptsC& key) = 0;
  // Removes and destroys the parameter of that name, if any.
  virtual void Remove(const StringC& name) = 0;
  // Starting at the current context's environment, copies every value of its parameter for
  // `key` (created there when missing) into each ancestor, from the parent upwards, with the
  // ancestor's GetParam(key).AddValue. Nothing happens when that environment has no parent.
  virtual void Propagate(const env_EnvOptsC& key) = 0;
  // GetParam(key).SetValue(value) in every environment from the current context's environment
  // up to the root.
  virtual void SetInAll(const env_EnvOptsC& key, const StringC& value) = 0;
  // Sets the bits of `mask` on the parameter key.GetKey() in every environment of the chain
  // that has it.
  virtual void SetOptionInAll(const env_EnvOptsC& key, uint64_t mask) = 0;
  // Visits the parameters in ascending name order until the end or until the visitor returns
  // false.
  virtual void ForEach(env_OptFunctionI& visitor) = 0;
  // Turns lock checking (see SetValue) on or off.
  virtual void SetLockCheck(bool on) = 0;
  // The parent environment, or null for a root.
  virtual env_EnvironmentI* GetParent() const = 0;
  // Number of parameters.
  virtual int GetCount() const = 0;
};

#endif  // QLM_ENV_ENV_ENVIRONMENTI_H_
