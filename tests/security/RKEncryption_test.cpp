// The front end: round trips, the stored forms, the refused and malformed forms with the codes
// they leave in the thread's error buffer, and a cross-check against an independent
// implementation (Python's `cryptography` package) in both directions.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <unistd.h>
#include <cstdint>
#include <cstring>
#include <memory>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "security/RKEncryptionC.h"
#include "security/sec_BlobC.h"
#include "security/sec_Errors.h"
#include "security/sec_FunctionKeyGenC.h"
#include "security/sec_PwdEncryptionC.h"
#include "tests/testing/ErrBufProbe.h"

namespace {

using qlmtest::ErrorCodes;
using qlmtest::ErrorText;

StringC U8(const char* text) {
  return StringC(text, StringC::CC_UTF8);
}

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 15];
  }
  return out;
}

// Passwords every round trip and cross-check runs over: ASCII, Latin-1 range, several
// scripts, characters outside the BMP, lengths at and around the AES block size, and one
// longer than a few blocks.
const char* const kPasswords[] = {
    "x",
    "secret",
    "0123456789abcde",                     // 15 bytes + zero = one block
    "0123456789abcdef",                    // 16 bytes + zero = just over one block
    "p\xC3\xA4ssw\xC3\xB6rd\xE2\x82\xAC",  // pässwörd€
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x83\x91\xE3\x82\xB9",  // 日本語パス
    "\xF0\x9F\x94\x91 key \xF0\x9F\x94\x92",                         // outside the BMP
    "with spaces, quotes \" ' and symbols !A1 ==",
    // One password, split over two lines.
    ("a fairly long password that spans several cipher blocks, to make sure chaining works "
     "across block boundaries and the padding is right at the end"),
};

struct AlgorithmCase {
  const char* name;
  const char* tag;
};
const AlgorithmCase kAlgorithms[] = {
    {"AES-128", "!A1"},
    {"AES-256", "!A2"},
    {"aes-256", "!A2"},   // the name is compared ignoring case
    {"Blowfish", "!A1"},  // anything else means AES-128
};

TEST(RKEncryptionTest, RoundTripsForEveryAlgorithmAndPassword) {
  for (const AlgorithmCase& algorithm : kAlgorithms) {
    RKEncryptionC writer(algorithm.name);
    for (const char* password : kPasswords) {
      SCOPED_TRACE(std::string(algorithm.name) + " / " + password);
      StringC stored;
      ASSERT_EQ(writer.Encrypt(U8(password), &stored), RC_OK);
      EXPECT_TRUE(stored.StartsWith(U8(algorithm.tag))) << stored.ToUtf8();
      EXPECT_TRUE(stored.IsAscii());

      // The writer itself (cached algorithms) and a fresh object made for the other
      // algorithm both read it: the tag, not the object, selects the algorithm.
      StringC plain;
      ASSERT_EQ(writer.Decrypt(stored, &plain), RC_OK);
      EXPECT_EQ(plain.ToUtf8(), password);
      RKEncryptionC reader(algorithm.tag[2] == '1' ? RKEncryptionC::mAES_256
                                                   : RKEncryptionC::mAES_128);
      StringC again;
      ASSERT_EQ(reader.Decrypt(stored, &again), RC_OK);
      EXPECT_EQ(again.ToUtf8(), password);
    }
  }
}

TEST(RKEncryptionTest, EmptyPasswordAndNullResult) {
  RKEncryptionC crypt(RKEncryptionC::mAES_128);
  StringC result = U8("stale");
  EXPECT_EQ(crypt.Encrypt(StringC(), &result), RC_OK);
  EXPECT_TRUE(result.IsEmpty());
  result = U8("stale");
  EXPECT_EQ(crypt.Decrypt(StringC(), &result), RC_OK);
  EXPECT_TRUE(result.IsEmpty());
  EXPECT_EQ(crypt.Encrypt(U8("pw"), nullptr), RC_POINTER);
  EXPECT_EQ(crypt.Decrypt(U8("!A1AAAA"), nullptr), RC_POINTER);
}

TEST(RKEncryptionTest, RefusedAndMalformedFormsReportTheirCodes) {
  // A stored form that is valid AES-128 output, to build damaged variants from.
  RKEncryptionC crypt(RKEncryptionC::mAES_128);
  StringC good;
  ASSERT_EQ(crypt.Encrypt(U8("secret"), &good), RC_OK);
  const std::string payload = good.ToUtf8().substr(3);
  std::string truncated = good.ToUtf8();
  truncated.resize(truncated.size() - 6);

  struct Case {
    std::string stored;
    std::vector<uint32_t> codes;  // the whole buffer after the call; empty: see `contains`
    uint32_t contains;            // a code that must be in the buffer (0: none)
    const char* argument;         // text the first entry must contain
  };
  const Case cases[] = {
      {"!D1" + payload, {SEC_E_INSECURE, SEC_E_DECRYPT}, 0, "DES-56"},
      {"!D3" + payload, {SEC_E_INSECURE, SEC_E_DECRYPT}, 0, "3DES"},
      {"!XY" + payload, {SEC_E_NOT_RECOGNIZED, SEC_E_DECRYPT}, 0, "XY"},
      {"!a1" + payload, {SEC_E_NOT_RECOGNIZED, SEC_E_DECRYPT}, 0, "a1"},  // tags are exact
      {"secret", {SEC_E_DECRYPT}, 0, nullptr},
      {payload, {SEC_E_DECRYPT}, 0, nullptr},
      {"!A", {SEC_E_DECRYPT}, 0, nullptr},
      // Well tagged but not a cipher text of this key: the cipher's failure and OpenSSL's
      // queued errors come first.
      {"!A1", {}, SEC_E_CRYPTO_CALL, "EVP_DecryptFinal"},
      {"!A1AAAA", {}, SEC_E_CRYPTO_CALL, "EVP_DecryptFinal"},
      {"!A2" + payload, {}, SEC_E_OPENSSL, "bad decrypt"},
      {truncated, {}, SEC_E_CRYPTO_CALL, "EVP_DecryptFinal"},
      {"!A1%%%%%%%%%%%%%%%%%%%%%%", {}, SEC_E_CRYPTO_CALL, "EVP_DecryptFinal"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    getErrBuf()->Clear();
    StringC result = U8("stale");
    EXPECT_EQ(crypt.Decrypt(StringC(c.stored.c_str(), StringC::CC_ASCII), &result), SEC_E_DECRYPT);
    EXPECT_TRUE(result.IsEmpty());
    const std::vector<uint32_t> codes = ErrorCodes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), SEC_E_DECRYPT);
    if (!c.codes.empty()) {
      EXPECT_EQ(codes, c.codes);
    }
    if (c.contains != 0) {
      EXPECT_NE(ErrorText(c.contains), "");
    }
    if (c.argument != nullptr) {
      const uint32_t first = c.contains != 0 ? c.contains : codes.front();
      EXPECT_NE(ErrorText(first).find(c.argument), std::string::npos) << ErrorText(first);
    }
  }

  // The failures did not spoil the object: the cached algorithm still decrypts.
  StringC plain;
  EXPECT_EQ(crypt.Decrypt(good, &plain), RC_OK);
  EXPECT_EQ(plain.ToUtf8(), "secret");
  getErrBuf()->Clear();
}

// A stored form whose plain bytes are not UTF-8 (the stored form of a foreign or wrongly keyed
// string) is refused: replacing the bad bytes would make up a different password.
TEST(RKEncryptionTest, PlainTextThatIsNotUtf8IsRefused) {
  sec_RefM<sec_KeyGeneratorC> secret(new sec_FunctionKeyGenC(&RKEncryptionC::GetConfigFileHeader));
  sec_PwdEncryptionC raw(sec_PwdEncryptionC::c_Aes128, secret.Get(), RKEncryptionC::mSalt);
  RKEncryptionC crypt(RKEncryptionC::mAES_128);
  // "A\xC0\xAF" and "B" are one text (an overlong "/" between two letters), split so that
  // the hex escape ends before the "B".
  const char* const bad[] = {"\xFF", "caf\xE9",
                             ("A\xC0\xAF"
                              "B"),
                             "\xE2\x82", "ok\x80"};
  for (const char* bytes : bad) {
    SCOPED_TRACE(Hex(bytes));
    std::unique_ptr<sec_BlobC> stored = raw.Encrypt(*sec_BlobC::FromText(bytes));
    ASSERT_NE(stored, nullptr);
    const std::string text(stored->TextView());

    getErrBuf()->Clear();
    StringC result = U8("stale");
    EXPECT_EQ(crypt.Decrypt(StringC(text.c_str(), StringC::CC_ASCII), &result), SEC_E_DECRYPT);
    EXPECT_TRUE(result.IsEmpty());
    EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{SEC_E_NOT_UTF8, SEC_E_DECRYPT}));

    getErrBuf()->Clear();
    std::unique_ptr<sec_BlobC> plain = sec_BlobC::FromText("stale");
    EXPECT_EQ(crypt.Decrypt(text, &plain), SEC_E_DECRYPT);
    EXPECT_EQ(plain, nullptr);
  }
  getErrBuf()->Clear();
}

// The byte forms carry the same stored forms as the string forms, and the decrypted password
// comes back in a wiping buffer holding exactly its bytes.
TEST(RKEncryptionTest, ByteFormsMatchTheStringForms) {
  RKEncryptionC crypt(RKEncryptionC::mAES_256);
  for (const char* password : kPasswords) {
    SCOPED_TRACE(Hex(password));
    std::string stored;
    ASSERT_EQ(crypt.Encrypt(std::string_view(password), &stored), RC_OK);
    EXPECT_TRUE(RKEncryptionC::IsStoredForm(stored));
    std::unique_ptr<sec_BlobC> plain;
    ASSERT_EQ(crypt.Decrypt(stored, &plain), RC_OK);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Length(), std::strlen(password));
    EXPECT_EQ(plain->TextView(), password);
    StringC viaString;
    ASSERT_EQ(crypt.Decrypt(StringC(stored.c_str(), StringC::CC_ASCII), &viaString), RC_OK);
    EXPECT_EQ(viaString.ToUtf8(), password);
  }
  std::string stored = "stale";
  EXPECT_EQ(crypt.Encrypt(std::string_view(), &stored), RC_OK);
  EXPECT_TRUE(stored.empty());
  std::unique_ptr<sec_BlobC> plain;
  ASSERT_EQ(crypt.Decrypt(std::string_view(), &plain), RC_OK);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->TextView(), "");
  EXPECT_EQ(crypt.Encrypt(std::string_view("pw"), nullptr), RC_POINTER);
  EXPECT_EQ(crypt.Decrypt(std::string_view("!A1AAAA"), nullptr), RC_POINTER);

  const struct {
    const char* text;
    bool stored;
  } shapes[] = {{"!A1abc", true}, {"!A2", true}, {"!D1x", true}, {"!a1x", false},
                {"A1xx", false},  {"!A", false}, {"", false},    {"hunter2", false}};
  for (const auto& s : shapes) EXPECT_EQ(RKEncryptionC::IsStoredForm(s.text), s.stored) << s.text;
}

TEST(RKEncryptionTest, BuiltInKeyCopy) {
  size_t length = 0;
  char* key = RKEncryptionC::GetConfigFileHeader(length);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(length, 41u);
  EXPECT_EQ(key[41], '\0');
  for (size_t i = 0; i < length; ++i) {
    EXPECT_TRUE(key[i] > ' ' && key[i] < 127) << i;
  }
  delete[] key;
}

// ---- Cross-check against Python's `cryptography` -------------------------------------------

// The script lies beside this file in the source tree; __FILE__ may be relative to the build
// directory, so the build hands the folder over.
std::string PeerScript() {
  return (std::filesystem::path(QLM_SECURITY_TEST_DIR) / "crypt_peer.py").string();
}

// Debian's interpreter carries python3-cryptography; a python3 found first on PATH (a user's
// own installation) may not.
std::string PeerPython() {
  return ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

// Runs the peer once with `arguments` (shell-safe), feeding it `requests` (one per line) from
// a temporary file. Returns its exit status (-1 when it could not run); its answer lines are
// in `*answers`.
int RunPeer(const std::string& arguments, const std::vector<std::string>& requests,
            std::vector<std::string>* answers) {
  const std::filesystem::path input =
      std::filesystem::temp_directory_path() / ("sec_peer_" + std::to_string(::getpid()) + ".txt");
  {
    std::ofstream out(input);
    for (const std::string& request : requests) out << request << '\n';
  }
  const std::string command =
      PeerPython() + " '" + PeerScript() + "' " + arguments + " < '" + input.string() + "' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  std::string text;
  char buffer[512];
  size_t n;
  while ((n = ::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  const int status = ::pclose(pipe);
  std::filesystem::remove(input);
  answers->clear();
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) answers->push_back(line);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PeerCrossCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::string> out;
    if (RunPeer("check", {}, &out) != 0) {
      GTEST_SKIP() << "python3 with the cryptography package is not available";
    }
  }
  // The peer with our built-in key and salt.
  static std::vector<std::string> Ask(const std::vector<std::string>& requests) {
    std::vector<std::string> answers;
    const std::string arguments =
        Hex(std::string_view(RKEncryptionC::mKey, RKEncryptionC::mKeyLength)) + " " +
        std::to_string(RKEncryptionC::mSalt);
    EXPECT_EQ(RunPeer(arguments, requests, &answers), 0);
    EXPECT_EQ(answers.size(), requests.size());
    answers.resize(requests.size());
    return answers;
  }
};

TEST_F(PeerCrossCheckTest, BothDirectionsForBothTags) {
  const struct {
    const char* name;
    const char* tag;
  } kTags[] = {{RKEncryptionC::mAES_128, "!A1"}, {RKEncryptionC::mAES_256, "!A2"}};
  // Per tag and password: the peer decrypts what we wrote, then writes the same password.
  std::vector<std::string> requests;
  std::vector<std::string> ours;
  for (const auto& t : kTags) {
    RKEncryptionC crypt(t.name);
    for (const char* password : kPasswords) {
      StringC stored;
      EXPECT_EQ(crypt.Encrypt(U8(password), &stored), RC_OK);
      ours.push_back(stored.ToUtf8());
      requests.push_back(std::string("decrypt ") + t.tag + " " + stored.ToUtf8());
      requests.push_back(std::string("encrypt ") + t.tag + " " + Hex(password));
    }
  }
  const std::vector<std::string> answers = Ask(requests);
  size_t i = 0;
  for (const auto& t : kTags) {
    RKEncryptionC crypt(t.name);
    for (const char* password : kPasswords) {
      SCOPED_TRACE(std::string(t.tag) + " / " + password);
      const std::string& written = ours[i / 2];
      EXPECT_EQ(answers[i], Hex(password)) << "peer could not read " << written;
      const std::string& theirs = answers[i + 1];
      i += 2;
      // Key and IV are fixed, so both sides write the same text.
      EXPECT_EQ(theirs, written);
      StringC plain;
      ASSERT_EQ(crypt.Decrypt(StringC(theirs.c_str(), StringC::CC_ASCII), &plain), RC_OK);
      EXPECT_EQ(plain.ToUtf8(), password);
    }
  }
}

TEST_F(PeerCrossCheckTest, ForeignPlainTextWithoutTerminatingZero) {
  // A writer that leaves out the zero byte: the plain text is taken up to the end of the
  // buffer, never beyond it.
  const char* const passwords[] = {"0123456789abcdef", "p\xC3\xA4ss"};
  std::vector<std::string> requests;
  for (const char* password : passwords) {
    requests.push_back("encrypt !A2 " + Hex(password) + " nozero");
  }
  const std::vector<std::string> answers = Ask(requests);
  RKEncryptionC crypt(RKEncryptionC::mAES_256);
  for (size_t i = 0; i < answers.size(); ++i) {
    StringC plain;
    ASSERT_EQ(crypt.Decrypt(StringC(answers[i].c_str(), StringC::CC_ASCII), &plain), RC_OK)
        << answers[i];
    EXPECT_EQ(plain.ToUtf8(), passwords[i]);
  }
}

}  // namespace
