// env_FilteredMonoParamC: the single-valued parameter that environments create. It adds lazy
// evaluation: while the key has lazy_evaluation, the value is computed on the first read by a
// stored function object (the evaluator).
//
// States: pending (flag set, evaluator stored or not) and computed (flag clear, value stored).
// The first GetValue() or any SetValue() moves the parameter to computed.
//
// The evaluator is not owned; copies of the parameter share it, so it must outlive every copy
// that may still be read while pending.
#ifndef QLM_ENV_ENV_FILTEREDMONOPARAMC_H_
#define QLM_ENV_ENV_FILTEREDMONOPARAMC_H_

#include "env/env_MonoParamC.h"

class env_FilteredMonoParamC : public env_MonoParamC {
 public:
  explicit env_FilteredMonoParamC(const env_EnvOptsC& key);
  // Copies name, flags, value and the (shared) evaluator.
  env_FilteredMonoParamC(const env_FilteredMonoParamC& other);
  env_FilteredMonoParamC& operator=(const env_FilteredMonoParamC&) = delete;
  ~env_FilteredMonoParamC() override;

  // Clears lazy_evaluation, then stores `value`.
  void SetValue(const StringC& value) override;
  // When pending: starts from the empty string, lets the evaluator (if any) write the result
  // into it, stores the result here and in every environment of the current context chain
  // (SetInAll), which also clears the flag there. Returns the stored value. A read made by the
  // evaluator itself while it runs returns the value stored so far.
  StringC GetValue() override;
  // While pending and without an evaluator, stores `function` as the evaluator and does not
  // run it; otherwise runs it on the value.
  void Apply(env_FunctionI& function) override;

  env_FunctionI* GetEvaluator() const noexcept { return evaluator_; }

 private:
  env_FunctionI* evaluator_ = nullptr;  // not owned
  bool evaluating_ = false;             // guards against an evaluator reading its own name
};

#endif  // QLM_ENV_ENV_FILTEREDMONOPARAMC_H_
