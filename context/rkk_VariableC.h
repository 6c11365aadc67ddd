// rkk_VariableC: an environment variable for a child process - name, value and two flags.
// Exported variables go into the child's environment; override (only ever set together with
// exported) makes the variable replace an inherited one of the same name.
#ifndef QLM_CONTEXT_RKK_VARIABLEC_H_
#define QLM_CONTEXT_RKK_VARIABLEC_H_

#include "context/rkk_TagC.h"

class rkk_VariableC : public rkk_TagC {
 public:
  // Stores `exported`, and `exported && override` as the override flag.
  rkk_VariableC(const char* name, const char* value, bool exported, bool override);
  ~rkk_VariableC() override;

  bool IsExported() const noexcept { return exported_; }
  bool IsOverride() const noexcept { return override_; }

 private:
  bool exported_;
  bool override_;
};

#endif  // QLM_CONTEXT_RKK_VARIABLEC_H_
