// sec_EncryptionAlgorithmC: one way of turning bytes into cipher text and back.
//
// Algorithms are owned plainly (std::unique_ptr), not counted. An algorithm may hold a
// counted reference to the key generator it takes its key material from. One object is used
// from one thread at a time.
#ifndef QLM_SECURITY_SEC_ENCRYPTIONALGORITHMC_H_
#define QLM_SECURITY_SEC_ENCRYPTIONALGORITHMC_H_

#include <memory>

#include "security/sec_BlobC.h"
#include "security/sec_KeyGeneratorC.h"
#include "security/sec_RefM.h"

class sec_EncryptionAlgorithmC {
 public:
  // Holds a reference to `generator` (may be null).
  explicit sec_EncryptionAlgorithmC(sec_KeyGeneratorC* generator = nullptr) noexcept;
  virtual ~sec_EncryptionAlgorithmC();

  sec_EncryptionAlgorithmC(const sec_EncryptionAlgorithmC&) = delete;
  sec_EncryptionAlgorithmC& operator=(const sec_EncryptionAlgorithmC&) = delete;

  // Encrypts `input`. Success: a new buffer with the result, owned by the caller. Failure:
  // null, with the reason traced and, where there is a code for it, reported to the calling
  // thread's error buffer. `input` is not changed. Does not block.
  virtual std::unique_ptr<sec_BlobC> Encrypt(const sec_BlobC& input) = 0;
  // Decrypts `input`; success and failure as for Encrypt.
  virtual std::unique_ptr<sec_BlobC> Decrypt(const sec_BlobC& input) = 0;
  // True when the algorithm can run on this machine (its cipher and key material are there).
  // The default is true.
  virtual bool IsAvailable() const noexcept;

 protected:
  sec_KeyGeneratorC* Generator() const noexcept { return generator_.Get(); }

 private:
  sec_RefM<sec_KeyGeneratorC> generator_;
};

#endif  // QLM_SECURITY_SEC_ENCRYPTIONALGORITHMC_H_
