#include "cmn/cmn_ControlEscape.h"

namespace {

// Length of the escaped sequence starting at text[i] (0: nothing to escape there).
size_t EscapeLength(std::string_view text, size_t i) noexcept {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x20 || c == 0x7F) return 1;
  if (c == 0xC2 && i + 1 < text.size()) {
    const unsigned char d = static_cast<unsigned char>(text[i + 1]);
    if (d >= 0x80 && d <= 0x9F) return 2;
  }
  if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
    const unsigned char e = static_cast<unsigned char>(text[i + 2]);
    if (e == 0xA8 || e == 0xA9) return 3;
  }
  return 0;
}

void AppendEscape(std::string* out, std::string_view text, size_t i, size_t length) {
  static constexpr char kHex[] = "0123456789abcdef";
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (length == 1) {
    switch (c) {
      case '\n':
        *out += "\\n";
        return;
      case '\r':
        *out += "\\r";
        return;
      case '\t':
        *out += "\\t";
        return;
      default:
        *out += "\\x";
        *out += kHex[c >> 4];
        *out += kHex[c & 0xF];
        return;
    }
  }
  if (length == 2) {
    const unsigned char d = static_cast<unsigned char>(text[i + 1]);
    *out += "\\u00";
    *out += kHex[d >> 4];
    *out += kHex[d & 0xF];
    return;
  }
  *out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
}

}  // namespace

bool cmn_HasNoControls(std::string_view text) noexcept {
  for (size_t i = 0; i < text.size(); ++i) {
    if (EscapeLength(text, i) != 0) return false;
  }
  return true;
}

size_t cmn_EscapeControls(std::string& text, size_t from) {
  if (from >= text.size()) return 0;
  // Most texts have nothing to escape: find the first one before copying anything.
  size_t first = from;
  while (first < text.size() && EscapeLength(text, first) == 0) ++first;
  if (first == text.size()) return 0;
  std::string out;
  out.reserve(text.size() + 16);
  out.append(text, 0, first);
  size_t escaped = 0;
  for (size_t i = first; i < text.size();) {
    const size_t length = EscapeLength(text, i);
    if (length == 0) {
      out += text[i++];
      continue;
    }
    AppendEscape(&out, text, i, length);
    i += length;
    ++escaped;
  }
  text.swap(out);
  return escaped;
}
