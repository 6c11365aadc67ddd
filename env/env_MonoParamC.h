// env_MonoParamC: a single-valued parameter - a key and one string (initially empty).
#ifndef QLM_ENV_ENV_MONOPARAMC_H_
#define QLM_ENV_ENV_MONOPARAMC_H_

#include "env/RklEnvParamI.h"

class env_MonoParamC : public RklEnvParamI {
 public:
  explicit env_MonoParamC(const env_EnvOptsC& key);
  env_MonoParamC(const env_MonoParamC& other) = default;
  env_MonoParamC& operator=(const env_MonoParamC& other) = default;
  ~env_MonoParamC() override;

  void SetValue(const StringC& value) override;
  StringC GetValue() override;
  bool AddValue(const StringC& value) override;
  void RemoveValue() override;
  void MoveFirst() override {}
  void MoveEnd() override {}
  void MoveNext() override {}
  void MovePrev() override {}
  bool IsFirst() const override { return true; }
  bool IsLast() const override { return true; }
  bool IsEmpty() const override;
  int GetCount() const override;
  void Apply(env_FunctionI& function) override;
  bool Find(env_FunctionI& function) override;
  const env_EnvOptsC& GetOptions() const override { return key_; }
  env_EnvOptsC& GetOptions() override { return key_; }

  // The stored value as it is, without computing a pending lazy value.
  const StringC& RawValue() const noexcept { return value_; }

 protected:
  env_EnvOptsC key_;
  StringC value_;
};

#endif  // QLM_ENV_ENV_MONOPARAMC_H_
