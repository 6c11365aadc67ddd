#include "security/sec_EmptyC.h"

std::unique_ptr<sec_BlobC> sec_EmptyC::Encrypt(const sec_BlobC&) {
  return std::make_unique<sec_BlobC>(1);
}

std::unique_ptr<sec_BlobC> sec_EmptyC::Decrypt(const sec_BlobC&) {
  return std::make_unique<sec_BlobC>(1);
}
