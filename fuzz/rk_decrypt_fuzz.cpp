// RKEncryptionC::Decrypt over arbitrary stored strings. The first input byte picks how the rest
// becomes the stored string: as Latin-1 or UTF-8 text, optionally behind the tag "!A1" or
// "!A2" so that most inputs reach the ciphers. Checks:
//   - the code is 0 or "Decryption operation failed", and that code is the last entry in the
//     thread's error buffer on failure; a failed call leaves the result empty;
//   - a password that decrypted is encrypted again and decrypts to itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "security/RKEncryptionC.h"
#include "security/sec_Errors.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One object per tag keeps each one's derived key cached across inputs, as a long-lived
  // caller would.
  static RKEncryptionC* const aes128 = new RKEncryptionC(RKEncryptionC::mAES_128);
  static RKEncryptionC* const aes256 = new RKEncryptionC(RKEncryptionC::mAES_256);
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  std::string text;
  if ((mode & 3) == 1) text = "!A1";
  if ((mode & 3) == 2) text = "!A2";
  text.append(reinterpret_cast<const char*>(data + 1), size - 1);
  const StringC stored(text.data(), text.size(),
                       (mode & 4) != 0 ? StringC::CC_UTF8 : StringC::CC_LATIN1);
  RKEncryptionC* crypt = stored.StartsWith(StringC("!A2", StringC::CC_ASCII)) ? aes256 : aes128;

  cmn_ErrBufI* errors = getErrBuf();
  errors->Clear();
  StringC plain;
  const RcT rc = crypt->Decrypt(stored, &plain);
  Check(rc == RC_OK || rc == SEC_E_DECRYPT, "unexpected result code");
  if (rc != RC_OK) {
    Check(plain.IsEmpty(), "failed call left a result");
    Check(
        errors->Count() > 0 && errors->Entry(errors->Count() - 1)->MessageNumber() == SEC_E_DECRYPT,
        "failure not last in the error buffer");
    errors->Clear();
    return 0;
  }
  // The plain text may hold anything a foreign writer put there; as text it must survive a
  // round trip of its own (up to an embedded U+0000, which ends an encrypted password).
  StringC again;
  Check(crypt->Encrypt(plain, &again) == RC_OK, "re-encryption failed");
  StringC back;
  Check(crypt->Decrypt(again, &back) == RC_OK, "re-decryption failed");
  const int64_t nul = plain.FindChar(U'\0');
  const StringC expected = nul >= 0 ? plain.Substring(0, nul) : plain;
  Check(back == expected, "round trip changed the password");
  errors->Clear();
  return 0;
}
