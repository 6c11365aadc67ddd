#include "base/ByteHash.h"

#include <bit>

namespace {

inline uint32_t Mix(uint32_t h, uint32_t w) noexcept {
  return std::rotl((h ^ w) * 1103515245u + 12345u, 6) ^ w;
}

}  // namespace

uint32_t HashBytes(const void* data, size_t n) noexcept {
  const auto* p = static_cast<const uint8_t*>(data);
  uint32_t h = 0;
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const uint32_t w = (uint32_t{p[i]} << 24) | (uint32_t{p[i + 1]} << 16) |
                       (uint32_t{p[i + 2]} << 8) | uint32_t{p[i + 3]};
    h = Mix(h, w);
  }
  if (i < n) {
    // The last 1..3 bytes form a word of their own, first byte most significant.
    uint32_t w = 0;
    for (; i < n; ++i) w = (w << 8) | p[i];
    h = Mix(h, w);
  }
  return h;
}

uint32_t HashCString(const char* text) noexcept {
  uint32_t h = 0;
  if (text == nullptr) return h;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    uint32_t w = 0;
    for (int shift = 0; shift < 32 && *p != 0; shift += 8) w |= uint32_t{*p++} << shift;
    h = Mix(h, w);
  }
  return h;
}
