#include "security/sec_FunctionKeyGenC.h"

sec_FunctionKeyGenC::sec_FunctionKeyGenC(FunctionT function) noexcept : function_(function) {}

sec_FunctionKeyGenC::~sec_FunctionKeyGenC() = default;

std::unique_ptr<sec_BlobC> sec_FunctionKeyGenC::Generate() {
  if (function_ == nullptr) return nullptr;
  size_t length = 0;
  char* bytes = function_(length);
  if (bytes == nullptr) return nullptr;
  auto blob = std::make_unique<sec_BlobC>(bytes, static_cast<uint64_t>(length));
  sec_BlobC::Wipe(bytes, length);
  delete[] bytes;
  return blob;
}
