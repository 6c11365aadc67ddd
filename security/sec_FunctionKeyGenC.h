// sec_FunctionKeyGenC: key material from a function that returns a newly allocated copy of
// it (allocated with new[]) and sets its length, e.g. RKEncryptionC::GetConfigFileHeader.
#ifndef QLM_SECURITY_SEC_FUNCTIONKEYGENC_H_
#define QLM_SECURITY_SEC_FUNCTIONKEYGENC_H_

#include <cstddef>
#include <memory>

#include "security/sec_KeyGeneratorC.h"

class sec_FunctionKeyGenC : public sec_KeyGeneratorC {
 public:
  // Returns new[]-allocated bytes (or null on failure) and sets `length` to how many of them
  // are key material.
  using FunctionT = char* (*)(size_t& length);

  explicit sec_FunctionKeyGenC(FunctionT function) noexcept;

  // Calls the function, copies `length` bytes into a new buffer, wipes and frees the
  // function's copy. Null when there is no function or it returned null.
  std::unique_ptr<sec_BlobC> Generate() override;

 protected:
  ~sec_FunctionKeyGenC() override;

 private:
  FunctionT function_;
};

#endif  // QLM_SECURITY_SEC_FUNCTIONKEYGENC_H_
