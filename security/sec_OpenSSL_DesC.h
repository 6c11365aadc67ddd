// sec_OpenSSL_DesC: single DES in ECB mode with zero padding (legacy; the password encryption
// refuses it) through OpenSSL.
#ifndef QLM_SECURITY_SEC_OPENSSL_DESC_H_
#define QLM_SECURITY_SEC_OPENSSL_DESC_H_

#include "security/sec_OpenSSL_AlgorithmC.h"

class sec_OpenSSL_DesC : public sec_OpenSSL_AlgorithmC {
 public:
  // Takes its key material from `generator` (held by reference) at once.
  explicit sec_OpenSSL_DesC(sec_KeyGeneratorC* generator);
};

#endif  // QLM_SECURITY_SEC_OPENSSL_DESC_H_
