#include "cmn/cmn_OpenSSLC.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <openssl/rand.h>

#include <cstdlib>

#include "cmn/cmn_ArgsI.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_TracerI.h"

namespace {

cmn_TraceCategoryS TrcOpenSSL = {{nullptr}, "Encoding/Encryption/OpenSSL"};

// A one-argument list holding a character string, for the traces below.
class TextArgC final : public cmn_ArgsI {
 public:
  explicit TextArgC(const char* text) {
    value_.type = ARG_CHARSTAR;
    value_.cstr = text;
  }
  size_t Count() const override { return 1; }
  const cmn_ArgValueS* At(size_t index) const override { return index == 0 ? &value_ : nullptr; }

 private:
  cmn_ArgValueS value_;
};

void TraceText(const char* format, const char* text) {
  if (!cmn_TraceIsOn(TrcOpenSSL)) return;
  TextArgC args(text);
  getTracer(2)->Trace(TrcOpenSSL.name, &TrcOpenSSL, format, &args);
}

// In OpenSSL 3 ERR_load_crypto_strings is a macro over OPENSSL_init_crypto; the table needs an
// address. Returns 1 on success like the original.
int LoadCryptoStrings() {
  return OPENSSL_init_crypto(OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr);
}

}  // namespace

cmn_OpenSSLI* getOpenSSL(int version) {
  if (version != 2) return nullptr;
  return &cmn_OpenSSLC::Instance();
}

cmn_OpenSSLC& cmn_OpenSSLC::Instance() {
  static cmn_OpenSSLC* const instance = new cmn_OpenSSLC();
  return *instance;
}

cmn_OpenSSLC::cmn_OpenSSLC() : table_{} {
  table_.EVP_CIPHER_CTX_new = &::EVP_CIPHER_CTX_new;
  table_.EVP_CIPHER_CTX_free = &::EVP_CIPHER_CTX_free;
  table_.EVP_CIPHER_CTX_set_padding = &::EVP_CIPHER_CTX_set_padding;
  table_.EVP_aes_128_cbc = &::EVP_aes_128_cbc;
  table_.EVP_aes_256_cbc = &::EVP_aes_256_cbc;
  table_.EVP_des_ecb = &::EVP_des_ecb;
  table_.EVP_des_ede3_cbc = &::EVP_des_ede3_cbc;
  table_.EVP_EncryptInit_ex = &::EVP_EncryptInit_ex;
  table_.EVP_EncryptUpdate = &::EVP_EncryptUpdate;
  table_.EVP_EncryptFinal_ex = &::EVP_EncryptFinal_ex;
  table_.EVP_DecryptInit_ex = &::EVP_DecryptInit_ex;
  table_.EVP_DecryptUpdate = &::EVP_DecryptUpdate;
  table_.EVP_DecryptFinal_ex = &::EVP_DecryptFinal_ex;
  table_.EVP_sha1 = &::EVP_sha1;
  table_.EVP_sha256 = &::EVP_sha256;
  table_.EVP_Digest = &::EVP_Digest;
  table_.PKCS5_PBKDF2_HMAC = &::PKCS5_PBKDF2_HMAC;
  table_.EVP_EncodeBlock = &::EVP_EncodeBlock;
  table_.EVP_DecodeBlock = &::EVP_DecodeBlock;
  table_.ERR_get_error = &::ERR_get_error;
  table_.ERR_error_string_n = &::ERR_error_string_n;
  table_.ERR_lib_error_string = &::ERR_lib_error_string;
  table_.ERR_reason_error_string = &::ERR_reason_error_string;
  table_.ERR_load_crypto_strings = &LoadCryptoStrings;
  table_.ERR_clear_error = &::ERR_clear_error;
  table_.OPENSSL_cleanse = &::OPENSSL_cleanse;
  table_.RAND_bytes = &::RAND_bytes;
  table_.EVP_CIPHER_get_key_length = &::EVP_CIPHER_get_key_length;
  table_.EVP_CIPHER_get_iv_length = &::EVP_CIPHER_get_iv_length;
  table_.EVP_CIPHER_get_block_size = &::EVP_CIPHER_get_block_size;
  table_.EVP_MD_get_size = &::EVP_MD_get_size;
  table_.ERR_get_error_all = &::ERR_get_error_all;
}

void cmn_OpenSSLC::LoadProviders() noexcept {
  // Loading any provider explicitly stops OpenSSL from loading "default" by itself, so both
  // are loaded. They stay loaded for the life of the process.
  default_provider_ = OSSL_PROVIDER_load(nullptr, "default");
  if (default_provider_ == nullptr) {
    TraceText("cmn_OpenSSLC::LoadProviders(): cannot load the %s provider", "default");
  }
  legacy_provider_ = OSSL_PROVIDER_load(nullptr, "legacy");
  if (legacy_provider_ == nullptr) {
    TraceText("cmn_OpenSSLC::LoadProviders(): cannot load the %s provider", "legacy");
  }
  ERR_clear_error();  // a failed provider load leaves errors that are not the caller's
  // OpenSSL registered its exit handler while the providers were loaded; this one is
  // registered later and so runs first.
  std::atexit([] { Instance().UnloadProviders(); });
}

cmn_OpenSSLC::~cmn_OpenSSLC() {
  UnloadProviders();
}

void cmn_OpenSSLC::UnloadProviders() noexcept {
  if (legacy_provider_ != nullptr) OSSL_PROVIDER_unload(legacy_provider_);
  if (default_provider_ != nullptr) OSSL_PROVIDER_unload(default_provider_);
  legacy_provider_ = nullptr;
  default_provider_ = nullptr;
}

uint32_t cmn_OpenSSLC::SetLibraryDirectory(const char* directory) {
  if (directory == nullptr) return RC_INVALIDARG;
  TraceText("cmn_OpenSSLC::SetLibraryDirectory(): crypto library directory %s", directory);
  std::lock_guard<std::mutex> lock(mutex_);
  library_directory_ = directory;
  return RC_OK;
}

std::string_view cmn_OpenSSLC::LibraryDirectory() const noexcept {
  std::lock_guard<std::mutex> lock(mutex_);
  return library_directory_;
}
