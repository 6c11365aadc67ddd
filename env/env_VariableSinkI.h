// env_VariableSinkI: where environment walks deliver name-value variables. The deployment
// context's variable list (rkk_VariableListC) is the implementation; the environment layer only
// sees this interface, since it sits below the context layer.
#ifndef QLM_ENV_ENV_VARIABLESINKI_H_
#define QLM_ENV_ENV_VARIABLESINKI_H_

class env_VariableSinkI {
 public:
  virtual ~env_VariableSinkI();
  // Adds a variable. `name` and `value` are NUL-terminated texts in the system 8-bit encoding,
  // copied by the sink (`value` may be null: no value). `exported` and `override` are the
  // variable's two flags. Returns false when the sink already held an equal variable and did
  // not add this one. Must not throw (out of memory terminates).
  virtual bool AddVariable(const char* name, const char* value, bool exported, bool override) = 0;
};

#endif  // QLM_ENV_ENV_VARIABLESINKI_H_
