// sec_PBKDF2_HMAC_SHA256_KeyGeneratorC: PBKDF2 with HMAC-SHA-256, 1000 iterations and a
// one-byte salt, over the material of the inner generator. The output (key, then IV) has the
// length given at construction.
#ifndef QLM_SECURITY_SEC_PBKDF2_HMAC_SHA256_KEYGENERATORC_H_
#define QLM_SECURITY_SEC_PBKDF2_HMAC_SHA256_KEYGENERATORC_H_

#include <memory>

#include "security/sec_KeyGeneratorDecoratorC.h"

class sec_PBKDF2_HMAC_SHA256_KeyGeneratorC : public sec_KeyGeneratorDecoratorC {
 public:
  static constexpr int c_Iterations = 1000;

  // Holds a reference to `inner`; derives `length` bytes with `salt`.
  sec_PBKDF2_HMAC_SHA256_KeyGeneratorC(sec_KeyGeneratorC* inner, int length,
                                       unsigned char salt) noexcept;

  // The derived bytes, or null when the inner generator or the derivation failed (traced
  // "PBKDF2-HMAC-SHA256 failed"). The inner material is wiped.
  std::unique_ptr<sec_BlobC> Generate() override;

 protected:
  ~sec_PBKDF2_HMAC_SHA256_KeyGeneratorC() override;

 private:
  int length_;
  unsigned char salt_;
};

#endif  // QLM_SECURITY_SEC_PBKDF2_HMAC_SHA256_KEYGENERATORC_H_
