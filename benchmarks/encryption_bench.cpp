// Password encryption: a short password encrypted into its stored form and decrypted back,
// through RKEncryptionC and through the plainest direct OpenSSL sequence doing the same work.
// Argument 1 is AES-128 ("!A1", PBKDF2-HMAC-SHA-1 2048 rounds), 2 is AES-256 ("!A2",
// PBKDF2-HMAC-SHA-256 1000 rounds).
//
//   BM_Rk_EncryptFirst     a new RKEncryptionC and one Encrypt: includes the key derivation
//   BM_Rk_EncryptLater     Encrypt on an object that has encrypted before (key cached)
//   BM_Rk_DecryptFirst     a new RKEncryptionC and one Decrypt
//   BM_Rk_DecryptLater     Decrypt on an object that has decrypted before
//   BM_Peer_EncryptFirst   PKCS5_PBKDF2_HMAC, then EVP_CIPHER_CTX_new, EVP_EncryptInit_ex,
//                          EVP_EncryptUpdate, EVP_EncryptFinal_ex, EVP_EncodeBlock
//   BM_Peer_EncryptLater   the same with the derived key kept
//   BM_Peer_DecryptFirst   PKCS5_PBKDF2_HMAC, EVP_DecodeBlock and the EVP decryption calls
//   BM_Peer_DecryptLater   the same with the derived key kept
#include <benchmark/benchmark.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/StringC.h"
#include "security/RKEncryptionC.h"

namespace {

const char* const kPassword = "Tr0ub4dor&3";

const char* Name(int64_t algorithm) {
  return algorithm == 2 ? RKEncryptionC::mAES_256 : RKEncryptionC::mAES_128;
}

StringC Stored(int64_t algorithm) {
  RKEncryptionC crypt(Name(algorithm));
  StringC stored;
  if (crypt.Encrypt(StringC(kPassword, StringC::CC_ASCII), &stored) != RC_OK) std::abort();
  return stored;
}

void BM_Rk_EncryptFirst(benchmark::State& state) {
  const StringC password(kPassword, StringC::CC_ASCII);
  for (auto _ : state) {
    RKEncryptionC crypt(Name(state.range(0)));
    StringC stored;
    if (crypt.Encrypt(password, &stored) != RC_OK) state.SkipWithError("encrypt failed");
    benchmark::DoNotOptimize(stored);
  }
}

void BM_Rk_EncryptLater(benchmark::State& state) {
  const StringC password(kPassword, StringC::CC_ASCII);
  RKEncryptionC crypt(Name(state.range(0)));
  StringC stored;
  if (crypt.Encrypt(password, &stored) != RC_OK) state.SkipWithError("encrypt failed");
  for (auto _ : state) {
    if (crypt.Encrypt(password, &stored) != RC_OK) state.SkipWithError("encrypt failed");
    benchmark::DoNotOptimize(stored);
  }
}

void BM_Rk_DecryptFirst(benchmark::State& state) {
  const StringC stored = Stored(state.range(0));
  for (auto _ : state) {
    RKEncryptionC crypt(Name(state.range(0)));
    StringC plain;
    if (crypt.Decrypt(stored, &plain) != RC_OK) state.SkipWithError("decrypt failed");
    benchmark::DoNotOptimize(plain);
  }
}

void BM_Rk_DecryptLater(benchmark::State& state) {
  const StringC stored = Stored(state.range(0));
  RKEncryptionC crypt(Name(state.range(0)));
  StringC plain;
  if (crypt.Decrypt(stored, &plain) != RC_OK) state.SkipWithError("decrypt failed");
  for (auto _ : state) {
    if (crypt.Decrypt(stored, &plain) != RC_OK) state.SkipWithError("decrypt failed");
    benchmark::DoNotOptimize(plain);
  }
}

// ---- The peer: OpenSSL called directly -----------------------------------------------------

struct PeerKeyS {
  unsigned char material[48];
  const EVP_CIPHER* cipher;
  int key_length;
};

PeerKeyS Derive(int64_t algorithm) {
  PeerKeyS key{};
  const unsigned char salt = RKEncryptionC::mSalt;
  const bool aes256 = algorithm == 2;
  key.cipher = aes256 ? EVP_aes_256_cbc() : EVP_aes_128_cbc();
  key.key_length = aes256 ? 32 : 16;
  PKCS5_PBKDF2_HMAC(RKEncryptionC::mKey, static_cast<int>(RKEncryptionC::mKeyLength), &salt, 1,
                    aes256 ? 1000 : 2048, aes256 ? EVP_sha256() : EVP_sha1(), key.key_length + 16,
                    key.material);
  return key;
}

std::string PeerEncrypt(const PeerKeyS& key) {
  const size_t length = std::strlen(kPassword) + 1;
  unsigned char cipher[64];
  int n1 = 0, n2 = 0;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, key.cipher, nullptr, key.material, key.material + key.key_length);
  EVP_EncryptUpdate(ctx, cipher, &n1, reinterpret_cast<const unsigned char*>(kPassword),
                    static_cast<int>(length));
  EVP_EncryptFinal_ex(ctx, cipher + n1, &n2);
  EVP_CIPHER_CTX_free(ctx);
  unsigned char text[96];
  const int t = EVP_EncodeBlock(text, cipher, n1 + n2);
  return std::string(key.key_length == 32 ? "!A2" : "!A1") +
         std::string(reinterpret_cast<const char*>(text), t);
}

std::string PeerDecrypt(const PeerKeyS& key, const std::string& stored) {
  unsigned char cipher[96];
  const std::string text = stored.substr(3);
  int n = EVP_DecodeBlock(cipher, reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size()));
  // EVP_DecodeBlock counts the padding characters as zero bytes.
  if (text.size() >= 1 && text.back() == '=') --n;
  if (text.size() >= 2 && text[text.size() - 2] == '=') --n;
  unsigned char plain[96];
  int n1 = 0, n2 = 0;
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_DecryptInit_ex(ctx, key.cipher, nullptr, key.material, key.material + key.key_length);
  EVP_DecryptUpdate(ctx, plain, &n1, cipher, n);
  const int ok = EVP_DecryptFinal_ex(ctx, plain + n1, &n2);
  EVP_CIPHER_CTX_free(ctx);
  std::string result = ok == 1 ? std::string(reinterpret_cast<const char*>(plain)) : std::string();
  OPENSSL_cleanse(plain, sizeof plain);
  return result;
}

void BM_Peer_EncryptFirst(benchmark::State& state) {
  for (auto _ : state) {
    PeerKeyS key = Derive(state.range(0));
    benchmark::DoNotOptimize(PeerEncrypt(key));
    OPENSSL_cleanse(key.material, sizeof key.material);
  }
}

void BM_Peer_EncryptLater(benchmark::State& state) {
  PeerKeyS key = Derive(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(PeerEncrypt(key));
  OPENSSL_cleanse(key.material, sizeof key.material);
}

void BM_Peer_DecryptFirst(benchmark::State& state) {
  const std::string stored = Stored(state.range(0)).ToUtf8();
  for (auto _ : state) {
    PeerKeyS key = Derive(state.range(0));
    benchmark::DoNotOptimize(PeerDecrypt(key, stored));
    OPENSSL_cleanse(key.material, sizeof key.material);
  }
}

void BM_Peer_DecryptLater(benchmark::State& state) {
  const std::string stored = Stored(state.range(0)).ToUtf8();
  PeerKeyS key = Derive(state.range(0));
  if (PeerDecrypt(key, stored) != kPassword) state.SkipWithError("peer cannot read our output");
  for (auto _ : state) benchmark::DoNotOptimize(PeerDecrypt(key, stored));
  OPENSSL_cleanse(key.material, sizeof key.material);
}

}  // namespace

BENCHMARK(BM_Rk_EncryptFirst)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Peer_EncryptFirst)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rk_EncryptLater)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Peer_EncryptLater)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rk_DecryptFirst)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Peer_DecryptFirst)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rk_DecryptLater)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Peer_DecryptLater)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
