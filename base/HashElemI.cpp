#include "base/HashElemI.h"

HashElemI::~HashElemI() = default;

void HashElemI::Destroy() noexcept {
  delete this;
}

void HashElemI::Print(FILE* stream) const {
  std::fprintf(stream ? stream : stdout, "%p(n %p, h 0x%08X)", static_cast<const void*>(this),
               reinterpret_cast<const void*>(next_), static_cast<unsigned>(hash_));
}
