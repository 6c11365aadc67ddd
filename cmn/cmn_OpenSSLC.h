// The cryptographic provider behind getOpenSSL(2): the function table over libcrypto
// (OpenSSL 3), loaded with the dynamic loader on first use.
#ifndef QLM_CMN_CMN_OPENSSLC_H_
#define QLM_CMN_CMN_OPENSSLC_H_

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_OpenSSLI.h"

typedef struct ossl_provider_st OSSL_PROVIDER;
typedef struct ossl_lib_ctx_st OSSL_LIB_CTX;

class cmn_OpenSSLC final : public cmn_OpenSSLI {
 public:
  // `system_library` is the name the dynamic loader searches when the library directory holds
  // no usable library (tests name a missing one). Nothing is loaded here.
  explicit cmn_OpenSSLC(std::string system_library = cmn_kCryptoLibraryName);
  // Unloads the providers when they were loaded. The library itself stays mapped: OpenSSL's
  // own exit handler lives in it.
  ~cmn_OpenSSLC();
  cmn_OpenSSLC(const cmn_OpenSSLC&) = delete;
  cmn_OpenSSLC& operator=(const cmn_OpenSSLC&) = delete;

  // The process provider, made on first use. Once loaded, its providers are unloaded at exit,
  // before OpenSSL's own clean-up (which would otherwise leave them behind); the object itself
  // is never destroyed.
  static cmn_OpenSSLC& Instance();

  [[nodiscard]] uint32_t SetLibraryDirectory(const char* directory) override;
  // The table, after loading the library and OpenSSL's "default" and "legacy" providers once
  // (single DES, DES-ECB, lives only in "legacy"; a missing legacy provider is traced and
  // DES-ECB operations then fail through the table).
  const cmn_CryptoTableS* Functions() const noexcept override {
    std::call_once(load_once_, [this] { const_cast<cmn_OpenSSLC*>(this)->Load(); });
    return &table_;
  }
  std::string LibraryDirectory() const override;
  bool Available() const noexcept override;
  std::string_view LoadedFrom() const noexcept override;

 private:
  using ProviderLoadFn = OSSL_PROVIDER* (*)(OSSL_LIB_CTX*, const char*);
  using ProviderUnloadFn = int (*)(OSSL_PROVIDER*);

  void Load() noexcept;
  // Fills the table from `handle` (the library `shown` in messages); false (table untouched)
  // when a symbol is missing, named in *why.
  bool Bind(void* handle, const std::string& shown, std::string* why) noexcept;
  void LoadProviders() noexcept;
  void UnloadProviders() noexcept;

  const std::string system_library_;
  cmn_CryptoTableS table_;
  bool available_ = false;   // written once inside load_once_
  std::string loaded_from_;  // written once inside load_once_
  ProviderLoadFn provider_load_ = nullptr;
  ProviderUnloadFn provider_unload_ = nullptr;
  OSSL_PROVIDER* default_provider_ = nullptr;
  OSSL_PROVIDER* legacy_provider_ = nullptr;
  std::atomic<bool> tried_{false};  // Load started
  mutable std::once_flag load_once_;
  mutable cmn_MutexC mutex_;
  std::string library_directory_ QLM_GUARDED_BY(mutex_);
};

#endif  // QLM_CMN_CMN_OPENSSLC_H_
