#include "security/RKEncryptionC.h"

#include <cstring>
#include <string>

#include "cmn/cmn_TextCodec.h"
#include "log/ErrMessages.h"
#include "security/sec_BlobC.h"
#include "security/sec_Errors.h"
#include "security/sec_FunctionKeyGenC.h"

namespace {

int PreferredNumber(const StringC& name) {
  return name.EqualsNoCase(StringC(RKEncryptionC::mAES_256, StringC::CC_ASCII))
             ? sec_PwdEncryptionC::c_Aes256
             : sec_PwdEncryptionC::c_Aes128;
}

}  // namespace

RKEncryptionC::RKEncryptionC(const StringC& algorithm_name)
    : algorithm_name_(algorithm_name),
      generator_(new sec_FunctionKeyGenC(&RKEncryptionC::GetConfigFileHeader)),
      pwd_encryption_(std::make_unique<sec_PwdEncryptionC>(PreferredNumber(algorithm_name),
                                                           generator_.Get(), mSalt)) {}

RKEncryptionC::RKEncryptionC(const char* algorithm_name)
    : RKEncryptionC(StringC(algorithm_name, StringC::CC_UTF8)) {}

RKEncryptionC::~RKEncryptionC() {
  // The password encryption holds references to the generator; it goes first.
  pwd_encryption_.reset();
  generator_.Reset();
}

char* RKEncryptionC::GetConfigFileHeader(size_t& length) {
  char* copy = new char[sizeof(mKey)];
  std::memcpy(copy, mKey, sizeof(mKey));
  length = mKeyLength;
  return copy;
}

bool RKEncryptionC::IsStoredForm(std::string_view text) noexcept {
  return text.size() >= 3 && text[0] == '!' && text[1] >= 'A' && text[1] <= 'Z' && text[2] >= '0' &&
         text[2] <= '9';
}

RcT RKEncryptionC::Encrypt(std::string_view password, std::string* stored) {
  if (stored == nullptr) return RC_POINTER;
  stored->clear();
  if (password.empty()) return RC_OK;
  // The password's bytes, wiped when `plain` is freed.
  std::unique_ptr<sec_BlobC> plain = sec_BlobC::FromText(password);
  std::unique_ptr<sec_BlobC> result = pwd_encryption_->Encrypt(*plain);
  if (result == nullptr) return sec_LastErrorCode();
  stored->assign(result->TextView());
  return RC_OK;
}

RcT RKEncryptionC::Decrypt(std::string_view stored, std::unique_ptr<sec_BlobC>* plain) {
  if (plain == nullptr) return RC_POINTER;
  plain->reset();
  if (stored.empty()) {
    *plain = std::make_unique<sec_BlobC>(0);
    return RC_OK;
  }
  std::unique_ptr<sec_BlobC> input = sec_BlobC::FromText(stored);
  std::unique_ptr<sec_BlobC> result = pwd_encryption_->Decrypt(*input);
  if (result == nullptr) return sec_LastErrorCode();
  // The plain text ends at its terminating zero; TextView never reads past the buffer when a
  // (foreign or corrupt) plain text lacks it. What follows is wiped now.
  const size_t length = result->TextView().size();
  result->Truncate(length);
  const auto* bytes = result->Data();
  if (!cmn_IsWellFormedUtf8(bytes, length)) {
    // Most likely a wrong key: replacement characters would make a different password.
    (void)ErrReport(SEC_E_NOT_UTF8, SEC_T_NOT_UTF8);
    return ErrReport(SEC_E_DECRYPT, SEC_T_DECRYPT);
  }
  *plain = std::move(result);
  return RC_OK;
}

RcT RKEncryptionC::Encrypt(const StringC& password, StringC* result) {
  if (result == nullptr) return RC_POINTER;
  result->MakeEmpty();
  std::string stored;
  if (const RcT rc = Encrypt(password.Utf8View(), &stored); RcFailed(rc)) return rc;
  *result = StringC(stored.data(), stored.size(), StringC::CC_ASCII);
  return RC_OK;
}

RcT RKEncryptionC::Decrypt(const StringC& stored, StringC* result) {
  if (result == nullptr) return RC_POINTER;
  result->MakeEmpty();
  if (stored.IsEmpty()) return RC_OK;
  void* bytes = stored.GetBytes(StringC::CC_SYS8);
  const int64_t count = stored.GetByteLength(StringC::CC_SYS8);
  if (bytes == nullptr || count < 0) {
    if (bytes != nullptr) stored.ReleaseBytes(bytes, StringC::CC_SYS8);
    return RC_FAIL;
  }
  const std::string text(static_cast<const char*>(bytes), static_cast<size_t>(count));
  stored.ReleaseBytes(bytes, StringC::CC_SYS8);
  std::unique_ptr<sec_BlobC> plain;
  if (const RcT rc = Decrypt(text, &plain); RcFailed(rc)) return rc;
  const std::string_view password = plain->TextView();
  *result = StringC(password.data(), password.size(), StringC::CC_UTF8);
  return RC_OK;
}
