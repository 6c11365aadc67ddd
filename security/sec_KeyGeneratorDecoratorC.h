// sec_KeyGeneratorDecoratorC: a key generator that transforms the material of an inner
// generator (key derivation). The plain decorator hands the inner material on unchanged.
#ifndef QLM_SECURITY_SEC_KEYGENERATORDECORATORC_H_
#define QLM_SECURITY_SEC_KEYGENERATORDECORATORC_H_

#include <memory>

#include "cmn/cmn_OpenSSLI.h"
#include "security/sec_KeyGeneratorC.h"
#include "security/sec_RefM.h"

class sec_KeyGeneratorDecoratorC : public sec_KeyGeneratorC {
 public:
  // Holds a reference to `inner` (may be null: Generate then fails).
  explicit sec_KeyGeneratorDecoratorC(sec_KeyGeneratorC* inner) noexcept;

  // The inner generator's material, or null when there is no inner generator or it failed.
  std::unique_ptr<sec_BlobC> Generate() override;

 protected:
  ~sec_KeyGeneratorDecoratorC() override;

  // PBKDF2 with HMAC over `digest` of the inner material, `iterations` rounds, the one-byte
  // `salt`, `length` bytes out. `name` is the derivation's name in the traces
  // ("PBKDF2-HMAC-SHA1"). Null on failure (traced).
  std::unique_ptr<sec_BlobC> DerivePbkdf2(const char* name, const EVP_MD* digest, int iterations,
                                          unsigned char salt, int length);

 private:
  sec_RefM<sec_KeyGeneratorC> inner_;
};

#endif  // QLM_SECURITY_SEC_KEYGENERATORDECORATORC_H_
