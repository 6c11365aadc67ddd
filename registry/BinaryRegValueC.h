// A BINARY value: a byte buffer. Text form: two upper-case hexadecimal digits per byte; reading
// it, an odd final digit is read alone.
#ifndef QLM_REGISTRY_BINARYREGVALUEC_H_
#define QLM_REGISTRY_BINARYREGVALUEC_H_

#include <cstdint>
#include <vector>

#include "registry/RegValueC.h"

class BinaryRegValueC : public RegValueC {
 public:
  BinaryRegValueC() : RegValueC(3) {}
  explicit BinaryRegValueC(std::vector<uint8_t> bytes) : RegValueC(3), bytes_(std::move(bytes)) {}

  RegStatusC WriteRegistry(cmn_RegHandleT key, const StringC& name) override;
  RegStatusC ReadRegistry(cmn_RegHandleT key, const StringC& name) override;
  RegStatusC GetText(std::string* text) const override;
  // REG_E_WRONG_TYPE when a character is not a hexadecimal digit.
  RegStatusC SetFromText(const char* text) override;

  const std::vector<uint8_t>& Bytes() const noexcept { return bytes_; }

 protected:
  ~BinaryRegValueC() override = default;

 private:
  std::vector<uint8_t> bytes_;
};

#endif  // QLM_REGISTRY_BINARYREGVALUEC_H_
