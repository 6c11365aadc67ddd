// Escaping and unescaping from arbitrary bytes: unescaping an escaped text gives the text back
// (with and without escaped slashes), escaped texts hold only the allowed bytes, and
// unescaping never grows a text. File paths survive FilePathToUrl and UrlToFilePath when they
// hold no zero byte.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/UrlC.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool Allowed(unsigned char c, bool slashes) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == ':' || c == '_' || c == '%' || (!slashes && (c == '/' || c == '\\'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 8192) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (bool slashes : {false, true}) {
    const std::string escaped = EscapeUrlText(text, slashes);
    for (unsigned char c : escaped) Check(Allowed(c, slashes));
    Check(UnescapeUrlText(escaped) == text);
  }
  Check(UnescapeUrlText(text).size() <= text.size());
  if (text.find('\0') == std::string::npos) {
    const UrlC url = FilePathToUrl(text);
    std::string expected = text;
    if (!expected.empty() && expected[0] != '/') expected.insert(expected.begin(), '/');
    Check(UrlToFilePath(url) == expected);
  }
  return 0;
}
