// The cryptographic provider behind getOpenSSL(2): the function table over the linked
// libcrypto (OpenSSL 3).
#ifndef QLM_CMN_CMN_OPENSSLC_H_
#define QLM_CMN_CMN_OPENSSLC_H_

#include <mutex>
#include <string>
#include <string_view>

#include "cmn/cmn_OpenSSLI.h"

typedef struct ossl_provider_st OSSL_PROVIDER;

class cmn_OpenSSLC final : public cmn_OpenSSLI {
 public:
  // Fills the table. OpenSSL's "default" and "legacy" providers are loaded into the default
  // library context on the first Functions() call (single DES, DES-ECB, which the table offers,
  // lives only in "legacy"), so a program that never encrypts does not pay for them. A missing
  // legacy provider is traced; DES-ECB operations then fail through the table.
  cmn_OpenSSLC();
  // Unloads the providers when they were loaded.
  ~cmn_OpenSSLC();
  cmn_OpenSSLC(const cmn_OpenSSLC&) = delete;
  cmn_OpenSSLC& operator=(const cmn_OpenSSLC&) = delete;

  // The process provider, made on first use. Once loaded, its providers are unloaded at exit,
  // before OpenSSL's own clean-up (which would otherwise leave them behind); the object itself
  // is never destroyed.
  static cmn_OpenSSLC& Instance();

  [[nodiscard]] uint32_t SetLibraryDirectory(const char* directory) override;
  // The table, after loading the providers once (thread-safe).
  const cmn_CryptoTableS* Functions() const noexcept override {
    std::call_once(providers_once_, [this] { const_cast<cmn_OpenSSLC*>(this)->LoadProviders(); });
    return &table_;
  }
  // Valid until the next SetLibraryDirectory.
  std::string_view LibraryDirectory() const noexcept override;

 private:
  void LoadProviders() noexcept;
  void UnloadProviders() noexcept;

  cmn_CryptoTableS table_;
  OSSL_PROVIDER* default_provider_ = nullptr;
  OSSL_PROVIDER* legacy_provider_ = nullptr;
  mutable std::once_flag providers_once_;
  mutable std::mutex mutex_;
  std::string library_directory_;  // guarded by mutex_
};

#endif  // QLM_CMN_CMN_OPENSSLC_H_
