// The lenient Base64 decoder of the password encryption over arbitrary text. Checks:
//   - at most three bytes come out per four characters (never a write past the buffer);
//   - decoding is stable: the canonical encoding of what came out decodes to the same bytes;
//   - the input taken as bytes survives encoding and decoding unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "security/sec_Base64C.h"
#include "security/sec_BlobC.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

bool Same(const sec_BlobC& a, const sec_BlobC& b) {
  return a.Length() == b.Length() &&
         std::memcmp(a.Data(), b.Data(), static_cast<size_t>(a.Length())) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  sec_Base64C codec;

  std::unique_ptr<sec_BlobC> decoded = sec_Base64C::Decode(text);
  Check(decoded != nullptr, "decoder gave null");
  Check(decoded->Length() <= (size + 3) / 4 * 3, "decoded more than the text holds");
  std::unique_ptr<sec_BlobC> canonical = codec.Encrypt(*decoded);
  Check(canonical != nullptr, "encoder gave null");
  Check(canonical->Length() == (decoded->Length() + 2) / 3 * 4 + 1, "encoded length");
  Check(Same(*codec.Decrypt(*canonical), *decoded), "decoding is not stable");

  sec_BlobC raw(data, size);
  std::unique_ptr<sec_BlobC> encoded = codec.Encrypt(raw);
  Check(encoded != nullptr, "encoder gave null");
  Check(Same(*codec.Decrypt(*encoded), raw), "bytes changed in a round trip");
  return 0;
}
