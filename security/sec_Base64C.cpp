#include "security/sec_Base64C.h"

#include <climits>
#include <cstdint>

#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_Services.h"

namespace {

// The value of a Base64 character; 0 for characters outside the alphabet.
unsigned DigitValue(unsigned char c) noexcept {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

}  // namespace

std::unique_ptr<sec_BlobC> sec_Base64C::Encrypt(const sec_BlobC& input) {
  const uint64_t groups = (input.Length() + 2) / 3;
  if (groups > static_cast<uint64_t>(INT_MAX / 4 - 1)) return nullptr;
  // EVP_EncodeBlock writes the text and a terminating zero.
  auto output = std::make_unique<sec_BlobC>(groups * 4 + 1);
  const int written = getOpenSSL()->Functions()->EVP_EncodeBlock(output->Data(), input.Data(),
                                                                 static_cast<int>(input.Length()));
  output->Truncate(static_cast<uint64_t>(written) + 1);
  return output;
}

std::unique_ptr<sec_BlobC> sec_Base64C::Decrypt(const sec_BlobC& input) {
  return Decode(input.TextView());
}

std::unique_ptr<sec_BlobC> sec_Base64C::Decode(std::string_view text) {
  // At most three bytes per group of four characters, the last group possibly partial.
  auto output = std::make_unique<sec_BlobC>((static_cast<uint64_t>(text.size()) + 3) / 4 * 3);
  unsigned char* out = output->Data();
  uint64_t length = 0;
  size_t position = 0;
  bool ended = false;
  while (!ended && position < text.size()) {
    uint32_t bits = 0;
    int count = 0;
    while (count < 4 && position < text.size()) {
      const unsigned char c = static_cast<unsigned char>(text[position]);
      if (c == '=') {
        ended = true;
        break;
      }
      bits = (bits << 6) | DigitValue(c);
      ++count;
      ++position;
    }
    if (count < 2) break;
    bits <<= 6 * (4 - count);  // align a short group as if padded with zero digits
    out[length++] = static_cast<unsigned char>(bits >> 16);
    if (count >= 3) out[length++] = static_cast<unsigned char>(bits >> 8);
    if (count == 4) out[length++] = static_cast<unsigned char>(bits);
  }
  output->Truncate(length);
  return output;
}
