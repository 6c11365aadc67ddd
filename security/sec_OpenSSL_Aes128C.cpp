#include "security/sec_OpenSSL_Aes128C.h"

#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"

sec_OpenSSL_Aes128C::sec_OpenSSL_Aes128C(sec_KeyGeneratorC* generator)
    : sec_OpenSSL_AlgorithmC(generator, getOpenSSL()->Functions()->EVP_aes_128_cbc(), false) {
  Trace(TrcEncryptionAlgorithm, "AES-128-CBC algorithm created");
}
