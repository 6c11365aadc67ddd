// A DWORD value: an unsigned 32-bit number. Text form: 8 lower-case hexadecimal digits.
#ifndef QLM_REGISTRY_DWORDREGVALUEC_H_
#define QLM_REGISTRY_DWORDREGVALUEC_H_

#include "registry/RegValueC.h"

class DwordRegValueC : public RegValueC {
 public:
  explicit DwordRegValueC(uint32_t value = 0) : RegValueC(4), value_(value) {}

  RegStatusC WriteRegistry(cmn_RegHandleT key, const StringC& name) override;
  RegStatusC ReadRegistry(cmn_RegHandleT key, const StringC& name) override;
  RegStatusC GetText(std::string* text) const override;
  // Parses hexadecimal digits (an optional "0x" prefix is accepted); REG_E_WRONG_TYPE when the
  // text is not a number that fits.
  RegStatusC SetFromText(const char* text) override;

  uint32_t Value() const noexcept { return value_; }
  void SetValue(uint32_t value) noexcept { value_ = value; }

 protected:
  ~DwordRegValueC() override = default;

 private:
  uint32_t value_;
};

#endif  // QLM_REGISTRY_DWORDREGVALUEC_H_
