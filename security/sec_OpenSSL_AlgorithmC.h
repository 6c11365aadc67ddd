// sec_OpenSSL_AlgorithmC: an encryption algorithm run by an OpenSSL EVP cipher.
//
// The key material is asked from the generator once, at construction, and kept (wiped when
// the algorithm is destroyed): the key is its start and the IV follows the key when the
// material is long enough for both, otherwise the IV is all zeros. With the zero-padding flag
// the cipher's own padding is off and the input is filled up with zero bytes to a whole number
// of blocks (decryption then keeps those zeros); without it the cipher's standard block
// padding is used.
#ifndef QLM_SECURITY_SEC_OPENSSL_ALGORITHMC_H_
#define QLM_SECURITY_SEC_OPENSSL_ALGORITHMC_H_

#include <memory>

#include "cmn/cmn_OpenSSLI.h"
#include "security/sec_EncryptionAlgorithmC.h"

class sec_OpenSSL_AlgorithmC : public sec_EncryptionAlgorithmC {
 public:
  // Largest key, IV and block the algorithm accepts, in bytes.
  static constexpr int c_MaxKeyLength = 32;
  static constexpr int c_MaxIvLength = 16;
  static constexpr int c_MaxBlockSize = 16;

  ~sec_OpenSSL_AlgorithmC() override;

  // Failure: the failing EVP call and OpenSSL's queued errors are reported (see
  // sec_ReportOpenSSLFailure). Input longer than OpenSSL's int lengths allow fails too.
  std::unique_ptr<sec_BlobC> Encrypt(const sec_BlobC& input) override;
  std::unique_ptr<sec_BlobC> Decrypt(const sec_BlobC& input) override;
  // True when the cipher was accepted and the key material covers at least its key.
  bool IsAvailable() const noexcept override;

 protected:
  // Accepts `cipher` (null: not available) only when its key, IV and block sizes are within
  // the limits above, then takes the key material from `generator` (held by reference).
  // Material shorter than the cipher's key is dropped: the algorithm is then not available.
  sec_OpenSSL_AlgorithmC(sec_KeyGeneratorC* generator, const EVP_CIPHER* cipher, bool zero_padding);

 private:
  std::unique_ptr<sec_BlobC> Run(bool encrypt, const sec_BlobC& input);

  std::unique_ptr<sec_BlobC> key_material_;
  const EVP_CIPHER* cipher_ = nullptr;
  int block_size_ = 0;
  bool zero_padding_;
  const unsigned char* key_ = nullptr;  // into key_material_
  const unsigned char* iv_ = nullptr;   // into key_material_, or a block of zeros
};

#endif  // QLM_SECURITY_SEC_OPENSSL_ALGORITHMC_H_
