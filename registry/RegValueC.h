// RegValueC: the reference-counted base of the typed registry values. It holds the value's
// type code and does the generic reads and writes through the configuration store.
#ifndef QLM_REGISTRY_REGVALUEC_H_
#define QLM_REGISTRY_REGVALUEC_H_

#include <atomic>
#include <cstdint>
#include <vector>

#include "registry/ZelRegValueI.h"

class RegValueC : public ZelRegValueI {
 public:
  [[nodiscard]] RcT QueryInterface(const GuidC& iid, void** out) noexcept override;
  uint32_t AddRef() noexcept override;
  uint32_t Release() noexcept override;

  uint32_t Type() const noexcept { return type_; }

  // "SZ" 1, "EXPAND_SZ" 2, "BINARY" 3, "DWORD" 4, "MULTI_SZ" 7 (ASCII case ignored); 0 else.
  static uint32_t TypeCode(const char* name) noexcept;
  // The name of a type code, "" for others.
  static const char* TypeName(uint32_t code) noexcept;

 protected:
  explicit RegValueC(uint32_t type) noexcept : type_(type) {}
  virtual ~RegValueC();

  // Reads `name` of `key`, which must be of `expected_type`, into *buffer (at least one byte,
  // the first set to 0 before the read).
  RegStatusC GenericRead(cmn_RegHandleT key, const StringC& name, uint32_t expected_type,
                         std::vector<uint8_t>* buffer) const;
  // Writes `size` bytes of `data` as `name` of `key` with `type`.
  RegStatusC GenericWrite(cmn_RegHandleT key, const StringC& name, uint32_t type, const void* data,
                          size_t size) const;

  uint32_t type_;

 private:
  std::atomic<uint32_t> refs_{0};
};

#endif  // QLM_REGISTRY_REGVALUEC_H_
