#include "security/sec_OpenSSL_3DesC.h"

#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "security/sec_CryptDeriveKey_3DES_SHA1C.h"

sec_KeyGeneratorC* sec_OpenSSL_3DesC::Wrap(sec_KeyGeneratorC* generator, bool compatible) {
  // The new decorator starts with no reference; the base constructor takes the first.
  if (compatible && generator != nullptr) return new sec_CryptDeriveKey_3DES_SHA1C(generator);
  return generator;
}

sec_OpenSSL_3DesC::sec_OpenSSL_3DesC(sec_KeyGeneratorC* generator, bool compatible)
    : sec_OpenSSL_AlgorithmC(Wrap(generator, compatible),
                             getOpenSSL()->Functions()->EVP_des_ede3_cbc(), false) {
  TraceV(TrcEncryptionAlgorithm, "3DES-EDE-CBC algorithm created, Windows 2000 compatible = %d",
         compatible ? 1 : 0);
}
