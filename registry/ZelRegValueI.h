// The interface of a typed registry value (IID_ZelRegValue).
#ifndef QLM_REGISTRY_ZELREGVALUEI_H_
#define QLM_REGISTRY_ZELREGVALUEI_H_

#include <string>

#include "base/StringC.h"
#include "cmn/cmn_RegistryI.h"
#include "registry/RegStatusC.h"
#include "registry/ZelUnknownI.h"

class ZelRegValueI : public ZelUnknownI {
 public:
  // Stores this value as `name` under the open key `key`. On failure the stored value is
  // unchanged (the store writes atomically).
  virtual RegStatusC WriteRegistry(cmn_RegHandleT key, const StringC& name) = 0;
  // Replaces this object's value with the stored value `name` of `key`, which must have this
  // object's type (REG_E_WRONG_TYPE otherwise). On failure the object is unchanged.
  virtual RegStatusC ReadRegistry(cmn_RegHandleT key, const StringC& name) = 0;
  // The value's text form (see each value class).
  virtual RegStatusC GetText(std::string* text) const = 0;
  // Sets the value from its text form.
  virtual RegStatusC SetFromText(const char* text) = 0;

 protected:
  ~ZelRegValueI() = default;
};

#endif  // QLM_REGISTRY_ZELREGVALUEI_H_
