// sec_PwdEncryptionC: password encryption into the tagged, printable stored form.
//
// Encrypt gives "!A1" or "!A2" (the algorithm's tag), the Base64 of the cipher text and a
// terminating zero. Decrypt reads the tag, refuses the insecure "!D1" (DES-56) and "!D3"
// (3DES) and unknown tags, and decrypts the rest. Algorithm numbers: 1 is AES-128 (PBKDF2
// with HMAC-SHA-1, 2048 rounds, 16-byte key then 16-byte IV), 2 is AES-256 (PBKDF2 with
// HMAC-SHA-256, 1000 rounds, 32-byte key then 16-byte IV), 0 none.
//
// The last algorithm used in each direction is kept with its number, so the key is derived
// once per direction and algorithm, not once per call. One object is used from one thread at
// a time.
#ifndef QLM_SECURITY_SEC_PWDENCRYPTIONC_H_
#define QLM_SECURITY_SEC_PWDENCRYPTIONC_H_

#include <memory>

#include "security/sec_Base64C.h"
#include "security/sec_EncryptionAlgorithmC.h"

class sec_PwdEncryptionC : public sec_EncryptionAlgorithmC {
 public:
  static constexpr int c_None = 0;
  static constexpr int c_Aes128 = 1;
  static constexpr int c_Aes256 = 2;

  // `preferred` is the algorithm number to encrypt with (falling back to lower numbers);
  // `generator` (held by reference) gives the secret the keys are derived from, `salt` the
  // derivations' one-byte salt.
  sec_PwdEncryptionC(int preferred, sec_KeyGeneratorC* generator, unsigned char salt);
  ~sec_PwdEncryptionC() override;

  // Encrypts `input` (the password's bytes and a terminating zero) into the stored form with
  // its terminating zero. Failure: null, with the specific reason reported first and then
  // SEC_E_ENCRYPT, the last entry in the thread's error buffer. Errors of algorithms that were
  // tried and found unavailable are removed from the buffer when a later one works.
  std::unique_ptr<sec_BlobC> Encrypt(const sec_BlobC& input) override;
  // Decrypts a stored form (text up to its first zero byte) into the plain bytes, which end
  // with the zero byte that was encrypted. One zero byte in gives one zero byte out (the
  // empty password). Failure: null, the reason reported and then SEC_E_DECRYPT.
  std::unique_ptr<sec_BlobC> Decrypt(const sec_BlobC& input) override;

  // A new algorithm for `number` over `generator` with `salt`; null for an unknown number.
  // The algorithm may be unavailable (check IsAvailable).
  static std::unique_ptr<sec_EncryptionAlgorithmC> CreateAlgorithm(int number,
                                                                   sec_KeyGeneratorC* generator,
                                                                   unsigned char salt);

 private:
  // Chooses and caches the encryption algorithm; false when none is available (reported).
  bool SelectEncryption();
  std::unique_ptr<sec_BlobC> EncryptTagged(const sec_BlobC& input);
  std::unique_ptr<sec_BlobC> DecryptTagged(const sec_BlobC& input);

  int preferred_;
  unsigned char salt_;
  std::unique_ptr<sec_EncryptionAlgorithmC> encryption_;
  int encryption_number_ = c_None;
  std::unique_ptr<sec_EncryptionAlgorithmC> decryption_;
  int decryption_number_ = c_None;
  sec_Base64C encoder_;
};

#endif  // QLM_SECURITY_SEC_PWDENCRYPTIONC_H_
