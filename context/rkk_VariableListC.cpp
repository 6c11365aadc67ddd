#include "context/rkk_VariableListC.h"

#include <cstring>
#include <memory>

char** rkk_VariableListC::s_asEnviron = nullptr;

rkk_VariableListC::rkk_VariableListC() noexcept : rkk_ListC(true, true) {}

rkk_VariableListC::~rkk_VariableListC() {
  for (;;) {
    IteratorC it(*this);
    if (it.AtEnd()) break;
    auto* variable = static_cast<rkk_VariableC*>(it.Current());
    // The variable was taken from this list, so it is in it.
    (void)rkk_ListC::Remove(variable);
    delete variable;
  }
}

int rkk_VariableListC::Compare(const void* a, const void* b) const noexcept {
  const auto* x = static_cast<const rkk_VariableC*>(a);
  const auto* y = static_cast<const rkk_VariableC*>(b);
  const int byName = std::strcmp(x->GetName(), y->GetName());
  if (byName != 0) return byName < 0 ? -1 : 1;
  if (x->IsOverride() != y->IsOverride()) return x->IsOverride() ? -1 : 1;
  if (x->IsExported() != y->IsExported()) return x->IsExported() ? 1 : -1;
  return 0;
}

bool rkk_VariableListC::Add(rkk_VariableC* variable) {
  std::unique_ptr<rkk_VariableC> owned(variable);
  if (!rkk_ListC::Add(owned.get())) return false;
  // The list owns the variable now.
  (void)owned.release();
  return true;
}

bool rkk_VariableListC::Remove(rkk_VariableC* variable) noexcept {
  if (variable == nullptr || !rkk_ListC::Remove(variable)) return false;
  delete variable;
  return true;
}

bool rkk_VariableListC::AddVariable(const char* name, const char* value, bool exported,
                                    bool override) {
  return Add(new rkk_VariableC(name, value, exported, override));
}
