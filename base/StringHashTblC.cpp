#include "base/StringHashTblC.h"

#include <cstring>

namespace {

const char* KeyText(const void* key) noexcept {
  const char* text = *static_cast<const char* const*>(key);
  return text ? text : "";
}

}  // namespace

StringHashTblC::StringHashTblC(const uint32_t* sizes, uint32_t sizeCount, bool ownsElements,
                               size_t keyOffset)
    : HashTblC(sizes, sizeCount, ownsElements, keyOffset) {}

StringHashTblC::~StringHashTblC() = default;

uint32_t StringHashTblC::HashString(const char* text) noexcept {
  uint32_t h = 0;
  if (text == nullptr) return h;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto byte = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
    h = ((h << 5) | (h >> 27)) + byte;
  }
  return h;
}

uint32_t StringHashTblC::Hash(uint32_t size, const void* key) const noexcept {
  return HashString(KeyText(key)) % size;
}

bool StringHashTblC::Equals(const void* key, const void* elementKey) const noexcept {
  return std::strcmp(KeyText(key), KeyText(elementKey)) == 0;
}
