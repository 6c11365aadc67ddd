// env_FunctionI: a function object run on one parameter value.
//
// Parameters run these over their values (Apply, Find) and single-valued parameters keep one as
// their lazy evaluator. A parameter never owns the function objects handed to it.
#ifndef QLM_ENV_ENV_FUNCTIONI_H_
#define QLM_ENV_ENV_FUNCTIONI_H_

#include "base/StringC.h"

class env_FunctionI {
 public:
  virtual ~env_FunctionI();
  // Runs on `value`, which the function may change in place. The meaning of the result belongs
  // to the caller: Find stops on true; Apply ignores it. Must not throw.
  virtual bool Apply(StringC& value) = 0;
};

#endif  // QLM_ENV_ENV_FUNCTIONI_H_
