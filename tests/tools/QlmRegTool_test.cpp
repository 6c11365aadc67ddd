// The qlmreg tool: command-line checks, every command against real files in a temporary
// directory (run in-process with the test's own store), and the installed program itself.
#include "tools/qlmreg/QlmRegToolC.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cmn/cmn_ConfigStoreC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "env/EnvMSWPreferencesC.h"

namespace fs = std::filesystem;

namespace {

const char kCommon[] = "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Common";

class QlmRegToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* n : {"QUILLMARSHCONFIGINI", "QUILLMARSHINSTALLDIR", "QUILLMARSHDATADIR",
                          "QUILLMARSHINI", "QUILLMARSHEXECPATH", "HOME"}) {
      const char* v = std::getenv(n);
      saved_[n] = v != nullptr ? std::optional<std::string>(v) : std::nullopt;
      ::unsetenv(n);
    }
    char tmpl[] = "/tmp/qlm_qlmreg_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    fs::create_directories(dir_ + "/home");
    ::setenv("HOME", (dir_ + "/home").c_str(), 1);
    // QUILLMARSHINI keeps the tests away from the real machine file when -c is not given.
    Write(dir_ + "/machine-default.ini", "");
    ::setenv("QUILLMARSHINI", (dir_ + "/machine-default.ini").c_str(), 1);
    ini_ = dir_ + "/machine.ini";
    Write(ini_, "; machine\n[Quillmarsh]\nInstallDir=/opt/q\n[Quillmarsh\\Common]\nA=1\n");
    NewStore();
  }
  void TearDown() override {
    EnvMSWPreferencesC::ClearRegistryForTest();
    for (const auto& [n, v] : saved_) {
      if (v) {
        ::setenv(n.c_str(), v->c_str(), 1);
      } else {
        ::unsetenv(n.c_str());
      }
    }
    fs::remove_all(dir_);
  }

  void NewStore() {
    store_ = std::make_unique<cmn_ConfigStoreC>(cmn_ConfigStoreC::UserFileFromHome());
    EnvMSWPreferencesC::SetRegistryForTest(store_.get());
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Runs qlmreg with `args` in a fresh store (each run of the program has its own).
  int Run(std::vector<std::string> args) {
    NewStore();
    args.insert(args.begin(), "qlmreg");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    out_.str("");
    err_.str("");
    return QlmRegToolC::Run(static_cast<int>(args.size()), argv.data(), out_, err_);
  }
  int RunC(std::vector<std::string> args) {
    args.insert(args.begin(), {"-c", ini_});
    return Run(std::move(args));
  }

  std::map<std::string, std::optional<std::string>> saved_;
  std::string dir_;
  std::string ini_;
  std::unique_ptr<cmn_ConfigStoreC> store_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(QlmRegToolTest, HelpAndMisuse) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("SYNOPSIS"), std::string::npos);
  EXPECT_TRUE(err_.str().empty());
  EXPECT_EQ(Run({"get", kCommon, "-h"}), 0);
  EXPECT_NE(out_.str().find("EXIT STATUS"), std::string::npos);

  struct CaseS {
    std::vector<std::string> args;
    const char* message;
  };
  const CaseS cases[] = {
      {{}, "no command given"},
      {{"-x", "list", kCommon}, "unknown option '-x'"},
      {{"-c"}, "option -c needs a FILE"},
      {{"frobnicate", kCommon}, "unknown command 'frobnicate'"},
      {{"list"}, "list needs KEY"},
      {{"get", kCommon}, "get needs KEY and NAME"},
      {{"query", kCommon, "extra"}, "query needs KEY"},
      {{"set", kCommon, "A"}, "set needs KEY, NAME and a VALUE"},
      {{"set", kCommon, "A", "-t", "QWORD", "1"}, "unknown value type 'QWORD'"},
      {{"set", kCommon, "A", "-t"}, "option -t needs a TYPE"},
      {{"set", kCommon, "A", "-t", "DWORD", "1", "2"}, "REG_DWORD takes exactly one VALUE"},
      {{"set", kCommon, "A", "x", "y"}, "REG_SZ takes exactly one VALUE"},
      {{"list", "HKXX\\Software"}, "'HKXX' is not a root key"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(Run(c.args), 1);
    EXPECT_NE(err_.str().find(std::string("qlmreg: ") + c.message), std::string::npos)
        << err_.str();
    EXPECT_NE(err_.str().find("SYNOPSIS"), std::string::npos);
    EXPECT_TRUE(out_.str().empty());
  }
}

TEST_F(QlmRegToolTest, SetGetQueryListDeleteOnTheNamedFile) {
  const std::string policy =
      "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client\\CurrentVersion";
  ASSERT_EQ(RunC({"set", policy, "PolicyServerURL", "http://server/policies"}), 0) << err_.str();
  ASSERT_EQ(RunC({"set", policy, "Retries", "-t", "dword", "0x10"}), 0) << err_.str();
  ASSERT_EQ(RunC({"set", policy, "Servers", "-t", "REG_MULTI_SZ", "a", "b c"}), 0);
  ASSERT_EQ(RunC({"set", policy, "Path", "-t", "EXPAND_SZ", "--", "-$(InstallDir)/bin"}), 0);
  ASSERT_EQ(RunC({"set", policy, "Blob", "-t", "BINARY", "0a:ff", "00"}), 0);
  ASSERT_EQ(RunC({"set", policy, "Text", "tab\there"}), 0);

  const std::string text = Read(ini_);
  EXPECT_EQ(text.rfind("; machine\n", 0), 0u);
  EXPECT_NE(text.find("[Quillmarsh\\Policy Client\\CurrentVersion]\n"), std::string::npos);
  EXPECT_NE(text.find("PolicyServerURL=http://server/policies\n"), std::string::npos);
  EXPECT_NE(text.find("Retries{dword}=16\n"), std::string::npos);
  EXPECT_NE(text.find("Servers{multi}=a\nServers{multi}=b c\n"), std::string::npos);

  EXPECT_EQ(RunC({"get", policy, "retries"}), 0);
  EXPECT_EQ(out_.str(), "16\n");
  EXPECT_EQ(RunC({"get", policy, "Servers"}), 0);
  EXPECT_EQ(out_.str(), "a\nb c\n");
  EXPECT_EQ(RunC({"get", policy, "Path"}), 0);
  EXPECT_EQ(out_.str(), "-$(InstallDir)/bin\n");
  EXPECT_EQ(RunC({"get", policy, "Blob"}), 0);
  EXPECT_EQ(out_.str(), "0a ff 00\n");

  EXPECT_EQ(RunC({"query", policy}), 0);
  EXPECT_EQ(out_.str(),
            "PolicyServerURL\tREG_SZ\thttp://server/policies\n"
            "Retries\tREG_DWORD\t16\n"
            "Servers\tREG_MULTI_SZ\ta\\0b c\n"
            "Path\tREG_EXPAND_SZ\t-$(InstallDir)/bin\n"
            "Blob\tREG_BINARY\t0a ff 00\n"
            "Text\tREG_SZ\ttab\\there\n");

  EXPECT_EQ(RunC({"list", "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh"}), 0);
  EXPECT_EQ(out_.str(), "Common\nPolicy Client\n");

  EXPECT_EQ(RunC({"delete", policy, "Retries"}), 0);
  EXPECT_EQ(RunC({"get", policy, "Retries"}), 1);
  EXPECT_NE(err_.str().find("value 'Retries' not found"), std::string::npos);
  EXPECT_EQ(RunC({"delete", policy, "Retries"}), 1);

  EXPECT_EQ(RunC({"delete-key", "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Policy Client"}), 0);
  EXPECT_EQ(RunC({"query", policy}), 1);
  EXPECT_NE(err_.str().find("not found"), std::string::npos);
  EXPECT_EQ(Read(ini_).find("Policy Client"), std::string::npos);
  EXPECT_EQ(RunC({"get", kCommon, "A"}), 0);
  EXPECT_EQ(out_.str(), "1\n");
  // The variable -c sets lasts only for the run.
  EXPECT_EQ(std::getenv("QUILLMARSHCONFIGINI"), nullptr);
}

TEST_F(QlmRegToolTest, RefusesWhatWouldBeLostOrIsWrong) {
  struct CaseS {
    std::vector<std::string> args;
    const char* message;
  };
  const CaseS cases[] = {
      {{"set", "HKLM\\Software\\Other", "A", "1"}, "is not kept in any configuration file"},
      {{"set", "HKCR\\Foo", "A", "1"}, "is not kept in any configuration file"},
      {{"set", kCommon, "A", "-t", "DWORD", "4294967296"}, "is not a DWORD"},
      {{"set", kCommon, "A", "-t", "DWORD", "--", "-1"}, "is not a DWORD"},
      {{"set", kCommon, "A", "-t", "DWORD", "-1"}, "unexpected option '-1'"},
      {{"set", kCommon, "A", "-t", "BINARY", "abc"}, "is not a list of hexadecimal bytes"},
      {{"set", kCommon, "A", "-t", "MULTI_SZ", "a", ""}, "cannot hold an empty text"},
      {{"get", kCommon, "Missing"}, "value 'Missing' not found"},
      {{"list", "HKLM\\Software\\Nowhere"}, "key 'HKLM\\Software\\Nowhere' not found"},
      {{"delete-key", "HKLM"}, "root keys cannot be deleted"},
      {{"delete-key", "HKLM\\Software\\Nowhere"}, "not found"},
  };
  const std::string before = Read(ini_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(RunC(c.args), 1);
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
  }
  EXPECT_EQ(Read(ini_), before);
  EXPECT_EQ(Run({"-c", dir_ + "/absent.ini", "list", kCommon}), 1);
  EXPECT_NE(err_.str().find("does not exist"), std::string::npos);
}

TEST_F(QlmRegToolTest, CurrentUserValuesGoToTheHomeDirectory) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\Quillmarsh Corp\\Quillmarsh\\Common";
  ASSERT_EQ(Run({"set", key, "Proxy", "proxy:3128"}), 0) << err_.str();
  EXPECT_NE(Read(dir_ + "/home/.config/quillmarsh/user.ini").find("Proxy=proxy:3128"),
            std::string::npos);
  EXPECT_EQ(Run({"get", "hkcu\\software\\quillmarsh corp\\quillmarsh\\common", "proxy"}), 0);
  EXPECT_EQ(out_.str(), "proxy:3128\n");
}

TEST_F(QlmRegToolTest, StoreWarningsReachStandardError) {
  Write(ini_, "[Quillmarsh\\Common]\nA=1\nthis line is not a value\n");
  EXPECT_EQ(RunC({"get", kCommon, "A"}), 0);
  EXPECT_EQ(out_.str(), "1\n");
  EXPECT_NE(err_.str().find("qlmreg: warning: Ignoring line 3"), std::string::npos) << err_.str();
}

TEST(QlmRegParseTest, DwordsAndBytes) {
  const std::pair<const char*, std::optional<uint32_t>> dwords[] = {{"0", 0u},
                                                                    {"42", 42u},
                                                                    {"0x2A", 42u},
                                                                    {"0xffffffff", 0xffffffffu},
                                                                    {"4294967295", 0xffffffffu},
                                                                    {"4294967296", std::nullopt},
                                                                    {"0x100000000", std::nullopt},
                                                                    {"", std::nullopt},
                                                                    {"0x", std::nullopt},
                                                                    {"12a", std::nullopt},
                                                                    {"+1", std::nullopt},
                                                                    {" 1", std::nullopt}};
  for (const auto& [text, want] : dwords) {
    uint32_t v = 7;
    EXPECT_EQ(QlmRegToolC::ParseDword(text, &v), want.has_value()) << text;
    if (want) {
      EXPECT_EQ(v, *want) << text;
    }
  }
  const std::pair<const char*, std::optional<std::string>> bytes[] = {
      {"0a ff 00", std::string("\x0a\xff\x00", 3)},
      {"0AFF", std::string("\x0a\xff", 2)},
      {"", std::string()},
      {"0a:0b\t0c", std::string("\x0a\x0b\x0c", 3)},
      {"0 a", std::nullopt},
      {"abc", std::nullopt},
      {"zz", std::nullopt}};
  for (const auto& [text, want] : bytes) {
    std::string out;
    EXPECT_EQ(QlmRegToolC::ParseBinary(text, &out), want.has_value()) << text;
    if (want) {
      EXPECT_EQ(out, *want) << text;
    }
  }
  EXPECT_EQ(QlmRegToolC::TypeFromName("reg_expand_sz"), 2u);
  EXPECT_EQ(QlmRegToolC::TypeName(9), "REG_0x9");
}

// The program itself, in its own process, with the environment it would get from a shell.
TEST_F(QlmRegToolTest, ProgramRunsAsACommand) {
  const std::string out = dir_ + "/out.txt";
  const std::string err = dir_ + "/err.txt";
  auto sh = [&](const std::string& args) {
    const std::string command =
        std::string("'") + QLMREG_PROGRAM + "' " + args + " >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const std::string key = "'HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Common'";
  EXPECT_EQ(sh("-c '" + ini_ + "' set " + key + " B 'two words'"), 0) << Read(err);
  EXPECT_EQ(sh("-c '" + ini_ + "' get " + key + " B"), 0);
  EXPECT_EQ(Read(out), "two words\n");
  EXPECT_EQ(sh("-c '" + ini_ + "' get " + key + " Nope"), 1);
  EXPECT_EQ(Read(err), "qlmreg: value 'Nope' not found in '" + std::string(kCommon) + "'\n");
  EXPECT_EQ(sh("bogus"), 1);
  EXPECT_NE(Read(err).find("SYNOPSIS"), std::string::npos);
  // QUILLMARSHCONFIGINI from the environment works like -c.
  ::setenv("QUILLMARSHCONFIGINI", ini_.c_str(), 1);
  EXPECT_EQ(sh("get " + key + " B"), 0);
  EXPECT_EQ(Read(out), "two words\n");
}

}  // namespace
