// ToInteger over arbitrary text and bases. The first input byte picks the base (values above
// 36 and the "negative" ones included), the rest is the text, read as UTF-8 (bad bytes become
// U+FFFD). Checks:
//   - the result code is one of ToInteger's, the end position lies within the text;
//   - plain ASCII digits of base 10 or 16 read exactly as strtoull reads them (range included);
//   - white space around the text changes neither the value nor the result code;
//   - the string built from the bytes is well-formed UTF-8 with a matching length.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/StringC.h"
#include "base/TextUtil.h"
#include "cmn/cmn_TextCodec.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

bool IsDigitOf(char c, int base) {
  if (c >= '0' && c <= '9') return true;
  return base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int base = static_cast<int8_t>(data[0]) % 40;  // -39..39
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const StringC text(bytes.data(), bytes.size(), StringC::CC_UTF8);

  const std::string_view utf8 = text.Utf8View();
  const auto* u = reinterpret_cast<const uint8_t*>(utf8.data());
  Check(cmn_IsWellFormedUtf8(u, utf8.size()), "body text is well-formed");
  Check(static_cast<size_t>(text.Length()) == cmn_CountUtf8Chars(u, utf8.size()),
        "length counts characters");

  RcT rc = 1;
  int64_t end = -1;
  const int64_t value = ToInteger(text, &rc, base, &end);
  Check(rc == RC_OK || (rc >= RC_TOINT_TRAILING && rc <= RC_TOINT_BAD_BASE), "known code");
  Check(end >= 0 && end <= text.Length(), "end within the text");
  Check((rc == RC_TOINT_BAD_BASE) == (base < 0 || base > 36), "bad base exactly");
  if (rc == RC_TOINT_NO_NUMBER || rc == RC_TOINT_NOT_DIGIT || rc == RC_TOINT_BAD_BASE) {
    Check(value == 0, "no value without a number");
  }
  if (rc == RC_OK) Check(end == text.Length(), "success reads everything");

  // Plain digits: strtoull's reading of the same text.
  if ((base == 10 || base == 16) && !bytes.empty() && bytes.size() < 64) {
    bool plain = true;
    for (char c : bytes) plain = plain && IsDigitOf(c, base);
    if (plain) {
      errno = 0;
      const unsigned long long want = std::strtoull(bytes.c_str(), nullptr, base);
      if (errno == ERANGE) {
        Check(rc == RC_TOINT_RANGE && value == 0, "overflow as strtoull");
      } else {
        Check(static_cast<uint64_t>(value) == want, "value as strtoull");
        Check(rc == (want >= (uint64_t{1} << 63) ? RC_TOINT_RANGE : RC_OK), "code as strtoull");
      }
    }
  }

  // Surrounding white space is skipped on both sides.
  const StringC padded =
      StringC(" \t", StringC::CC_ASCII) + text + StringC("\r\n", StringC::CC_ASCII);
  RcT rc2 = 1;
  const int64_t value2 = ToInteger(padded, &rc2, base, nullptr);
  Check(rc2 == rc && value2 == value, "white space changes nothing");
  return 0;
}
