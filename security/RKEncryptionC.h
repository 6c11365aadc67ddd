// RKEncryptionC: encryption of stored passwords (the front end of the security layer).
//
// This is the entry other layers use. A password is turned into its stored form, a short
// printable string: "!A1" (AES-128) or "!A2" (AES-256) followed by Base64, and back:
//
//   RKEncryptionC crypt(RKEncryptionC::mAES_128);
//   StringC stored;
//   if (RcFailed(crypt.Encrypt(password, &stored))) { ... }   // "!A1...."
//   StringC plain;
//   if (RcFailed(crypt.Decrypt(stored, &plain))) { ... }      // == password
//
// Decrypt reads either tag whatever algorithm the object was made for, so one object serves
// both directions; keep it for several strings, since the key derivation (the expensive part)
// runs once per algorithm and direction and is then reused. The keys are derived from a key
// string built into the program (mKey) and a one-byte salt (mSalt): every installation that
// shares stored passwords uses the same values. The empty password and the empty stored form
// correspond to each other.
//
// Failures return the code of the thread's error buffer's latest entry: SEC_E_ENCRYPT for a
// failed encryption and SEC_E_DECRYPT for a failed decryption (security/sec_Errors.h), each
// preceded in the buffer by the specific reason (e.g. SEC_E_INSECURE for "!D1"). A failed call
// leaves the result empty. One object is used from one thread at a time.
//
// Plain passwords: the byte forms (std::string_view in, sec_BlobC out) keep a password only in
// buffers that are wiped before they are freed; code that handles real passwords uses them.
// The StringC forms are for callers that want a string: the body they fill is not wiped.
// A password is UTF-8: a stored form that decrypts to anything else is refused
// (SEC_E_NOT_UTF8) rather than read with replacement characters.
#ifndef QLM_SECURITY_RKENCRYPTIONC_H_
#define QLM_SECURITY_RKENCRYPTIONC_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "security/sec_BlobC.h"
#include "security/sec_KeyGeneratorC.h"
#include "security/sec_PwdEncryptionC.h"
#include "security/sec_RefM.h"

class RKEncryptionC {
 public:
  static constexpr const char* mAES_128 = "AES-128";
  static constexpr const char* mAES_256 = "AES-256";
  // The built-in key string: 41 printable ASCII characters and a terminating zero.
  static constexpr char mKey[42] = "Z5P=zqNMsEjkezZr6C6qPRozabv7QbS+=52W4=iH=";
  static constexpr size_t mKeyLength = 41;
  // The one-byte salt of the key derivations.
  static constexpr unsigned char mSalt = 0xA7;

  // Encrypts with AES-256 when `algorithm_name` equals mAES_256 ignoring case, otherwise with
  // AES-128 (falling back from AES-256 to AES-128 when AES-256 cannot run).
  explicit RKEncryptionC(const StringC& algorithm_name);
  explicit RKEncryptionC(const char* algorithm_name);
  // Releases the generator and the password encryption (their key material is wiped).
  ~RKEncryptionC();

  RKEncryptionC(const RKEncryptionC&) = delete;
  RKEncryptionC& operator=(const RKEncryptionC&) = delete;

  // Sets `*result` to the stored form of `password`. Returns 0; RC_POINTER for a null
  // `result`; on failure `*result` is empty and the code is the latest in the thread's error
  // buffer (SEC_E_ENCRYPT), or RC_FAIL when the buffer is empty. The empty password gives the
  // empty string.
  [[nodiscard]] RcT Encrypt(const StringC& password, StringC* result);
  // Sets `*result` to the password of the stored form `stored`. Returns 0; RC_POINTER for a
  // null `result`; on failure `*result` is empty and the code is the latest in the thread's
  // error buffer (SEC_E_DECRYPT), or RC_FAIL when the buffer is empty. The empty string gives
  // the empty password. The plain text (up to its terminating zero) must be UTF-8 (see above).
  [[nodiscard]] RcT Decrypt(const StringC& stored, StringC* result);

  // The byte forms of Encrypt and Decrypt, with the same results and failures: `password` is
  // the password's UTF-8 bytes; `*plain` receives a wiping buffer that holds the password's
  // bytes without a terminating zero (its TextView() is the password), or null on failure.
  [[nodiscard]] RcT Encrypt(std::string_view password, std::string* stored);
  [[nodiscard]] RcT Decrypt(std::string_view stored, std::unique_ptr<sec_BlobC>* plain);

  // True when `text` has the shape of a stored form: "!", an upper-case letter and a digit
  // (the tags "!A1", "!A2" and the refused "!D1", "!D3"), so it must not be encrypted again.
  [[nodiscard]] static bool IsStoredForm(std::string_view text) noexcept;

  // A new[]-allocated copy of mKey with its terminating zero; `length` is set to 41 (without
  // the zero). The caller wipes and frees it (delete[]).
  static char* GetConfigFileHeader(size_t& length);

  // The name this object was made with.
  const StringC& AlgorithmName() const noexcept { return algorithm_name_; }

 private:
  StringC algorithm_name_;
  sec_RefM<sec_KeyGeneratorC> generator_;
  std::unique_ptr<sec_PwdEncryptionC> pwd_encryption_;
};

#endif  // QLM_SECURITY_RKENCRYPTIONC_H_
