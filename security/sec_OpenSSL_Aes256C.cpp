#include "security/sec_OpenSSL_Aes256C.h"

#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"

sec_OpenSSL_Aes256C::sec_OpenSSL_Aes256C(sec_KeyGeneratorC* generator)
    : sec_OpenSSL_AlgorithmC(generator, getOpenSSL()->Functions()->EVP_aes_256_cbc(), false) {
  Trace(TrcEncryptionAlgorithm, "AES-256-CBC algorithm created");
}
