// The cryptographic provider (getOpenSSL()): a function table over libcrypto (OpenSSL 3),
// which the program does not link: the provider loads the library on the first use of the
// table, from the library directory when one was given and the file there is trusted, else
// from the system. Callers reach OpenSSL only through this table, so the provider can trace or
// replace functions without touching them. The OpenSSL headers are used for the types only.
#ifndef QLM_CMN_CMN_OPENSSLI_H_
#define QLM_CMN_CMN_OPENSSLI_H_

#include <openssl/evp.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cmn/cmn_Result.h"

// Reported (error severity) when no usable cipher library could be loaded; password
// encryption is then unavailable.
inline constexpr RcT cmn_kCryptoUnavailable = 0xE1370080;

// The file name of the cipher library, in the library directory and on the system.
inline constexpr const char cmn_kCryptoLibraryName[] = "libcrypto.so.3";

// While the library is unavailable, every entry is a stand-in that fails the way OpenSSL
// reports failure (null object, 0, or -1 for EVP_DecodeBlock) and leaves the error queue empty;
// OPENSSL_cleanse still clears memory and EVP_EncodeBlock still encodes.
struct cmn_CryptoTableS {
  // Ciphers.
  EVP_CIPHER_CTX* (*EVP_CIPHER_CTX_new)();
  void (*EVP_CIPHER_CTX_free)(EVP_CIPHER_CTX*);
  int (*EVP_CIPHER_CTX_set_padding)(EVP_CIPHER_CTX*, int);
  const EVP_CIPHER* (*EVP_aes_128_cbc)();
  const EVP_CIPHER* (*EVP_aes_256_cbc)();
  const EVP_CIPHER* (*EVP_des_ecb)();
  const EVP_CIPHER* (*EVP_des_ede3_cbc)();
  int (*EVP_EncryptInit_ex)(EVP_CIPHER_CTX*, const EVP_CIPHER*, ENGINE*, const unsigned char*,
                            const unsigned char*);
  int (*EVP_EncryptUpdate)(EVP_CIPHER_CTX*, unsigned char*, int*, const unsigned char*, int);
  int (*EVP_EncryptFinal_ex)(EVP_CIPHER_CTX*, unsigned char*, int*);
  int (*EVP_DecryptInit_ex)(EVP_CIPHER_CTX*, const EVP_CIPHER*, ENGINE*, const unsigned char*,
                            const unsigned char*);
  int (*EVP_DecryptUpdate)(EVP_CIPHER_CTX*, unsigned char*, int*, const unsigned char*, int);
  int (*EVP_DecryptFinal_ex)(EVP_CIPHER_CTX*, unsigned char*, int*);
  // Digests and key derivation.
  const EVP_MD* (*EVP_sha1)();
  const EVP_MD* (*EVP_sha256)();
  int (*EVP_Digest)(const void*, size_t, unsigned char*, unsigned int*, const EVP_MD*, ENGINE*);
  int (*PKCS5_PBKDF2_HMAC)(const char*, int, const unsigned char*, int, int, const EVP_MD*, int,
                           unsigned char*);
  // Base64 (no line breaks).
  int (*EVP_EncodeBlock)(unsigned char*, const unsigned char*, int);
  int (*EVP_DecodeBlock)(unsigned char*, const unsigned char*, int);
  // Error queue.
  unsigned long (*ERR_get_error)();
  void (*ERR_error_string_n)(unsigned long, char*, size_t);
  const char* (*ERR_lib_error_string)(unsigned long);
  const char* (*ERR_reason_error_string)(unsigned long);
  int (*ERR_load_crypto_strings)();  // no-op in OpenSSL 3, kept for callers that load once
  void (*ERR_clear_error)();
  // Memory hygiene and randomness.
  void (*OPENSSL_cleanse)(void*, size_t);
  int (*RAND_bytes)(unsigned char*, int);
  // Cipher and digest parameters (sizes in bytes).
  int (*EVP_CIPHER_get_key_length)(const EVP_CIPHER*);
  int (*EVP_CIPHER_get_iv_length)(const EVP_CIPHER*);
  int (*EVP_CIPHER_get_block_size)(const EVP_CIPHER*);
  int (*EVP_MD_get_size)(const EVP_MD*);
  // The oldest queued error with the place it was raised (any out pointer may be null). In
  // OpenSSL 3 this is the only way to learn the function name of an error.
  unsigned long (*ERR_get_error_all)(const char** file, int* line, const char** function,
                                     const char** data, int* flags);
};

class cmn_OpenSSLI {
 public:
  // Records where the cipher library is to be loaded from (the install directory followed by
  // "/lib"). Takes effect only before the first Functions() call; a later call is traced and
  // changes nothing that was loaded. Returns 0; RC_INVALIDARG for a null directory.
  [[nodiscard]] virtual uint32_t SetLibraryDirectory(const char* directory) = 0;
  // The function table (never null, valid for the life of the process). The first call loads
  // the library (thread-safe); when none can be loaded it reports cmn_kCryptoUnavailable into
  // the calling thread's error buffer and the table holds the stand-ins.
  virtual const cmn_CryptoTableS* Functions() const noexcept = 0;
  // The directory last given to SetLibraryDirectory ("" before).
  // A copy: another thread may set the directory meanwhile.
  virtual std::string LibraryDirectory() const = 0;
  // Loads the library when that was not tried yet; true when the table is OpenSSL's.
  virtual bool Available() const noexcept = 0;
  // Loads the library when that was not tried yet; the file the table was loaded from (the
  // trusted file in the library directory, or the system's library as the dynamic loader found
  // it), "" when the library is unavailable.
  virtual std::string_view LoadedFrom() const noexcept = 0;

 protected:
  ~cmn_OpenSSLI() = default;
};

#endif  // QLM_CMN_CMN_OPENSSLI_H_
