#include "security/sec_PlainTextC.h"

std::unique_ptr<sec_BlobC> sec_PlainTextC::Encrypt(const sec_BlobC& input) {
  return std::make_unique<sec_BlobC>(input.Data(), input.Length());
}

std::unique_ptr<sec_BlobC> sec_PlainTextC::Decrypt(const sec_BlobC& input) {
  return std::make_unique<sec_BlobC>(input.Data(), input.Length());
}
