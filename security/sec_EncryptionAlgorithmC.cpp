#include "security/sec_EncryptionAlgorithmC.h"

sec_EncryptionAlgorithmC::sec_EncryptionAlgorithmC(sec_KeyGeneratorC* generator) noexcept
    : generator_(generator) {}

sec_EncryptionAlgorithmC::~sec_EncryptionAlgorithmC() = default;

bool sec_EncryptionAlgorithmC::IsAvailable() const noexcept {
  return true;
}
