#include "security/sec_PBKDF2_HMAC_SHA1_KeyGeneratorC.h"

#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_Services.h"

sec_PBKDF2_HMAC_SHA1_KeyGeneratorC::sec_PBKDF2_HMAC_SHA1_KeyGeneratorC(sec_KeyGeneratorC* inner,
                                                                       int length,
                                                                       unsigned char salt) noexcept
    : sec_KeyGeneratorDecoratorC(inner), length_(length), salt_(salt) {}

sec_PBKDF2_HMAC_SHA1_KeyGeneratorC::~sec_PBKDF2_HMAC_SHA1_KeyGeneratorC() = default;

std::unique_ptr<sec_BlobC> sec_PBKDF2_HMAC_SHA1_KeyGeneratorC::Generate() {
  return DerivePbkdf2("PBKDF2-HMAC-SHA1", getOpenSSL()->Functions()->EVP_sha1(), c_Iterations,
                      salt_, length_);
}
