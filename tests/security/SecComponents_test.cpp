// The pieces behind the front end: Base64, the key generators, the OpenSSL algorithms and the
// algorithm selection of the password encryption.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "security/RKEncryptionC.h"
#include "security/sec_Base64C.h"
#include "security/sec_BlobC.h"
#include "security/sec_CryptDeriveKey_3DES_SHA1C.h"
#include "security/sec_Errors.h"
#include "security/sec_FunctionKeyGenC.h"
#include "security/sec_OpenSSL_3DesC.h"
#include "security/sec_OpenSSL_Aes128C.h"
#include "security/sec_OpenSSL_DesC.h"
#include "security/sec_PBKDF2_HMAC_SHA1_KeyGeneratorC.h"
#include "security/sec_PwdEncryptionC.h"
#include "security/sec_RefM.h"
#include "tests/testing/ErrBufProbe.h"

namespace {

using qlmtest::ErrorCodes;

std::string Hex(const sec_BlobC& blob) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (uint64_t i = 0; i < blob.Length(); ++i) {
    out += kDigits[blob.Data()[i] >> 4];
    out += kDigits[blob.Data()[i] & 15];
  }
  return out;
}

std::string Bytes(const sec_BlobC& blob) {
  return std::string(reinterpret_cast<const char*>(blob.Data()), blob.Length());
}

// Key-material functions for sec_FunctionKeyGenC: fixed texts of chosen lengths, and one that
// fails.
template <size_t N>
char* Material(size_t& length) {
  char* bytes = new char[N + 1];
  for (size_t i = 0; i < N; ++i) bytes[i] = static_cast<char>('a' + i % 26);
  bytes[N] = '\0';
  length = N;
  return bytes;
}
char* PasswordMaterial(size_t& length) {
  char* bytes = new char[9];
  std::memcpy(bytes, "password", 9);
  length = 8;
  return bytes;
}
char* NoMaterial(size_t& length) {
  length = 0;
  return nullptr;
}

TEST(SecBase64Test, EncodeAndLenientDecode) {
  struct Case {
    std::string bytes;
    const char* text;
  };
  // RFC 4648 test vectors, and bytes that use the last two alphabet characters.
  const Case encode[] = {{"", ""},
                         {"f", "Zg=="},
                         {"fo", "Zm8="},
                         {"foo", "Zm9v"},
                         {"foob", "Zm9vYg=="},
                         {"fooba", "Zm9vYmE="},
                         {"foobar", "Zm9vYmFy"},
                         {"\xFB\xFF\xBF", "+/+/"}};
  sec_Base64C codec;
  for (const Case& c : encode) {
    SCOPED_TRACE(c.text);
    sec_BlobC in(c.bytes.data(), c.bytes.size());
    std::unique_ptr<sec_BlobC> text = codec.Encrypt(in);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Length(), std::strlen(c.text) + 1);  // with its terminating zero
    EXPECT_EQ(text->TextView(), c.text);
    std::unique_ptr<sec_BlobC> back = codec.Decrypt(*text);
    EXPECT_EQ(Bytes(*back), c.bytes);
  }

  struct DecodeCase {
    std::string bytes;
    std::string text;
  };
  const DecodeCase decode[] = {
      {"f", "Zg"},  // padding may be left out
      {"foob", "Zm9vYg"},
      {"", "Z"},  // a one-character group yields nothing
      {"foo", "Zm9vZ"},
      {"f", "Zm=9v"},  // "=" ends the text
      {"d", "Z!=="},   // a character outside the alphabet counts as 0
      {std::string("\0\0\0", 3), "...."},
      {"foo", std::string("Zm9v\0Zm9v", 9)},  // stops at the zero byte
  };
  for (const DecodeCase& c : decode) {
    SCOPED_TRACE(c.text.c_str());
    EXPECT_EQ(Bytes(*codec.Decrypt(sec_BlobC(c.text.data(), c.text.size()))), c.bytes);
  }
}

TEST(SecBlobTest, FormsAndTruncateWipesTheCutBytes) {
  EXPECT_EQ(sec_BlobC::FromCString(nullptr)->Length(), 1u);
  std::unique_ptr<sec_BlobC> blob = sec_BlobC::FromCString("abcdef");
  ASSERT_EQ(blob->Length(), 7u);
  EXPECT_EQ(blob->Data()[6], 0);
  blob->Truncate(2);
  EXPECT_EQ(blob->Length(), 2u);
  // The storage is still the blob's own; the cut bytes must be zeros now.
  for (int i = 2; i < 7; ++i) EXPECT_EQ(blob->Data()[i], 0) << i;
  // A text without a zero byte is read up to the end of the buffer.
  sec_BlobC raw("xyz", 3);
  EXPECT_EQ(raw.TextView(), "xyz");
}

TEST(SecKeyGeneratorTest, DerivationsMatchIndependentValues) {
  // Expected values computed independently (Python hashlib / cryptography).
  sec_RefM<sec_KeyGeneratorC> password(new sec_FunctionKeyGenC(&PasswordMaterial));
  struct Case {
    const char* name;
    sec_KeyGeneratorC* generator;
    const char* hex;
  };
  const Case cases[] = {
      {"function", password.Get(), "70617373776f7264"},
      {"3DES from SHA-1", new sec_CryptDeriveKey_3DES_SHA1C(password.Get()),
       "a3bc508753274827cf2515600eaea32c226a7895c0533fcc"},
      {"PBKDF2-HMAC-SHA1 salt 0x01, 2048 rounds",
       new sec_PBKDF2_HMAC_SHA1_KeyGeneratorC(password.Get(), 20, 0x01),
       "d6fcb17122aec87766b6c727c5877b0ad5a9a7a0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sec_RefM<sec_KeyGeneratorC> held(c.generator);
    std::unique_ptr<sec_BlobC> key = held->Generate();
    ASSERT_NE(key, nullptr);
    if (c.hex != nullptr) {
      EXPECT_EQ(Hex(*key), c.hex);
    }
    // Each call derives the same material anew.
    EXPECT_EQ(Hex(*held->Generate()), Hex(*key));
  }

  // A failing source makes every decorator fail, without a crash.
  sec_RefM<sec_KeyGeneratorC> none(new sec_FunctionKeyGenC(&NoMaterial));
  sec_RefM<sec_KeyGeneratorC> derived(new sec_CryptDeriveKey_3DES_SHA1C(none.Get()));
  sec_RefM<sec_KeyGeneratorC> pbkdf2(new sec_PBKDF2_HMAC_SHA1_KeyGeneratorC(none.Get(), 32, 1));
  EXPECT_EQ(none->Generate(), nullptr);
  EXPECT_EQ(derived->Generate(), nullptr);
  EXPECT_EQ(pbkdf2->Generate(), nullptr);
}

TEST(SecOpenSSLAlgorithmTest, KeyMaterialLengthDecidesAvailabilityAndIv) {
  // 16 bytes: key only, IV all zeros. 32 bytes whose last 16 are "qrst..." differ from it;
  // shorter than the key: unavailable (reading a key from it would overrun).
  sec_RefM<sec_KeyGeneratorC> key_only(new sec_FunctionKeyGenC(&Material<16>));
  sec_RefM<sec_KeyGeneratorC> key_and_iv(new sec_FunctionKeyGenC(&Material<32>));
  sec_RefM<sec_KeyGeneratorC> too_short(new sec_FunctionKeyGenC(&Material<5>));
  sec_RefM<sec_KeyGeneratorC> none(new sec_FunctionKeyGenC(&NoMaterial));

  sec_OpenSSL_Aes128C a(key_only.Get()), b(key_and_iv.Get()), c(too_short.Get()), d(none.Get());
  EXPECT_TRUE(a.IsAvailable());
  EXPECT_TRUE(b.IsAvailable());
  EXPECT_FALSE(c.IsAvailable());
  EXPECT_FALSE(d.IsAvailable());
  sec_BlobC plain("attack at dawn", 14);
  EXPECT_EQ(c.Encrypt(plain), nullptr);
  EXPECT_EQ(d.Decrypt(plain), nullptr);

  std::unique_ptr<sec_BlobC> ca = a.Encrypt(plain), cb = b.Encrypt(plain);
  ASSERT_NE(ca, nullptr);
  ASSERT_NE(cb, nullptr);
  EXPECT_EQ(ca->Length(), 16u);  // standard padding fills up one block
  EXPECT_NE(Hex(*ca), Hex(*cb));
  // AES-128-CBC, key "abcdefghijklmnop", zero IV, PKCS #7 (computed independently).
  EXPECT_EQ(Hex(*ca), "cd8d6993c7f5ee34727069adc32f1332");
  EXPECT_EQ(Bytes(*a.Decrypt(*ca)), "attack at dawn");
  EXPECT_EQ(Bytes(*b.Decrypt(*cb)), "attack at dawn");
}

TEST(SecOpenSSLAlgorithmTest, LegacyDesCiphers) {
  sec_RefM<sec_KeyGeneratorC> material(new sec_FunctionKeyGenC(&Material<32>));
  sec_OpenSSL_DesC des(material.Get());
  sec_OpenSSL_3DesC des3(material.Get(), false);
  sec_OpenSSL_3DesC des3_compatible(material.Get(), true);
  const struct {
    const char* name;
    sec_OpenSSL_AlgorithmC* algorithm;
    uint64_t cipher_length;  // for 13 bytes in
    uint64_t plain_length;   // what comes back
  } cases[] = {
      {"DES-ECB, zero padding (kept on decryption)", &des, 16, 16},
      {"3DES-EDE-CBC", &des3, 16, 13},
      {"3DES-EDE-CBC, derived key", &des3_compatible, 16, 13},
  };
  sec_BlobC plain("legacy secret", 13);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.algorithm->IsAvailable()) GTEST_SKIP() << "cipher not offered by this OpenSSL";
    getErrBuf()->Clear();
    std::unique_ptr<sec_BlobC> cipher = c.algorithm->Encrypt(plain);
    if (cipher == nullptr && c.algorithm == &des) {
      GTEST_SKIP() << "single DES needs OpenSSL's legacy provider";
    }
    ASSERT_NE(cipher, nullptr);
    EXPECT_EQ(cipher->Length(), c.cipher_length);
    std::unique_ptr<sec_BlobC> back = c.algorithm->Decrypt(*cipher);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->Length(), c.plain_length);
    EXPECT_EQ(std::memcmp(back->Data(), "legacy secret", 13), 0);
    for (uint64_t i = 13; i < back->Length(); ++i) EXPECT_EQ(back->Data()[i], 0);
  }
  // The derived key differs from the raw material's first 24 bytes.
  std::unique_ptr<sec_BlobC> x = des3.Encrypt(plain), y = des3_compatible.Encrypt(plain);
  ASSERT_NE(x, nullptr);
  ASSERT_NE(y, nullptr);
  EXPECT_NE(Hex(*x), Hex(*y));
}

TEST(SecPwdEncryptionTest, SelectionAndFallback) {
  sec_RefM<sec_KeyGeneratorC> secret(new sec_FunctionKeyGenC(&RKEncryptionC::GetConfigFileHeader));
  sec_RefM<sec_KeyGeneratorC> broken(new sec_FunctionKeyGenC(&NoMaterial));
  struct Case {
    const char* name;
    int preferred;
    sec_KeyGeneratorC* generator;
    const char* tag;                      // null: encryption fails
    std::vector<uint32_t> encrypt_codes;  // buffer after Encrypt
  };
  const Case cases[] = {
      {"AES-256", 2, secret.Get(), "!A2", {}},
      {"AES-128", 1, secret.Get(), "!A1", {}},
      // Unknown numbers fall back to AES-256 and leave nothing in the buffer.
      {"number 5", 5, secret.Get(), "!A2", {}},
      {"number 0", 0, secret.Get(), nullptr, {SEC_E_NO_ALGORITHM, SEC_E_ENCRYPT}},
      // No key material: AES-256 is unavailable, and so is AES-128, its fallback.
      {"no key material", 2, broken.Get(), nullptr, {SEC_E_NO_ALGORITHM, SEC_E_ENCRYPT}},
  };
  std::unique_ptr<sec_BlobC> plain = sec_BlobC::FromText("hunter2");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    getErrBuf()->Clear();
    sec_PwdEncryptionC pwd(c.preferred, c.generator, RKEncryptionC::mSalt);
    std::unique_ptr<sec_BlobC> stored = pwd.Encrypt(*plain);
    EXPECT_EQ(ErrorCodes(), c.encrypt_codes);
    if (c.tag == nullptr) {
      EXPECT_EQ(stored, nullptr);
      continue;
    }
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->TextView().substr(0, 3), c.tag);
    EXPECT_EQ(stored->Data()[stored->Length() - 1], 0);  // terminated
    std::unique_ptr<sec_BlobC> back = pwd.Decrypt(*stored);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Bytes(*back), std::string("hunter2", 8));  // with its zero byte
  }

  // A recognised tag whose algorithm cannot run here.
  getErrBuf()->Clear();
  sec_PwdEncryptionC pwd(1, broken.Get(), RKEncryptionC::mSalt);
  EXPECT_EQ(pwd.Decrypt(*sec_BlobC::FromText("!A1Zm9vYmFy")), nullptr);
  EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{SEC_E_NOT_AVAILABLE, SEC_E_DECRYPT}));
  // One zero byte is the empty password.
  std::unique_ptr<sec_BlobC> empty = pwd.Decrypt(sec_BlobC(1));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Length(), 1u);
  getErrBuf()->Clear();
}

}  // namespace
