#include "registry/GuidC.h"

#include <cstdio>
#include <cstring>

namespace {

// Reads exactly `digits` hexadecimal digits.
bool ReadHex(std::string_view text, size_t* pos, int digits, uint64_t* out) {
  uint64_t v = 0;
  for (int i = 0; i < digits; ++i) {
    if (*pos >= text.size()) return false;
    char c = text[(*pos)++];
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<uint64_t>(d);
  }
  *out = v;
  return true;
}

bool Expect(std::string_view text, size_t* pos, char c) {
  if (*pos >= text.size() || text[*pos] != c) return false;
  ++*pos;
  return true;
}

}  // namespace

RcT GuidC::Parse(std::string_view text) noexcept {
  GuidC g;
  size_t pos = 0;
  const bool braces = !text.empty() && text.front() == '{';
  if (braces) pos = 1;
  uint64_t v = 0;
  bool ok = ReadHex(text, &pos, 8, &v);
  g.data1 = static_cast<uint32_t>(v);
  ok = ok && Expect(text, &pos, '-') && ReadHex(text, &pos, 4, &v);
  g.data2 = static_cast<uint16_t>(v);
  ok = ok && Expect(text, &pos, '-') && ReadHex(text, &pos, 4, &v);
  g.data3 = static_cast<uint16_t>(v);
  ok = ok && Expect(text, &pos, '-');
  for (int i = 0; ok && i < 8; ++i) {
    if (i == 2) ok = Expect(text, &pos, '-');
    ok = ok && ReadHex(text, &pos, 2, &v);
    g.data4[i] = static_cast<uint8_t>(v);
  }
  if (ok && braces) ok = Expect(text, &pos, '}');
  if (!ok) {
    *this = GuidC{};
    return RC_INVALIDARG;
  }
  *this = g;
  return RC_OK;
}

std::string GuidC::ToLower() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", data1, data2,
                data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6],
                data4[7]);
  return buf;
}

std::string GuidC::ToUpperBraces() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2,
                data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6],
                data4[7]);
  return buf;
}

std::string GuidC::ToConstant() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "0x%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", data1, data2,
                data3, data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6],
                data4[7]);
  return buf;
}

std::string GuidC::ToRawBytes() const {
  uint8_t b[16];
  std::memcpy(b, &data1, 4);
  std::memcpy(b + 4, &data2, 2);
  std::memcpy(b + 6, &data3, 2);
  std::memcpy(b + 8, data4, 8);
  char buf[40];
  std::snprintf(buf, sizeof buf,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return buf;
}
