// GuidC::Parse over arbitrary text. Checks:
//   - a failed parse leaves GUID_NULL and RC_INVALIDARG, a successful one RC_OK;
//   - a parsed identifier formatted in the lower-case and in the upper-case-with-braces form
//     parses back to the same identifier, and formatting that gives the same text again;
//   - the constant and raw-byte forms have their fixed lengths.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "registry/GuidC.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  GuidC guid{0xFFFFFFFF, 0xFFFF, 0xFFFF, {1, 2, 3, 4, 5, 6, 7, 8}};
  const RcT rc = guid.Parse(text);
  if (rc != RC_OK) {
    Check(rc == RC_INVALIDARG, "failure code");
    Check(guid == GUID_NULL, "failure leaves GUID_NULL");
    return 0;
  }
  const std::string lower = guid.ToLower();
  const std::string upper = guid.ToUpperBraces();
  Check(lower.size() == 36 && upper.size() == 38, "form lengths");
  Check(guid.ToConstant().size() == 34 && guid.ToRawBytes().size() == 36, "fixed lengths");
  for (const std::string& form : {lower, upper}) {
    GuidC again;
    Check(again.Parse(form) == RC_OK, "formatted text parses");
    Check(again == guid, "round trip keeps the identifier");
    Check(again.ToLower() == lower && again.ToUpperBraces() == upper, "formatting is stable");
  }
  return 0;
}
