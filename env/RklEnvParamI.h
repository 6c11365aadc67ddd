// RklEnvParamI: a configuration parameter - one value or an ordered list of values with a
// current position - together with its key (name and option flags).
//
// Single-valued parameters treat the position operations as no-ops; lists keep one position
// that is shared by every user of the parameter. "No current value" means the position is past
// the last value. No operation reports errors; refusals are visible in the bool results.
// Not thread-safe: one thread at a time.
#ifndef QLM_ENV_RKLENVPARAMI_H_
#define QLM_ENV_RKLENVPARAMI_H_

#include "base/StringC.h"
#include "env/env_EnvOptsC.h"
#include "env/env_FunctionI.h"

class RklEnvParamI {
 public:
  virtual ~RklEnvParamI();

  // Single value: replaces it. List: replaces the current value (subject to the list's
  // filters); with no current value, appends.
  virtual void SetValue(const StringC& value) = 0;
  // Single value: the value (computing it first when it is lazily evaluated). List: the current
  // value, or the empty string when there is none.
  virtual StringC GetValue() = 0;
  // Single value: stores `value` only when the parameter is empty; true when stored. List:
  // appends `value` as the new last value (subject to the filters) and moves past the end;
  // true when stored.
  virtual bool AddValue(const StringC& value) = 0;
  // Single value: empties it. List: removes the current value; the position goes to the new
  // first value when it was the first, else to the value before it.
  virtual void RemoveValue() = 0;
  // List positioning; no-ops on single values. MoveNext stays on the last value; MovePrev
  // stays on the first; neither moves without a current value.
  virtual void MoveFirst() = 0;
  virtual void MoveEnd() = 0;
  virtual void MoveNext() = 0;
  virtual void MovePrev() = 0;
  // Single value: always true. List: empty or on the first value.
  virtual bool IsFirst() const = 0;
  // Single value: always true. List: empty, no current value, or on the last value.
  virtual bool IsLast() const = 0;
  // Single value: the value is empty. List: no values.
  virtual bool IsEmpty() const = 0;
  // Single value: 1 when not empty, else 0. List: the number of values.
  virtual int GetCount() const = 0;
  // Runs `function` on the value, or on every value in order and then MoveFirst(). The function
  // may change the values in place.
  virtual void Apply(env_FunctionI& function) = 0;
  // Single value: the function's result on the value. List: from the current value onwards,
  // stops on the first value for which `function` is true and returns true; otherwise
  // MoveEnd() and false.
  virtual bool Find(env_FunctionI& function) = 0;
  // The key (name and flags), for reading.
  virtual const env_EnvOptsC& GetOptions() const = 0;
  // The key, for changing flags. The name must not be changed while the parameter is stored in
  // an environment (environments keep their own copy of the name for lookups).
  virtual env_EnvOptsC& GetOptions() = 0;
};

#endif  // QLM_ENV_RKLENVPARAMI_H_
