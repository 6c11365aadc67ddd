// sec_Base64C: Base64 (RFC 4648 alphabet, "=" padding, no line breaks) as an "algorithm".
//
// Encrypt encodes: four characters per three input bytes, "=" for each byte missing from the
// last group, then a terminating zero. Decrypt decodes text leniently: it reads the text up
// to its first zero byte (or the end of the buffer) in groups of four characters; a group
// ends early at "=" (which also ends the text) or at the end of the text, a group of fewer
// than two characters yields nothing, and a character outside the alphabet counts as value 0.
// Malformed text therefore never fails; it decodes to bytes the cipher will reject.
#ifndef QLM_SECURITY_SEC_BASE64C_H_
#define QLM_SECURITY_SEC_BASE64C_H_

#include <cstddef>
#include <memory>
#include <string_view>

#include "security/sec_EncryptionAlgorithmC.h"

class sec_Base64C : public sec_EncryptionAlgorithmC {
 public:
  // The Base64 text of `input` with a terminating zero. Null only for input too long for the
  // library's int lengths.
  std::unique_ptr<sec_BlobC> Encrypt(const sec_BlobC& input) override;
  // The bytes of the text in `input` (see above); never null.
  std::unique_ptr<sec_BlobC> Decrypt(const sec_BlobC& input) override;

  // The decoder on its own: the bytes of `text`, decoded as described above. Never null.
  static std::unique_ptr<sec_BlobC> Decode(std::string_view text);
};

#endif  // QLM_SECURITY_SEC_BASE64C_H_
