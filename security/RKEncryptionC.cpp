#include "security/RKEncryptionC.h"

#include <cstring>

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
    : m_AlgorithmName(algorithm_name),
      m_Generator(new sec_FunctionKeyGenC(&RKEncryptionC::GetConfigFileHeader)),
      m_PwdEncryption(std::make_unique<sec_PwdEncryptionC>(PreferredNumber(algorithm_name),
                                                           m_Generator.Get(), mSalt)) {}

RKEncryptionC::RKEncryptionC(const char* algorithm_name)
    : RKEncryptionC(StringC(algorithm_name, StringC::CC_UTF8)) {}

RKEncryptionC::~RKEncryptionC() {
  // The password encryption holds references to the generator; it goes first.
  m_PwdEncryption.reset();
  m_Generator.Reset();
}

char* RKEncryptionC::GetConfigFileHeader(size_t& length) {
  char* copy = new char[sizeof(mKey)];
  std::memcpy(copy, mKey, sizeof(mKey));
  length = mKeyLength;
  return copy;
}

RcT RKEncryptionC::Encrypt(const StringC& password, StringC* result) {
  if (result == nullptr) return RC_POINTER;
  result->MakeEmpty();
  if (password.IsEmpty()) return RC_OK;
  // The password's bytes, wiped when `plain` is freed.
  std::unique_ptr<sec_BlobC> plain = sec_BlobC::FromText(password.Utf8View());
  std::unique_ptr<sec_BlobC> stored = m_PwdEncryption->Encrypt(*plain);
  if (stored == nullptr) return sec_LastErrorCode();
  const std::string_view text = stored->TextView();
  *result = StringC(text.data(), text.size(), StringC::CC_ASCII);
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
  std::unique_ptr<sec_BlobC> input = sec_BlobC::FromText(
      std::string_view(static_cast<const char*>(bytes), static_cast<size_t>(count)));
  stored.ReleaseBytes(bytes, StringC::CC_SYS8);
  std::unique_ptr<sec_BlobC> plain = m_PwdEncryption->Decrypt(*input);
  if (plain == nullptr) return sec_LastErrorCode();
  // The plain text ends at its terminating zero; TextView never reads past the buffer when a
  // (foreign or corrupt) plain text lacks it.
  const std::string_view text = plain->TextView();
  *result = StringC(text.data(), text.size(),
                    input->Data()[0] == '!' ? StringC::CC_UTF8 : StringC::CC_LATIN1);
  return RC_OK;
}
