#include "security/sec_PwdEncryptionC.h"

#include <cstring>
#include <string>

#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_Services.h"
#include "log/ErrMessages.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "security/sec_Errors.h"
#include "security/sec_OpenSSL_Aes128C.h"
#include "security/sec_OpenSSL_Aes256C.h"
#include "security/sec_PBKDF2_HMAC_SHA1_KeyGeneratorC.h"
#include "security/sec_PBKDF2_HMAC_SHA256_KeyGeneratorC.h"

namespace {

constexpr size_t kTagLength = 3;
// Key and IV lengths derived for each algorithm.
constexpr int kAes128Material = 16 + 16;
constexpr int kAes256Material = 32 + 16;

}  // namespace

sec_PwdEncryptionC::sec_PwdEncryptionC(int preferred, sec_KeyGeneratorC* generator,
                                       unsigned char salt)
    : sec_EncryptionAlgorithmC(generator), preferred_(preferred), salt_(salt) {
  Trace(TrcEncryptionPassword, "Password encryption initialized");
}

sec_PwdEncryptionC::~sec_PwdEncryptionC() {
  Trace(TrcEncryptionPassword, "Password encryption finalized");
}

std::unique_ptr<sec_EncryptionAlgorithmC> sec_PwdEncryptionC::CreateAlgorithm(
    int number, sec_KeyGeneratorC* generator, unsigned char salt) {
  switch (number) {
    case c_Aes128:
      Trace(TrcEncryptionPassword, "Creating AES-128 algorithm");
      return std::make_unique<sec_OpenSSL_Aes128C>(
          new sec_PBKDF2_HMAC_SHA1_KeyGeneratorC(generator, kAes128Material, salt));
    case c_Aes256:
      Trace(TrcEncryptionPassword, "Creating AES-256 algorithm");
      return std::make_unique<sec_OpenSSL_Aes256C>(
          new sec_PBKDF2_HMAC_SHA256_KeyGeneratorC(generator, kAes256Material, salt));
    default:
      TraceV(TrcEncryptionPassword, "Could not create algorithm %d", number);
      return nullptr;
  }
}

bool sec_PwdEncryptionC::SelectEncryption() {
  cmn_ErrMarkC mark;
  for (int number = preferred_;; --number) {
    std::unique_ptr<sec_EncryptionAlgorithmC> algorithm =
        CreateAlgorithm(number, Generator(), salt_);
    if (algorithm != nullptr && algorithm->IsAvailable()) {
      mark.Rollback();  // the failed attempts were handled by falling back
      encryption_ = std::move(algorithm);
      encryption_number_ = number;
      return true;
    }
    if (algorithm != nullptr) {
      Trace(TrcEncryptionPassword, "Algorithm not supported on this machine, trying another");
    }
    if (number < 2) {
      Trace(TrcEncryptionPassword, "Failure: no supported encryption algorithm");
      // Reported for the caller; the code it returns is not this function's result.
      (void)ErrReport(SEC_E_NO_ALGORITHM, SEC_T_NO_ALGORITHM);
      return false;
    }
  }
}

std::unique_ptr<sec_BlobC> sec_PwdEncryptionC::EncryptTagged(const sec_BlobC& input) {
  if (encryption_ == nullptr && !SelectEncryption()) return nullptr;
  std::unique_ptr<sec_BlobC> cipher = encryption_->Encrypt(input);
  if (cipher == nullptr) return nullptr;
  std::unique_ptr<sec_BlobC> text = encoder_.Encrypt(*cipher);
  if (text == nullptr || encryption_number_ <= 0) return text;
  auto tagged = std::make_unique<sec_BlobC>(kTagLength + text->Length());
  unsigned char* out = tagged->Data();
  out[0] = '!';
  out[1] = 'A';
  out[2] = static_cast<unsigned char>('0' + encryption_number_);
  std::memcpy(out + kTagLength, text->Data(), static_cast<size_t>(text->Length()));
  return tagged;
}

std::unique_ptr<sec_BlobC> sec_PwdEncryptionC::Encrypt(const sec_BlobC& input) {
  std::unique_ptr<sec_BlobC> result = EncryptTagged(input);
  if (result == nullptr) {
    Trace(TrcEncryptionPassword, "Encrypt operation failed");
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReport(SEC_E_ENCRYPT, SEC_T_ENCRYPT);
  }
  return result;
}

std::unique_ptr<sec_BlobC> sec_PwdEncryptionC::DecryptTagged(const sec_BlobC& input) {
  const std::string_view stored = input.TextView();
  if (stored.empty() && input.Length() == 1) {
    return std::make_unique<sec_BlobC>(1);  // the empty password
  }
  int number = c_None;
  if (stored.size() >= kTagLength && stored[0] == '!') {
    const std::string name(stored.substr(1, 2));
    if (name == "A2") {
      number = c_Aes256;
    } else if (name == "A1") {
      number = c_Aes128;
    } else if (name == "D1" || name == "D3") {
      const char* insecure = name == "D1" ? "DES-56" : "3DES";
      TraceV(TrcEncryptionPassword, "Insecure algorithm %s", insecure);
      // Reported for the caller; the code it returns is not this function's result.
      (void)ErrReportV(SEC_E_INSECURE, SEC_T_INSECURE, insecure);
    } else {
      TraceV(TrcEncryptionPassword, "Unrecognized algorithm %s", name.c_str());
      // Reported for the caller; the code it returns is not this function's result.
      (void)ErrReportV(SEC_E_NOT_RECOGNIZED, SEC_T_NOT_RECOGNIZED, name.c_str());
    }
  }
  // Without a usable tag there is nothing to decrypt with; the cached algorithm is kept for
  // the next well-formed string.
  if (number == c_None) return nullptr;

  if (decryption_ == nullptr || decryption_number_ != number) {
    decryption_ = CreateAlgorithm(number, Generator(), salt_);
    decryption_number_ = decryption_ != nullptr ? number : c_None;
  }
  if (decryption_ == nullptr || !decryption_->IsAvailable()) {
    const std::string name(stored.substr(1, 2));
    TraceV(TrcEncryptionPassword, "Algorithm %s not supported on this machine", name.c_str());
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReportV(SEC_E_NOT_AVAILABLE, SEC_T_NOT_AVAILABLE, name.c_str());
    return nullptr;
  }
  // The decoded cipher text is wiped when `cipher` is freed.
  std::unique_ptr<sec_BlobC> cipher = sec_Base64C::Decode(stored.substr(kTagLength));
  return decryption_->Decrypt(*cipher);
}

std::unique_ptr<sec_BlobC> sec_PwdEncryptionC::Decrypt(const sec_BlobC& input) {
  std::unique_ptr<sec_BlobC> result = DecryptTagged(input);
  if (result == nullptr) {
    Trace(TrcEncryptionPassword, "Decrypt operation failed");
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReport(SEC_E_DECRYPT, SEC_T_DECRYPT);
  }
  return result;
}
