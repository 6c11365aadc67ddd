#include "security/sec_OpenSSL_DesC.h"

#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"

sec_OpenSSL_DesC::sec_OpenSSL_DesC(sec_KeyGeneratorC* generator)
    : sec_OpenSSL_AlgorithmC(generator, getOpenSSL()->Functions()->EVP_des_ecb(), true) {
  Trace(TrcEncryptionAlgorithm, "DES-ECB algorithm created");
}
