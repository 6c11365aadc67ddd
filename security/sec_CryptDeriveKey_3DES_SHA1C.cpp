#include "security/sec_CryptDeriveKey_3DES_SHA1C.h"

#include <cstring>

#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "security/sec_Errors.h"

namespace {

constexpr size_t kBlockLength = 64;

// SHA-1 of `length` bytes at `data` into `out` (EVP_MAX_MD_SIZE bytes). False on failure,
// which is reported.
bool Sha1(const unsigned char* data, size_t length, unsigned char* out) {
  const cmn_CryptoTableS* ssl = getOpenSSL()->Functions();
  unsigned int written = 0;
  if (ssl->EVP_Digest(data, length, out, &written, ssl->EVP_sha1(), nullptr) != 1) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)sec_ReportOpenSSLFailure("EVP_Digest");
    return false;
  }
  return true;
}

}  // namespace

sec_CryptDeriveKey_3DES_SHA1C::sec_CryptDeriveKey_3DES_SHA1C(sec_KeyGeneratorC* inner) noexcept
    : sec_KeyGeneratorDecoratorC(inner) {}

sec_CryptDeriveKey_3DES_SHA1C::~sec_CryptDeriveKey_3DES_SHA1C() = default;

std::unique_ptr<sec_BlobC> sec_CryptDeriveKey_3DES_SHA1C::Generate() {
  TraceV(TrcEncryptionKey, "CryptDeriveKey-SHA1 deriving 3DES key of length %d", c_KeyLength);
  std::unique_ptr<sec_BlobC> material = sec_KeyGeneratorDecoratorC::Generate();
  if (material == nullptr) return nullptr;
  const cmn_CryptoTableS* ssl = getOpenSSL()->Functions();
  const size_t digest_length = static_cast<size_t>(ssl->EVP_MD_get_size(ssl->EVP_sha1()));

  // Working storage: the digest of the material, the two pad blocks and their digests. All
  // of it is key material and is wiped when `work` is freed.
  sec_BlobC work(EVP_MAX_MD_SIZE + 2 * kBlockLength + 2 * EVP_MAX_MD_SIZE);
  unsigned char* digest = work.Data();
  unsigned char* block1 = digest + EVP_MAX_MD_SIZE;
  unsigned char* block2 = block1 + kBlockLength;
  unsigned char* joined = block2 + kBlockLength;  // 2 * EVP_MAX_MD_SIZE

  if (!Sha1(material->Data(), static_cast<size_t>(material->Length()), digest)) {
    Trace(TrcEncryptionKey, "CryptDeriveKey-SHA1: EVP_Digest() failed");
    return nullptr;
  }
  auto key = std::make_unique<sec_BlobC>(static_cast<uint64_t>(c_KeyLength));
  if (digest_length >= static_cast<size_t>(c_KeyLength)) {
    std::memcpy(key->Data(), digest, c_KeyLength);
    return key;
  }
  std::memset(block1, 0x36, kBlockLength);
  std::memset(block2, 0x5C, kBlockLength);
  for (size_t i = 0; i < digest_length; ++i) {
    block1[i] ^= digest[i];
    block2[i] ^= digest[i];
  }
  if (!Sha1(block1, kBlockLength, joined)) {
    Trace(TrcEncryptionKey, "CryptDeriveKey-SHA1: EVP_Digest(k1) failed");
    return nullptr;
  }
  if (!Sha1(block2, kBlockLength, joined + digest_length)) {
    Trace(TrcEncryptionKey, "CryptDeriveKey-SHA1: EVP_Digest(k2) failed");
    return nullptr;
  }
  std::memcpy(key->Data(), joined, c_KeyLength);
  return key;
}
