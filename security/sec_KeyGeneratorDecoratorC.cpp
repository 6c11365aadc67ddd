#include "security/sec_KeyGeneratorDecoratorC.h"

#include <climits>

#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"

sec_KeyGeneratorDecoratorC::sec_KeyGeneratorDecoratorC(sec_KeyGeneratorC* inner) noexcept
    : inner_(inner) {}

sec_KeyGeneratorDecoratorC::~sec_KeyGeneratorDecoratorC() = default;

std::unique_ptr<sec_BlobC> sec_KeyGeneratorDecoratorC::Generate() {
  if (!inner_) return nullptr;
  return inner_->Generate();
}

std::unique_ptr<sec_BlobC> sec_KeyGeneratorDecoratorC::DerivePbkdf2(
    const char* name, const EVP_MD* digest, int iterations, unsigned char salt, int length) {
  TraceV(TrcEncryptionKey, "%s deriving key(+IV) of length %d", name, length);
  // The inner material is wiped when `password` goes out of scope.
  std::unique_ptr<sec_BlobC> password = sec_KeyGeneratorDecoratorC::Generate();
  const cmn_CryptoTableS* ssl = getOpenSSL()->Functions();
  if (password == nullptr || digest == nullptr || length <= 0 ||
      password->Length() > static_cast<uint64_t>(INT_MAX)) {
    TraceV(TrcEncryptionKey, "%s failed", name);
    return nullptr;
  }
  auto out = std::make_unique<sec_BlobC>(static_cast<uint64_t>(length));
  if (ssl->PKCS5_PBKDF2_HMAC(reinterpret_cast<const char*>(password->Data()),
                             static_cast<int>(password->Length()), &salt, 1, iterations, digest,
                             length, out->Data()) != 1) {
    ssl->ERR_clear_error();
    TraceV(TrcEncryptionKey, "%s failed", name);
    return nullptr;
  }
  return out;
}
