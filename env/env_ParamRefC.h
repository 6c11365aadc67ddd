// env_ParamRefC: what an environment stores under a name - an owned filtered parameter
// (env_FilteredMultiParamC for a key with values_multi, else env_FilteredMonoParamC) to which
// every operation is forwarded.
//
// AddValue on a single value whose key has gained values_multi first grows it into a list (see
// AddValue). Destroying the reference destroys the parameter.
#ifndef QLM_ENV_ENV_PARAMREFC_H_
#define QLM_ENV_ENV_PARAMREFC_H_

#include <memory>

#include "env/RklEnvParamI.h"

class env_ParamRefC : public RklEnvParamI {
 public:
  // A new parameter named and flagged after `key`.
  explicit env_ParamRefC(const env_EnvOptsC& key);
  env_ParamRefC(const env_ParamRefC&) = delete;
  env_ParamRefC& operator=(const env_ParamRefC&) = delete;
  ~env_ParamRefC() override;

  // The shared, read-only empty single-valued parameter (empty name, no flags) that lookups
  // return for absent names. Writes to it are ignored, so it stays empty for every reader.
  static env_ParamRefC& Null() noexcept;

  // A deep copy: a single value is copied with name, flags, value and the same evaluator; a
  // list is rebuilt as a new filtered list with the same name and flags to which every value
  // is added in order with AddValue (so the list's filters apply), positioned on its first
  // value. Lazy values are copied as they are, without computing them.
  std::unique_ptr<env_ParamRefC> Clone() const;

  bool IsMulti() const noexcept { return multi_; }

  void SetValue(const StringC& value) override;
  StringC GetValue() override;
  // When the held parameter is single-valued and its key (read now) has values_multi, it is
  // first replaced by a filtered list with the same name and flags whose only value is the old
  // current value (even an empty one), positioned on it. Then forwards AddValue.
  bool AddValue(const StringC& value) override;
  void RemoveValue() override;
  void MoveFirst() override;
  void MoveEnd() override;
  void MoveNext() override;
  void MovePrev() override;
  bool IsFirst() const override;
  bool IsLast() const override;
  bool IsEmpty() const override;
  int GetCount() const override;
  void Apply(env_FunctionI& function) override;
  bool Find(env_FunctionI& function) override;
  const env_EnvOptsC& GetOptions() const override;
  env_EnvOptsC& GetOptions() override;

 private:
  struct NullTag {};
  explicit env_ParamRefC(NullTag);

  bool multi_ = false;
  bool read_only_ = false;
  std::unique_ptr<RklEnvParamI> param_;
  env_EnvOptsC scratch_key_;  // handed out for changing by the read-only reference
};

#endif  // QLM_ENV_ENV_PARAMREFC_H_
