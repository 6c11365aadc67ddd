#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_OpenSSLC.h"
#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_TracerI.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/TempDirC.h"
#include "tests/testing/TempDirTest.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::string Hex(const unsigned char* p, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 15];
  }
  return out;
}

Bytes FromHex(std::string_view hex) {
  Bytes out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(
        static_cast<unsigned char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

const cmn_CryptoTableS& Table() {
  return *getOpenSSL()->Functions();
}

// Runs one cipher pass through the table. False when any step fails.
bool Crypt(bool encrypt, const EVP_CIPHER* cipher, const Bytes& key, const Bytes& iv, bool padding,
           const Bytes& in, Bytes* out) {
  const cmn_CryptoTableS& t = Table();
  EVP_CIPHER_CTX* ctx = t.EVP_CIPHER_CTX_new();
  if (ctx == nullptr) return false;
  out->assign(in.size() + 32, 0);
  int n1 = 0, n2 = 0;
  const unsigned char* ivp = iv.empty() ? nullptr : iv.data();
  bool ok =
      (encrypt ? t.EVP_EncryptInit_ex(ctx, cipher, nullptr, key.data(), ivp)
               : t.EVP_DecryptInit_ex(ctx, cipher, nullptr, key.data(), ivp)) == 1 &&
      t.EVP_CIPHER_CTX_set_padding(ctx, padding ? 1 : 0) == 1 &&
      (encrypt ? t.EVP_EncryptUpdate(ctx, out->data(), &n1, in.data(), static_cast<int>(in.size()))
               : t.EVP_DecryptUpdate(ctx, out->data(), &n1, in.data(),
                                     static_cast<int>(in.size()))) == 1 &&
      (encrypt ? t.EVP_EncryptFinal_ex(ctx, out->data() + n1, &n2)
               : t.EVP_DecryptFinal_ex(ctx, out->data() + n1, &n2)) == 1;
  t.EVP_CIPHER_CTX_free(ctx);
  out->resize(ok ? static_cast<size_t>(n1 + n2) : 0);
  return ok;
}

TEST(OpenSSLTest, ProviderAndTable) {
  cmn_OpenSSLI* ssl = getOpenSSL();
  ASSERT_NE(ssl, nullptr);
  EXPECT_EQ(getOpenSSL(2), ssl);
  EXPECT_EQ(getOpenSSL(1), nullptr);
  ASSERT_NE(ssl->Functions(), nullptr);
  EXPECT_EQ(ssl->Functions()->ERR_load_crypto_strings(), 1);
}

TEST(OpenSSLTest, Pbkdf2HmacSha1Rfc6070) {
  struct Case {
    int iterations;
    const char* dk;
  };
  for (Case c : {Case{1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
                 Case{2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
                 Case{4096, "4b007901b765489abead49d926f721d065a429c1"}}) {
    unsigned char out[20] = {};
    ASSERT_EQ(
        Table().PKCS5_PBKDF2_HMAC("password", 8, reinterpret_cast<const unsigned char*>("salt"), 4,
                                  c.iterations, Table().EVP_sha1(), 20, out),
        1);
    EXPECT_EQ(Hex(out, 20), c.dk) << c.iterations;
  }
}

TEST(OpenSSLTest, AesRoundTrips) {
  const Bytes key128 = FromHex("000102030405060708090a0b0c0d0e0f");
  const Bytes key256 = FromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
  const Bytes iv = FromHex("f0e0d0c0b0a090807060504030201000");
  const std::string text = "Quillmarsh password text of 39 bytes!!";
  const Bytes plain(text.begin(), text.end());

  for (const auto& [cipher, key] : {std::pair{Table().EVP_aes_128_cbc(), key128},
                                    std::pair{Table().EVP_aes_256_cbc(), key256}}) {
    Bytes sealed, opened;
    ASSERT_TRUE(Crypt(true, cipher, key, iv, true, plain, &sealed));
    EXPECT_EQ(sealed.size(), 48u);  // padded to whole blocks
    EXPECT_NE(sealed, plain);
    ASSERT_TRUE(Crypt(false, cipher, key, iv, true, sealed, &opened));
    EXPECT_EQ(opened, plain);
  }

  // FIPS-197 AES-128 block, padding off (CBC with a zero IV on one block is ECB).
  Bytes out;
  ASSERT_TRUE(Crypt(true, Table().EVP_aes_128_cbc(), key128, Bytes(16, 0), false,
                    FromHex("00112233445566778899aabbccddeeff"), &out));
  EXPECT_EQ(Hex(out.data(), out.size()), "69c4e0d86a7b0430d8cdb78070b4c55a");
}

// Whether OpenSSL's legacy provider is loaded in the library the process table came from.
bool LegacyProviderLoaded() {
  (void)Table();
  void* handle = ::dlopen(std::string(getOpenSSL()->LoadedFrom()).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  using AvailableFn = int (*)(void*, const char*);
  auto available = reinterpret_cast<AvailableFn>(::dlsym(handle, "OSSL_PROVIDER_available"));
  const bool loaded = available != nullptr && available(nullptr, "legacy") == 1;
  ::dlclose(handle);
  return loaded;
}

TEST(OpenSSLTest, DesCiphersWork) {
  // Single DES lives in OpenSSL's legacy provider, which the provider loads.
  if (!LegacyProviderLoaded()) GTEST_SKIP() << "no legacy provider installed";
  Bytes out;
  ASSERT_TRUE(Crypt(true, Table().EVP_des_ecb(), FromHex("0123456789abcdef"), {}, false,
                    FromHex("4e6f772069732074"), &out));
  EXPECT_EQ(Hex(out.data(), out.size()), "3fa40e8a984d4815");

  const Bytes key = FromHex("0123456789abcdef23456789abcdef01456789abcdef0123");
  const Bytes iv = FromHex("1234567890abcdef");
  const Bytes plain = {'s', 'e', 'c', 'r', 'e', 't'};
  Bytes sealed, opened;
  ASSERT_TRUE(Crypt(true, Table().EVP_des_ede3_cbc(), key, iv, true, plain, &sealed));
  ASSERT_TRUE(Crypt(false, Table().EVP_des_ede3_cbc(), key, iv, true, sealed, &opened));
  EXPECT_EQ(opened, plain);
}

TEST(OpenSSLTest, FailuresReachTheErrorQueue) {
  const cmn_CryptoTableS& t = Table();
  t.ERR_clear_error();
  Bytes out;
  // 16 bytes that do not decrypt to valid padding under this key.
  EXPECT_FALSE(
      Crypt(false, t.EVP_aes_128_cbc(), Bytes(16, 7), Bytes(16, 0), true, Bytes(16, 0x55), &out));
  unsigned long err = t.ERR_get_error();
  ASSERT_NE(err, 0u);
  ASSERT_NE(t.ERR_reason_error_string(err), nullptr);
  EXPECT_STREQ(t.ERR_reason_error_string(err), "bad decrypt");
  char buf[256];
  t.ERR_error_string_n(err, buf, sizeof buf);
  EXPECT_NE(std::strstr(buf, "bad decrypt"), nullptr);
  t.ERR_clear_error();
  EXPECT_EQ(t.ERR_get_error(), 0u);
}

TEST(OpenSSLTest, Base64Blocks) {
  struct Case {
    const char* plain;
    const char* encoded;
  };
  for (Case c : {Case{"", ""}, Case{"f", "Zg=="}, Case{"fo", "Zm8="}, Case{"foobar", "Zm9vYmFy"}}) {
    unsigned char enc[64] = {};
    int n = Table().EVP_EncodeBlock(enc, reinterpret_cast<const unsigned char*>(c.plain),
                                    static_cast<int>(std::strlen(c.plain)));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(enc), static_cast<size_t>(n)), c.encoded);
  }
  unsigned char dec[64] = {};
  // Decoding works in whole groups of 4 and keeps the zero bytes of the padding.
  EXPECT_EQ(Table().EVP_DecodeBlock(dec, reinterpret_cast<const unsigned char*>("Zm9vYmFy"), 8), 6);
  EXPECT_EQ(std::memcmp(dec, "foobar", 6), 0);
}

TEST(OpenSSLTest, LibraryDirectoryIsKeptAndTraced) {
  qlmtest::TempDirC dir;
  const std::string log = dir.File("trace.log");
  getTracer()->Configure("Encoding/Encryption/OpenSSL", log);

  cmn_OpenSSLI* ssl = getOpenSSL();
  EXPECT_EQ(ssl->SetLibraryDirectory(nullptr), RC_INVALIDARG);
  EXPECT_EQ(ssl->SetLibraryDirectory("/opt/quillmarsh/lib"), RC_OK);
  EXPECT_EQ(ssl->LibraryDirectory(), "/opt/quillmarsh/lib");
  getTracer()->Configure("", "stderr");

  const std::string text = qlmtest::ReadFile(log);
  EXPECT_NE(text.find("Encoding/Encryption/OpenSSL: "), std::string::npos) << text;
  EXPECT_NE(text.find("/opt/quillmarsh/lib"), std::string::npos) << text;
}

}  // namespace

namespace {

namespace fs = std::filesystem;

// A scratch directory with a "lib" folder for one provider of its own.
class CipherLibraryTest : public qlmtest::TempDirTest {
 protected:
  void SetUp() override {
    qlmtest::TempDirTest::SetUp();
    root_ = dir_;
    fs::create_directories(root_ / "lib");
  }
  void TearDown() override {
    getErrBuf()->Clear();
    qlmtest::TempDirTest::TearDown();
  }
  fs::path Library() const { return root_ / "lib" / cmn_kCryptoLibraryName; }
  // The system's library, as the process provider found it.
  static fs::path SystemLibrary() { return std::string(getOpenSSL()->LoadedFrom()); }
  static std::string ErrorText() { return getErrBuf()->AllText(); }

  fs::path root_;
};

// AES-128 through `table` gives the FIPS-197 block.
bool Aes128Works(const cmn_CryptoTableS& table) {
  const Bytes key = FromHex("000102030405060708090a0b0c0d0e0f");
  const Bytes in = FromHex("00112233445566778899aabbccddeeff");
  EVP_CIPHER_CTX* ctx = table.EVP_CIPHER_CTX_new();
  if (ctx == nullptr) return false;
  Bytes out(48, 0);
  int n1 = 0, n2 = 0;
  const Bytes iv(16, 0);
  const bool ok =
      table.EVP_EncryptInit_ex(ctx, table.EVP_aes_128_cbc(), nullptr, key.data(), iv.data()) == 1 &&
      table.EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
      table.EVP_EncryptUpdate(ctx, out.data(), &n1, in.data(), 16) == 1 &&
      table.EVP_EncryptFinal_ex(ctx, out.data() + n1, &n2) == 1;
  table.EVP_CIPHER_CTX_free(ctx);
  return ok && Hex(out.data(), static_cast<size_t>(n1 + n2)) == "69c4e0d86a7b0430d8cdb78070b4c55a";
}

TEST_F(CipherLibraryTest, ChoosesTheTrustedInstalledLibraryElseTheSystems) {
  ASSERT_FALSE(SystemLibrary().empty());
  enum class Prepare { kNothing, kTrustedCopy, kGroupWritableCopy, kLinkToSystem, kNotALibrary };
  struct Case {
    const char* name;
    Prepare prepare;
    bool installed_used;
    const char* error_part;  // expected in the error buffer beside the file's name, or null
                             // for an empty buffer
  };
  const Case cases[] = {
      {"no library installed", Prepare::kNothing, false, nullptr},
      {"trusted copy", Prepare::kTrustedCopy, true, nullptr},
      {"writable by the group", Prepare::kGroupWritableCopy, false,
       "can be changed by other users"},
      {"symbolic link", Prepare::kLinkToSystem, false, "Refusing"},
      {"not a library", Prepare::kNotALibrary, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ignored;
    fs::remove(Library(), ignored);
    switch (c.prepare) {
      case Prepare::kNothing:
        break;
      case Prepare::kTrustedCopy:
      case Prepare::kGroupWritableCopy:
        fs::copy_file(SystemLibrary(), Library());
        ::chmod(Library().c_str(), c.prepare == Prepare::kTrustedCopy ? 0644 : 0664);
        break;
      case Prepare::kLinkToSystem:
        fs::create_symlink(SystemLibrary(), Library());
        // Planted by another user: root's own link to the system's library would be trusted.
        if (::geteuid() != 0) continue;
        ASSERT_EQ(::lchown(Library().c_str(), 65534, 65534), 0);
        break;
      case Prepare::kNotALibrary:
        std::ofstream(Library()) << "not an ELF file\n";
        break;
    }
    getErrBuf()->Clear();
    cmn_OpenSSLC provider;
    ASSERT_EQ(provider.SetLibraryDirectory((root_ / "lib/").c_str()), RC_OK);
    ASSERT_TRUE(provider.Available());
    if (c.installed_used) {
      EXPECT_EQ(provider.LoadedFrom(), Library().string());
    } else {
      EXPECT_EQ(provider.LoadedFrom(), SystemLibrary().string());
    }
    EXPECT_TRUE(Aes128Works(*provider.Functions()));
    if (c.error_part == nullptr) {
      EXPECT_EQ(ErrorText(), "");
    } else {
      EXPECT_NE(ErrorText().find(c.error_part), std::string::npos) << ErrorText();
      EXPECT_NE(ErrorText().find(Library().string()), std::string::npos) << ErrorText();
    }
  }
}

TEST_F(CipherLibraryTest, NoUsableLibraryLeavesStandInsAndOneClearError) {
  // A missing system library, and one that is a library but not the cipher library.
  for (const char* system : {"libqlm_no_such_crypto.so.0", "libz.so.1"}) {
    SCOPED_TRACE(system);
    if (std::string(system) == "libz.so.1") {
      void* z = ::dlopen(system, RTLD_NOW | RTLD_LOCAL);
      if (z == nullptr) continue;  // no zlib on this machine
      ::dlclose(z);
    }
    getErrBuf()->Clear();
    cmn_OpenSSLC provider(system);
    ASSERT_EQ(provider.SetLibraryDirectory(root_.c_str()), RC_OK);
    EXPECT_FALSE(provider.Available());
    EXPECT_EQ(provider.LoadedFrom(), "");
    ASSERT_EQ(getErrBuf()->Count(), 1u) << ErrorText();
    const cmn_ErrEntryI* entry = getErrBuf()->Entry(0);
    EXPECT_EQ(entry->MessageNumber(), cmn_kCryptoUnavailable);
    const std::string text(entry->Text());
    EXPECT_NE(text.find("password encryption is unavailable"), std::string::npos) << text;
    EXPECT_NE(text.find(system), std::string::npos) << text;
    // The failure is reported once, not at every use of the table.
    (void)provider.Functions();
    EXPECT_EQ(getErrBuf()->Count(), 1u);

    const cmn_CryptoTableS& t = *provider.Functions();
    EXPECT_EQ(t.EVP_aes_128_cbc(), nullptr);
    EXPECT_EQ(t.EVP_aes_256_cbc(), nullptr);
    EXPECT_EQ(t.EVP_des_ede3_cbc(), nullptr);
    EXPECT_EQ(t.EVP_sha256(), nullptr);
    EXPECT_EQ(t.EVP_CIPHER_CTX_new(), nullptr);
    EXPECT_FALSE(Aes128Works(t));
    unsigned char key[20] = {};
    EXPECT_EQ(t.PKCS5_PBKDF2_HMAC("pw", 2, key, 1, 1, t.EVP_sha1(), 20, key), 0);
    EXPECT_EQ(t.RAND_bytes(key, 20), 0);
    EXPECT_EQ(t.ERR_get_error(), 0u);
    const char* function = "set";
    EXPECT_EQ(t.ERR_get_error_all(nullptr, nullptr, &function, nullptr, nullptr), 0u);
    EXPECT_EQ(function, nullptr);
    // Secrets are still cleared, and Base64 still works.
    unsigned char secret[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    t.OPENSSL_cleanse(secret, sizeof secret);
    EXPECT_EQ(Bytes(secret, secret + 8), Bytes(8, 0));
    unsigned char encoded[16] = {};
    EXPECT_EQ(t.EVP_EncodeBlock(encoded, reinterpret_cast<const unsigned char*>("foobar!"), 7), 12);
    EXPECT_STREQ(reinterpret_cast<char*>(encoded), "Zm9vYmFyIQ==");
    EXPECT_EQ(t.EVP_DecodeBlock(encoded, encoded, 4), -1);
  }
}

TEST_F(CipherLibraryTest, DirectoryGivenAfterTheFirstUseChangesNothing) {
  fs::copy_file(SystemLibrary(), Library());
  ::chmod(Library().c_str(), 0644);
  cmn_OpenSSLC provider;
  ASSERT_TRUE(provider.Available());
  ASSERT_EQ(provider.SetLibraryDirectory((root_ / "lib").c_str()), RC_OK);
  EXPECT_EQ(provider.LibraryDirectory(), (root_ / "lib").string());
  EXPECT_EQ(provider.LoadedFrom(), SystemLibrary().string());
}

TEST_F(CipherLibraryTest, RootRefusesALibraryOwnedByAnotherUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the file away";
  fs::copy_file(SystemLibrary(), Library());
  ::chmod(Library().c_str(), 0644);
  ASSERT_EQ(::chown(Library().c_str(), 65534, 65534), 0);
  cmn_SafeOpenForceChecks(1);
  cmn_OpenSSLC provider;
  ASSERT_EQ(provider.SetLibraryDirectory((root_ / "lib").c_str()), RC_OK);
  EXPECT_TRUE(provider.Available());
  cmn_SafeOpenForceChecks(-1);
  EXPECT_EQ(provider.LoadedFrom(), SystemLibrary().string());
  EXPECT_NE(ErrorText().find(Library().string()), std::string::npos) << ErrorText();
}

}  // namespace
