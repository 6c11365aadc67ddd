// sec_EmptyC: the "algorithm" that forgets its input; both directions give one zero byte
// (the empty text).
#ifndef QLM_SECURITY_SEC_EMPTYC_H_
#define QLM_SECURITY_SEC_EMPTYC_H_

#include "security/sec_EncryptionAlgorithmC.h"

class sec_EmptyC : public sec_EncryptionAlgorithmC {
 public:
  // A buffer of one zero byte; never fails.
  std::unique_ptr<sec_BlobC> Encrypt(const sec_BlobC& input) override;
  std::unique_ptr<sec_BlobC> Decrypt(const sec_BlobC& input) override;
};

#endif  // QLM_SECURITY_SEC_EMPTYC_H_
