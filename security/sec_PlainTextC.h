// sec_PlainTextC: the identity "algorithm"; both directions copy the buffer.
#ifndef QLM_SECURITY_SEC_PLAINTEXTC_H_
#define QLM_SECURITY_SEC_PLAINTEXTC_H_

#include "security/sec_EncryptionAlgorithmC.h"

class sec_PlainTextC : public sec_EncryptionAlgorithmC {
 public:
  // A copy of `input`; never fails.
  std::unique_ptr<sec_BlobC> Encrypt(const sec_BlobC& input) override;
  std::unique_ptr<sec_BlobC> Decrypt(const sec_BlobC& input) override;
};

#endif  // QLM_SECURITY_SEC_PLAINTEXTC_H_
