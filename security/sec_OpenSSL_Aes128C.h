// sec_OpenSSL_Aes128C: AES-128 in CBC mode with standard block padding through OpenSSL.
#ifndef QLM_SECURITY_SEC_OPENSSL_AES128C_H_
#define QLM_SECURITY_SEC_OPENSSL_AES128C_H_

#include "security/sec_OpenSSL_AlgorithmC.h"

class sec_OpenSSL_Aes128C : public sec_OpenSSL_AlgorithmC {
 public:
  // Takes its key material from `generator` (held by reference) at once.
  explicit sec_OpenSSL_Aes128C(sec_KeyGeneratorC* generator);
};

#endif  // QLM_SECURITY_SEC_OPENSSL_AES128C_H_
