#include "security/sec_OpenSSL_AlgorithmC.h"

#include <climits>

#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "security/sec_Errors.h"

namespace {

const unsigned char kZeroIv[sec_OpenSSL_AlgorithmC::c_MaxIvLength] = {};
const unsigned char kZeroBlock[sec_OpenSSL_AlgorithmC::c_MaxBlockSize] = {};

// Frees the cipher context on every path (the context holds the expanded key; OpenSSL
// clears it when freeing).
struct CipherCtxDeleter {
  void operator()(EVP_CIPHER_CTX* ctx) const noexcept {
    getOpenSSL()->Functions()->EVP_CIPHER_CTX_free(ctx);
  }
};

}  // namespace

sec_OpenSSL_AlgorithmC::sec_OpenSSL_AlgorithmC(sec_KeyGeneratorC* generator,
                                               const EVP_CIPHER* cipher, bool zero_padding)
    : sec_EncryptionAlgorithmC(generator), zero_padding_(zero_padding) {
  if (cipher == nullptr) return;
  const cmn_CryptoTableS* ssl = getOpenSSL()->Functions();
  const int key_length = ssl->EVP_CIPHER_get_key_length(cipher);
  const int iv_length = ssl->EVP_CIPHER_get_iv_length(cipher);
  const int block_size = ssl->EVP_CIPHER_get_block_size(cipher);
  if (key_length <= 0 || key_length > c_MaxKeyLength || iv_length < 0 ||
      iv_length > c_MaxIvLength || block_size <= 0 || block_size > c_MaxBlockSize) {
    return;
  }
  cipher_ = cipher;
  block_size_ = block_size;
  if (Generator() == nullptr) return;
  key_material_ = Generator()->Generate();
  if (key_material_ == nullptr) return;
  const uint64_t have = key_material_->Length();
  if (have < static_cast<uint64_t>(key_length)) {
    // Reading a key from shorter material would read past it.
    TraceV(TrcEncryptionAlgorithm,
           "sec_OpenSSL_AlgorithmC: key material of %d bytes is shorter than the key (%d)",
           static_cast<int>(have), key_length);
    key_material_.reset();
    return;
  }
  key_ = key_material_->Data();
  iv_ =
      iv_length > 0 && have >= static_cast<uint64_t>(key_length) + static_cast<uint64_t>(iv_length)
          ? key_material_->Data() + key_length
          : kZeroIv;
}

sec_OpenSSL_AlgorithmC::~sec_OpenSSL_AlgorithmC() = default;

bool sec_OpenSSL_AlgorithmC::IsAvailable() const noexcept {
  return cipher_ != nullptr && key_material_ != nullptr;
}

std::unique_ptr<sec_BlobC> sec_OpenSSL_AlgorithmC::Encrypt(const sec_BlobC& input) {
  return Run(true, input);
}

std::unique_ptr<sec_BlobC> sec_OpenSSL_AlgorithmC::Decrypt(const sec_BlobC& input) {
  return Run(false, input);
}

std::unique_ptr<sec_BlobC> sec_OpenSSL_AlgorithmC::Run(bool encrypt, const sec_BlobC& input) {
  if (!IsAvailable()) return nullptr;
  const cmn_CryptoTableS* ssl = getOpenSSL()->Functions();
  // Room for the input, a block of zero padding and a final padding block.
  constexpr uint64_t kSlack = 32;
  if (input.Length() > static_cast<uint64_t>(INT_MAX) - kSlack) {
    return nullptr;
  }
  const int length = static_cast<int>(input.Length());

  std::unique_ptr<EVP_CIPHER_CTX, CipherCtxDeleter> ctx(ssl->EVP_CIPHER_CTX_new());
  if (ctx == nullptr) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)sec_ReportOpenSSLFailure("EVP_CIPHER_CTX_new");
    return nullptr;
  }
  const int init = encrypt ? ssl->EVP_EncryptInit_ex(ctx.get(), cipher_, nullptr, key_, iv_)
                           : ssl->EVP_DecryptInit_ex(ctx.get(), cipher_, nullptr, key_, iv_);
  if (init != 1) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)sec_ReportOpenSSLFailure(encrypt ? "EVP_EncryptInit" : "EVP_DecryptInit");
    return nullptr;
  }
  if (ssl->EVP_CIPHER_CTX_set_padding(ctx.get(), zero_padding_ ? 0 : 1) != 1) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)sec_ReportOpenSSLFailure("EVP_CIPHER_CTX_set_padding");
    return nullptr;
  }

  auto output = std::make_unique<sec_BlobC>(input.Length() + kSlack);
  int total = 0;
  int written = 0;
  const int update =
      encrypt ? ssl->EVP_EncryptUpdate(ctx.get(), output->Data(), &written, input.Data(), length)
              : ssl->EVP_DecryptUpdate(ctx.get(), output->Data(), &written, input.Data(), length);
  if (update != 1) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)sec_ReportOpenSSLFailure(encrypt ? "EVP_EncryptUpdate" : "EVP_DecryptUpdate");
    return nullptr;
  }
  total += written;
  if (encrypt && zero_padding_ && length % block_size_ != 0) {
    const int fill = block_size_ - length % block_size_;
    if (ssl->EVP_EncryptUpdate(ctx.get(), output->Data() + total, &written, kZeroBlock, fill) !=
        1) {
      // Reported for the caller; the code it returns is not this function's result.
      (void)sec_ReportOpenSSLFailure("EVP_EncryptUpdate(padding)");
      return nullptr;
    }
    total += written;
  }
  const int final = encrypt ? ssl->EVP_EncryptFinal_ex(ctx.get(), output->Data() + total, &written)
                            : ssl->EVP_DecryptFinal_ex(ctx.get(), output->Data() + total, &written);
  if (final != 1) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)sec_ReportOpenSSLFailure(encrypt ? "EVP_EncryptFinal" : "EVP_DecryptFinal");
    return nullptr;
  }
  total += written;
  output->Truncate(static_cast<uint64_t>(total));
  return output;
}
