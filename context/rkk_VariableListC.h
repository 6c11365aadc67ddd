// rkk_VariableListC: the sorted, unique list of variables handed to a child process. It owns
// its variables. Order: by name (strcmp); for equal names the one with override set first, then
// the one with exported clear. Two variables compare equal only when name and both flags match.
#ifndef QLM_CONTEXT_RKK_VARIABLELISTC_H_
#define QLM_CONTEXT_RKK_VARIABLELISTC_H_

#include "context/rkk_ListC.h"
#include "context/rkk_VariableC.h"
#include "env/env_VariableSinkI.h"

class rkk_VariableListC : public rkk_ListC, public env_VariableSinkI {
 public:
  rkk_VariableListC() noexcept;
  // Destroys every variable.
  ~rkk_VariableListC() override;

  // A replacement for the process environment array used as the base of environment blocks
  // (null: the process's own environment). Not owned; must stay valid while blocks are made.
  static char** s_asEnviron;

  int Compare(const void* a, const void* b) const noexcept override;

  // Takes ownership of `variable`: stores it, or destroys it when an equal one is present.
  // Returns true when stored. Null is ignored.
  bool Add(rkk_VariableC* variable);
  // Removes and destroys `variable` when the list holds it; true when it did.
  bool Remove(rkk_VariableC* variable) noexcept;
  // Adds a new variable made of copies of `name` and `value` (env_VariableSinkI).
  bool AddVariable(const char* name, const char* value, bool exported, bool override) override;
};

#endif  // QLM_CONTEXT_RKK_VARIABLELISTC_H_
