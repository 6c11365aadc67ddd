#include "net/NetDataDump.h"

#include <string>

namespace {

constexpr char kHex[] = "0123456789abcdef";

}  // namespace

std::string_view NetDataDump(const void* data, size_t size) {
  static std::string buffer;
  buffer.clear();
  if (data == nullptr || size == 0) return std::string_view();
  // Five bytes per input byte plus 80 covers every line (73 bytes per 16 input bytes).
  if (buffer.capacity() < size * 5 + 80) buffer.reserve(size * 5 + 80);
  const auto* p = static_cast<const unsigned char*>(data);
  for (size_t line = 0; line < size; line += 16) {
    if (line != 0) buffer.push_back('\n');
    // The offset in at least four digits, as "%04x" writes it.
    char offset[24];
    int n = 0;
    size_t v = line;
    do {
      offset[n++] = kHex[v & 15];
      v >>= 4;
    } while (v != 0);
    while (n < 4) offset[n++] = '0';
    while (n > 0) buffer.push_back(offset[--n]);
    buffer.append(": ");
    const size_t end = line + 16 < size ? line + 16 : size;
    for (size_t i = line; i < line + 16; ++i) {
      if (i < end) {
        buffer.push_back(kHex[p[i] >> 4]);
        buffer.push_back(kHex[p[i] & 15]);
        buffer.push_back(' ');
      } else {
        buffer.append("   ");
      }
    }
    buffer.append("| ");
    for (size_t i = line; i < end; ++i) {
      const unsigned char c = p[i];
      buffer.push_back(c > 0x20 && c < 0x7F ? static_cast<char>(c) : ' ');
    }
  }
  return buffer;
}
