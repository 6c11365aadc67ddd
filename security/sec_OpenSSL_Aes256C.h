// sec_OpenSSL_Aes256C: AES-256 in CBC mode with standard block padding through OpenSSL.
#ifndef QLM_SECURITY_SEC_OPENSSL_AES256C_H_
#define QLM_SECURITY_SEC_OPENSSL_AES256C_H_

#include "security/sec_OpenSSL_AlgorithmC.h"

class sec_OpenSSL_Aes256C : public sec_OpenSSL_AlgorithmC {
 public:
  // Takes its key material from `generator` (held by reference) at once.
  explicit sec_OpenSSL_Aes256C(sec_KeyGeneratorC* generator);
};

#endif  // QLM_SECURITY_SEC_OPENSSL_AES256C_H_
