// sec_OpenSSL_3DesC: three-key DES (EDE) in CBC mode with standard block padding through
// OpenSSL (legacy; the password encryption refuses it).
#ifndef QLM_SECURITY_SEC_OPENSSL_3DESC_H_
#define QLM_SECURITY_SEC_OPENSSL_3DESC_H_

#include "security/sec_OpenSSL_AlgorithmC.h"

class sec_OpenSSL_3DesC : public sec_OpenSSL_AlgorithmC {
 public:
  // Takes its key material from `generator` (held by reference) at once. With `compatible`,
  // the key is derived from the generator's material by sec_CryptDeriveKey_3DES_SHA1C (and
  // the IV is then all zeros, the derived key being exactly 24 bytes).
  sec_OpenSSL_3DesC(sec_KeyGeneratorC* generator, bool compatible);

 private:
  // `generator`, or a new derivation over it when `compatible`.
  static sec_KeyGeneratorC* Wrap(sec_KeyGeneratorC* generator, bool compatible);
};

#endif  // QLM_SECURITY_SEC_OPENSSL_3DESC_H_
