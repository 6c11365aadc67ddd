// The socket data dump from arbitrary bytes: line count and length, offsets, hexadecimal
// bytes and the character column are checked against the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "net/NetDataDump.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 65536) return 0;
  const std::string dump(NetDataDump(data, size));
  if (size == 0) {
    Check(dump.empty());
    return 0;
  }
  const size_t lines = (size + 15) / 16;
  size_t pos = 0;
  for (size_t line = 0; line < lines; ++line) {
    const size_t end = dump.find('\n', pos);
    Check((end == std::string::npos) == (line + 1 == lines));
    const std::string_view text(dump.data() + pos,
                                (end == std::string::npos ? dump.size() : end) - pos);
    const size_t count = size - line * 16 < 16 ? size - line * 16 : 16;
    char head[32];
    const int n = std::snprintf(head, sizeof head, "%04zx: ", line * 16);
    Check(text.substr(0, static_cast<size_t>(n)) == head);
    const size_t bar = static_cast<size_t>(n) + 48;
    Check(text.size() == bar + 2 + count);
    Check(text.substr(bar, 2) == "| ");
    for (size_t i = 0; i < 16; ++i) {
      char cell[4];
      if (i < count) {
        std::snprintf(cell, sizeof cell, "%02x ", data[line * 16 + i]);
      } else {
        std::snprintf(cell, sizeof cell, "   ");
      }
      Check(text.substr(static_cast<size_t>(n) + i * 3, 3) == cell);
    }
    for (size_t i = 0; i < count; ++i) {
      const unsigned char c = data[line * 16 + i];
      const char shown = text[bar + 2 + i];
      Check(c > 0x20 && c < 0x7F ? shown == static_cast<char>(c) : shown == ' ');
    }
    pos = end + 1;
  }
  return 0;
}
