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
  // Fills the table. Also loads OpenSSL's "default" and "legacy" providers into the default
  // library context: single DES (DES-ECB), which the table offers, lives only in "legacy".
  // A missing legacy provider is traced; DES-ECB operations then fail through the table.
  cmn_OpenSSLC();
  // Unloads the providers loaded by the constructor.
  ~cmn_OpenSSLC();
  cmn_OpenSSLC(const cmn_OpenSSLC&) = delete;
  cmn_OpenSSLC& operator=(const cmn_OpenSSLC&) = delete;

  // The process provider, made on first use. Its providers are unloaded at exit, before
  // OpenSSL's own clean-up (which would otherwise leave them behind); the object itself is
  // never destroyed.
  static cmn_OpenSSLC& Instance();

  [[nodiscard]] uint32_t SetLibraryDirectory(const char* directory) override;
  const cmn_CryptoTableS* Functions() const noexcept override { return &table_; }
  // Valid until the next SetLibraryDirectory.
  std::string_view LibraryDirectory() const noexcept override;

 private:
  void UnloadProviders() noexcept;

  cmn_CryptoTableS table_;
  OSSL_PROVIDER* default_provider_ = nullptr;
  OSSL_PROVIDER* legacy_provider_ = nullptr;
  mutable std::mutex mutex_;
  std::string library_directory_;  // guarded by mutex_
};

#endif  // QLM_CMN_CMN_OPENSSLC_H_
