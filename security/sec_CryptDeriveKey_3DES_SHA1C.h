// sec_CryptDeriveKey_3DES_SHA1C: a 24-byte three-key DES key derived from the inner
// generator's material with SHA-1, in the manner of the classic "derive key from hash"
// scheme: hash the material; when the digest is shorter than the key, hash the digest
// exclusive-ored into a 64-byte block of 0x36 and into one of 0x5C, and take the key from
// the two digests joined.
#ifndef QLM_SECURITY_SEC_CRYPTDERIVEKEY_3DES_SHA1C_H_
#define QLM_SECURITY_SEC_CRYPTDERIVEKEY_3DES_SHA1C_H_

#include <memory>

#include "security/sec_KeyGeneratorDecoratorC.h"

class sec_CryptDeriveKey_3DES_SHA1C : public sec_KeyGeneratorDecoratorC {
 public:
  static constexpr int c_KeyLength = 24;

  // Holds a reference to `inner`.
  explicit sec_CryptDeriveKey_3DES_SHA1C(sec_KeyGeneratorC* inner) noexcept;

  // The 24-byte key, or null when the inner generator or a digest failed (the digest failure
  // is traced and reported through sec_ReportOpenSSLFailure). Intermediate digests and the
  // inner material are wiped.
  std::unique_ptr<sec_BlobC> Generate() override;

 protected:
  ~sec_CryptDeriveKey_3DES_SHA1C() override;
};

#endif  // QLM_SECURITY_SEC_CRYPTDERIVEKEY_3DES_SHA1C_H_
