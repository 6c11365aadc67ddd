#include "cmn/cmn_OpenSSLC.h"

#include <openssl/crypto.h>
#include <openssl/provider.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "cmn/cmn_ArgsI.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_OpenSSLC_posix.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_TracerI.h"

namespace {

cmn_TraceCategoryS TrcOpenSSL = {{nullptr}, "Encoding/Encryption/OpenSSL"};

// An argument list of up to two character strings, for the traces below.
class TextArgsC final : public cmn_ArgsI {
 public:
  explicit TextArgsC(const char* first, const char* second = nullptr)
      : count_(second != nullptr ? 2 : 1) {
    values_[0].type = ARG_CHARSTAR;
    values_[0].cstr = first;
    values_[1].type = ARG_CHARSTAR;
    values_[1].cstr = second != nullptr ? second : "";
  }
  size_t Count() const override { return count_; }
  const cmn_ArgValueS* At(size_t index) const override {
    return index < count_ ? &values_[index] : nullptr;
  }

 private:
  size_t count_;
  cmn_ArgValueS values_[2];
};

void TraceText(const char* format, const char* first, const char* second = nullptr) {
  if (!cmn_TraceIsOn(TrcOpenSSL)) return;
  TextArgsC args(first, second);
  getTracer(2)->Trace(TrcOpenSSL.name, &TrcOpenSSL, format, &args);
}

// OPENSSL_init_crypto of the loaded library. In OpenSSL 3 ERR_load_crypto_strings is a macro
// over it, so the table needs an address of its own; returns 1 on success like the original.
using InitCryptoFn = decltype(&::OPENSSL_init_crypto);
std::atomic<InitCryptoFn> g_init_crypto{nullptr};

int LoadCryptoStrings() {
  InitCryptoFn init = g_init_crypto.load(std::memory_order_acquire);
  return init != nullptr ? init(OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) : 0;
}

// The stand-ins used while no library is loaded: each fails the way OpenSSL does.
namespace standin {
EVP_CIPHER_CTX* CtxNew() {
  return nullptr;
}
void CtxFree(EVP_CIPHER_CTX*) {}
int SetPadding(EVP_CIPHER_CTX*, int) {
  return 0;
}
const EVP_CIPHER* NoCipher() {
  return nullptr;
}
int CipherInit(EVP_CIPHER_CTX*, const EVP_CIPHER*, ENGINE*, const unsigned char*,
               const unsigned char*) {
  return 0;
}
int CipherUpdate(EVP_CIPHER_CTX*, unsigned char*, int* written, const unsigned char*, int) {
  if (written != nullptr) *written = 0;
  return 0;
}
int CipherFinal(EVP_CIPHER_CTX*, unsigned char*, int* written) {
  if (written != nullptr) *written = 0;
  return 0;
}
const EVP_MD* NoDigest() {
  return nullptr;
}
int Digest(const void*, size_t, unsigned char*, unsigned int* written, const EVP_MD*, ENGINE*) {
  if (written != nullptr) *written = 0;
  return 0;
}
int Pbkdf2(const char*, int, const unsigned char*, int, int, const EVP_MD*, int, unsigned char*) {
  return 0;
}
// Base64 needs no cipher library; the text and a terminating zero, like EVP_EncodeBlock.
int EncodeBlock(unsigned char* out, const unsigned char* in, int length) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  int n = 0;
  for (int i = 0; i < length; i += 3) {
    const int left = length - i;
    const uint32_t group = (static_cast<uint32_t>(in[i]) << 16) |
                           (left > 1 ? static_cast<uint32_t>(in[i + 1]) << 8 : 0u) |
                           (left > 2 ? static_cast<uint32_t>(in[i + 2]) : 0u);
    out[n++] = kAlphabet[(group >> 18) & 63];
    out[n++] = kAlphabet[(group >> 12) & 63];
    out[n++] = left > 1 ? kAlphabet[(group >> 6) & 63] : '=';
    out[n++] = left > 2 ? kAlphabet[group & 63] : '=';
  }
  out[n] = 0;
  return n;
}
int DecodeBlock(unsigned char*, const unsigned char*, int) {
  return -1;
}
unsigned long NoError() {
  return 0;
}
void ErrorString(unsigned long, char* buffer, size_t length) {
  if (buffer != nullptr && length > 0) buffer[0] = '\0';
}
const char* NoText(unsigned long) {
  return nullptr;
}
int LoadStrings() {
  return 0;
}
void ClearError() {}
int RandBytes(unsigned char*, int) {
  return 0;
}
int CipherParameter(const EVP_CIPHER*) {
  return 0;
}
int DigestSize(const EVP_MD*) {
  return -1;
}
unsigned long NoErrorAll(const char** file, int* line, const char** function, const char** data,
                         int* flags) {
  if (file != nullptr) *file = nullptr;
  if (line != nullptr) *line = 0;
  if (function != nullptr) *function = nullptr;
  if (data != nullptr) *data = nullptr;
  if (flags != nullptr) *flags = 0;
  return 0;
}
}  // namespace standin

cmn_CryptoTableS StandInTable() {
  cmn_CryptoTableS t{};
  t.EVP_CIPHER_CTX_new = &standin::CtxNew;
  t.EVP_CIPHER_CTX_free = &standin::CtxFree;
  t.EVP_CIPHER_CTX_set_padding = &standin::SetPadding;
  t.EVP_aes_128_cbc = &standin::NoCipher;
  t.EVP_aes_256_cbc = &standin::NoCipher;
  t.EVP_des_ecb = &standin::NoCipher;
  t.EVP_des_ede3_cbc = &standin::NoCipher;
  t.EVP_EncryptInit_ex = &standin::CipherInit;
  t.EVP_EncryptUpdate = &standin::CipherUpdate;
  t.EVP_EncryptFinal_ex = &standin::CipherFinal;
  t.EVP_DecryptInit_ex = &standin::CipherInit;
  t.EVP_DecryptUpdate = &standin::CipherUpdate;
  t.EVP_DecryptFinal_ex = &standin::CipherFinal;
  t.EVP_sha1 = &standin::NoDigest;
  t.EVP_sha256 = &standin::NoDigest;
  t.EVP_Digest = &standin::Digest;
  t.PKCS5_PBKDF2_HMAC = &standin::Pbkdf2;
  t.EVP_EncodeBlock = &standin::EncodeBlock;
  t.EVP_DecodeBlock = &standin::DecodeBlock;
  t.ERR_get_error = &standin::NoError;
  t.ERR_error_string_n = &standin::ErrorString;
  t.ERR_lib_error_string = &standin::NoText;
  t.ERR_reason_error_string = &standin::NoText;
  t.ERR_load_crypto_strings = &standin::LoadStrings;
  t.ERR_clear_error = &standin::ClearError;
  t.OPENSSL_cleanse = &cmn_CryptoWipe;
  t.RAND_bytes = &standin::RandBytes;
  t.EVP_CIPHER_get_key_length = &standin::CipherParameter;
  t.EVP_CIPHER_get_iv_length = &standin::CipherParameter;
  t.EVP_CIPHER_get_block_size = &standin::CipherParameter;
  t.EVP_MD_get_size = &standin::DigestSize;
  t.ERR_get_error_all = &standin::NoErrorAll;
  return t;
}

// Resolves `name` into `slot`; false (with the name in *missing) when the library lacks it.
template <typename T>
bool Resolve(void* handle, const char* name, T* slot, std::string* missing) {
  void* address = cmn_CryptoSymbol(handle, name);
  if (address == nullptr) {
    if (missing->empty()) *missing = name;
    return false;
  }
  *slot = reinterpret_cast<T>(address);
  return true;
}

bool g_process_registered = false;  // the process provider's exit handler is registered

}  // namespace

cmn_OpenSSLI* getOpenSSL(int version) {
  if (version != 2) return nullptr;
  return &cmn_OpenSSLC::Instance();
}

cmn_OpenSSLC& cmn_OpenSSLC::Instance() {
  static cmn_OpenSSLC* const instance = new cmn_OpenSSLC();
  return *instance;
}

cmn_OpenSSLC::cmn_OpenSSLC(std::string system_library)
    : system_library_(std::move(system_library)), table_(StandInTable()) {}

cmn_OpenSSLC::~cmn_OpenSSLC() {
  UnloadProviders();
}

void cmn_OpenSSLC::Load() noexcept {
  tried_.store(true, std::memory_order_release);
  std::string directory;
  {
    cmn_MutexLockC lock(mutex_);
    directory = library_directory_;
  }
  std::string reasons;  // why each candidate was passed over, for the unavailable report
  auto passed_over = [&reasons](const std::string& why) {
    TraceText("cmn_OpenSSLC::Load(): %s", why.c_str());
    if (!reasons.empty()) reasons += "; ";
    reasons += why;
  };

  while (!directory.empty() && directory.size() > 1 && directory.back() == '/') {
    directory.pop_back();
  }
  if (!directory.empty()) {
    const std::string path = directory + "/" + cmn_kCryptoLibraryName;
    bool absent = false;
    std::string why;
    if (void* handle = cmn_CryptoOpenTrusted(path, &absent, &why); handle != nullptr) {
      if (Bind(handle, path, &why)) {
        loaded_from_ = path;
      } else {
        cmn_CryptoClose(handle);
        passed_over(why);
      }
    } else if (absent) {
      TraceText("cmn_OpenSSLC::Load(): no %s, using the system's", path.c_str());
    } else {
      passed_over(why);
    }
  }
  if (!available_) {
    std::string why;
    if (void* handle = cmn_CryptoOpenSystem(system_library_, &why); handle != nullptr) {
      if (Bind(handle, system_library_, &why)) {
        loaded_from_ = cmn_CryptoMappedFile(handle);
        if (loaded_from_.empty()) loaded_from_ = system_library_;
      } else {
        cmn_CryptoClose(handle);
        passed_over(why);
      }
    } else {
      passed_over(why);
    }
  }
  if (!available_) {
    const std::string text =
        "The cipher library cannot be loaded (" + reasons + "); password encryption is unavailable";
    TraceText("cmn_OpenSSLC::Load(): %s", text.c_str());
    if (cmn_ErrBufI* buffer = getErrBuf()) buffer->Add(cmn_kCryptoUnavailable, 4, text);
    return;
  }
  TraceText("cmn_OpenSSLC::Load(): cipher library %s", loaded_from_.c_str());
  LoadProviders();
}

bool cmn_OpenSSLC::Bind(void* handle, const std::string& shown, std::string* why) noexcept {
  cmn_CryptoTableS t{};
  std::string missing;
  InitCryptoFn init_crypto = nullptr;
  ProviderLoadFn provider_load = nullptr;
  ProviderUnloadFn provider_unload = nullptr;
  bool ok = true;
#define QLM_RESOLVE(field) ok = Resolve(handle, #field, &t.field, &missing) && ok
  QLM_RESOLVE(EVP_CIPHER_CTX_new);
  QLM_RESOLVE(EVP_CIPHER_CTX_free);
  QLM_RESOLVE(EVP_CIPHER_CTX_set_padding);
  QLM_RESOLVE(EVP_aes_128_cbc);
  QLM_RESOLVE(EVP_aes_256_cbc);
  QLM_RESOLVE(EVP_des_ecb);
  QLM_RESOLVE(EVP_des_ede3_cbc);
  QLM_RESOLVE(EVP_EncryptInit_ex);
  QLM_RESOLVE(EVP_EncryptUpdate);
  QLM_RESOLVE(EVP_EncryptFinal_ex);
  QLM_RESOLVE(EVP_DecryptInit_ex);
  QLM_RESOLVE(EVP_DecryptUpdate);
  QLM_RESOLVE(EVP_DecryptFinal_ex);
  QLM_RESOLVE(EVP_sha1);
  QLM_RESOLVE(EVP_sha256);
  QLM_RESOLVE(EVP_Digest);
  QLM_RESOLVE(PKCS5_PBKDF2_HMAC);
  QLM_RESOLVE(EVP_EncodeBlock);
  QLM_RESOLVE(EVP_DecodeBlock);
  QLM_RESOLVE(ERR_get_error);
  QLM_RESOLVE(ERR_error_string_n);
  QLM_RESOLVE(ERR_lib_error_string);
  QLM_RESOLVE(ERR_reason_error_string);
  QLM_RESOLVE(ERR_clear_error);
  QLM_RESOLVE(OPENSSL_cleanse);
  QLM_RESOLVE(RAND_bytes);
  QLM_RESOLVE(EVP_CIPHER_get_key_length);
  QLM_RESOLVE(EVP_CIPHER_get_iv_length);
  QLM_RESOLVE(EVP_CIPHER_get_block_size);
  QLM_RESOLVE(EVP_MD_get_size);
  QLM_RESOLVE(ERR_get_error_all);
#undef QLM_RESOLVE
  ok = Resolve(handle, "OPENSSL_init_crypto", &init_crypto, &missing) && ok;
  ok = Resolve(handle, "OSSL_PROVIDER_load", &provider_load, &missing) && ok;
  ok = Resolve(handle, "OSSL_PROVIDER_unload", &provider_unload, &missing) && ok;
  if (!ok) {
    *why = "'" + shown + "' lacks " + missing;
    return false;
  }
  t.ERR_load_crypto_strings = &LoadCryptoStrings;
  g_init_crypto.store(init_crypto, std::memory_order_release);
  provider_load_ = provider_load;
  provider_unload_ = provider_unload;
  table_ = t;
  available_ = true;
  return true;
}

void cmn_OpenSSLC::LoadProviders() noexcept {
  // Loading any provider explicitly stops OpenSSL from loading "default" by itself, so both
  // are loaded. They stay loaded for the life of the provider.
  default_provider_ = provider_load_(nullptr, "default");
  if (default_provider_ == nullptr) {
    TraceText("cmn_OpenSSLC::LoadProviders(): cannot load the %s provider", "default");
  }
  legacy_provider_ = provider_load_(nullptr, "legacy");
  if (legacy_provider_ == nullptr) {
    TraceText("cmn_OpenSSLC::LoadProviders(): cannot load the %s provider", "legacy");
  }
  table_.ERR_clear_error();  // a failed provider load leaves errors that are not the caller's
  // OpenSSL registered its exit handler while the providers were loaded; this one is
  // registered later and so runs first. Only the process provider lives until exit.
  if (this == &Instance() && !g_process_registered) {
    g_process_registered = true;
    std::atexit([] { Instance().UnloadProviders(); });
  }
}

void cmn_OpenSSLC::UnloadProviders() noexcept {
  if (legacy_provider_ != nullptr) provider_unload_(legacy_provider_);
  if (default_provider_ != nullptr) provider_unload_(default_provider_);
  legacy_provider_ = nullptr;
  default_provider_ = nullptr;
}

uint32_t cmn_OpenSSLC::SetLibraryDirectory(const char* directory) {
  if (directory == nullptr) return RC_INVALIDARG;
  TraceText("cmn_OpenSSLC::SetLibraryDirectory(): crypto library directory %s", directory);
  if (tried_.load(std::memory_order_acquire)) {
    TraceText("cmn_OpenSSLC::SetLibraryDirectory(): %s was looked for already; %s changes nothing",
              cmn_kCryptoLibraryName, directory);
  }
  cmn_MutexLockC lock(mutex_);
  library_directory_ = directory;
  return RC_OK;
}

std::string cmn_OpenSSLC::LibraryDirectory() const {
  cmn_MutexLockC lock(mutex_);
  return library_directory_;
}

bool cmn_OpenSSLC::Available() const noexcept {
  // Loads the table once; the flag below holds the outcome.
  (void)Functions();
  return available_;
}

std::string_view cmn_OpenSSLC::LoadedFrom() const noexcept {
  // Loads the table once; the name below holds the outcome.
  (void)Functions();
  return loaded_from_;
}
