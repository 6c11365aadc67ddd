// The qlmreg tool: command-line checks, every command against real files in a temporary
// directory (run in-process with the test's own store), and the installed program itself.
#include "tools/qlmreg/QlmRegToolC.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>
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
#include "tests/testing/FileUtil.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/TempDirTest.h"

namespace fs = std::filesystem;

namespace {

const char kCommon[] = "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Common";

class QlmRegToolTest : public qlmtest::TempDirTest {
 protected:
  void SetUp() override {
    for (const char* n : {"QUILLMARSHCONFIGINI", "QUILLMARSHINSTALLDIR", "QUILLMARSHDATADIR",
                          "QUILLMARSHINI", "QUILLMARSHEXECPATH", "QUILLMARSHPOLICYINI", "HOME"}) {
      env_.Unset(n);
    }
    qlmtest::TempDirTest::SetUp();
    fs::create_directories(dir_ + "/home");
    env_.Set("HOME", dir_ + "/home");
    // QUILLMARSHINI keeps the tests away from the real machine file when -c is not given.
    Write(dir_ + "/machine-default.ini", "");
    env_.Set("QUILLMARSHINI", dir_ + "/machine-default.ini");
    // Likewise for the machine's policy file.
    policy_ = dir_ + "/policy.ini";
    Write(policy_, "");
    env_.Set("QUILLMARSHPOLICYINI", policy_);
    ini_ = dir_ + "/machine.ini";
    Write(ini_, "; machine\n[Quillmarsh]\nInstallDir=/opt/q\n[Quillmarsh\\Common]\nA=1\n");
    NewStore();
  }
  void TearDown() override {
    EnvMSWPreferencesC::ClearRegistryForTest();
    qlmtest::TempDirTest::TearDown();
  }

  void NewStore() {
    store_ = std::make_unique<cmn_ConfigStoreC>(cmn_ConfigStoreC::UserFileFromHome());
    EnvMSWPreferencesC::SetRegistryForTest(store_.get());
  }
  static void Write(const std::string& path, const std::string& text) {
    qlmtest::WriteFile(path, text);
  }
  static std::string Read(const std::string& path) { return qlmtest::ReadFile(path); }
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

  qlmtest::ScopedEnvC env_;
  std::string ini_;
  std::string policy_;
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

// A refused set leaves the file byte-identical (it used to add an empty section first).
TEST_F(QlmRegToolTest, RefusedSetChangesNoByte) {
  const std::string before = Read(ini_);
  const std::string newKey = "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh\\Brand New";
  for (const char* name : {"a=b", " lead", "x{y}", "[s"}) {
    EXPECT_EQ(RunC({"set", newKey, name, "v"}), 1) << name;
    EXPECT_NE(err_.str().find("cannot be stored"), std::string::npos) << err_.str();
  }
  EXPECT_EQ(RunC({"set", newKey, "L", "-t", "MULTI_SZ", "a", "", "b"}), 1);
  EXPECT_EQ(Read(ini_), before);
}

// Reading commands never write, not even the set-up's corrections of the directories.
TEST_F(QlmRegToolTest, ReadingNeverWrites) {
  const std::string data = dir_ + "/data";
  fs::create_directories(data + "/etc");
  Write(dir_ + "/machine-default.ini", "[Quillmarsh]\nInstallDir=/opt/q\nCommonAppDataFolder=" +
                                           data + "\n[Quillmarsh\\Common]\nA=1\n");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"get", kCommon, "A"},
                                               {"query", kCommon},
                                               {"list", kCommon},
                                               {"check"},
                                               {"effective"},
                                               {"effective", "-o", "PolicyServerURL=http://x/"}}) {
    EXPECT_LE(Run(args), 1) << args[0] << err_.str();
    EXPECT_FALSE(fs::exists(data + "/etc/config.ini")) << args[0];
    EXPECT_EQ(Read(dir_ + "/machine-default.ini").find("PolicyServerURL"), std::string::npos);
  }
  // A write lets the set-up make the data directory's file agree.
  EXPECT_EQ(Run({"set", kCommon, "B", "2"}), 0) << err_.str();
  EXPECT_TRUE(fs::exists(data + "/etc/config.ini"));
}

// Deleting a key that holds a whole attached file needs --force.
TEST_F(QlmRegToolTest, DeletingAWholeFileNeedsForce) {
  const std::string before = Read(ini_);
  for (const char* key : {"HKLM\\Software", "HKLM\\Software\\Quillmarsh Corp"}) {
    EXPECT_EQ(RunC({"delete-key", key}), 1) << key;
    EXPECT_NE(err_.str().find("--force"), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find(ini_), std::string::npos) << err_.str();
  }
  EXPECT_EQ(Read(ini_), before);
  EXPECT_EQ(RunC({"--force", "delete-key", "HKLM\\Software\\Quillmarsh Corp"}), 0) << err_.str();
  EXPECT_EQ(Read(ini_), "");  // the comment belonged to the first header
  // A key inside the file needs nothing.
  Write(ini_, "[Quillmarsh\\Common]\nA=1\n[Quillmarsh\\Other]\nB=2\n");
  EXPECT_EQ(RunC({"delete-key", kCommon}), 0) << err_.str();
  EXPECT_EQ(Read(ini_), "[Quillmarsh\\Other]\nB=2\n");
}

// A failed write names the file and the real reason first.
TEST_F(QlmRegToolTest, FailureNamesTheFileAndReasonFirst) {
  const std::string data = dir_ + "/nodata";
  Write(dir_ + "/machine-default.ini",
        "[Quillmarsh]\nInstallDir=/opt/q\nCommonAppDataFolder=" + data + "\n");
  EXPECT_EQ(Run({"--data", "set", kCommon, "B", "2"}), 1);
  // The set-up's corrections of that file failed too, but those are only warnings.
  const std::string error =
      "qlmreg: Cannot write '" + data + "/etc/config.ini': its directory does not exist\n";
  const std::string text = err_.str();
  const size_t at = text.find(error);
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_TRUE(at == 0 || text[at - 1] == '\n') << text;
  EXPECT_EQ(text.find("could not be written (check"), std::string::npos) << text;
  EXPECT_EQ(text.find("qlmreg: ", at + 1) == std::string::npos ||
                text.compare(text.find("qlmreg: ", at + 1), 17, "qlmreg: warning: ") == 0,
            true)
      << text;
}

// Scopes choose the file; without one the file holding the value gets the write; the output
// says which file was written; --show-origin tells where a value is read from.
TEST_F(QlmRegToolTest, ScopesOriginAndTheFileWritten) {
  const std::string data = dir_ + "/data";
  fs::create_directories(data + "/etc");
  const std::string machine = dir_ + "/machine-default.ini";
  Write(machine, "[Quillmarsh]\nInstallDir=/opt/q\nCommonAppDataFolder=" + data +
                     "\n[Quillmarsh\\Common]\nA=1\n");
  const std::string dataIni = data + "/etc/config.ini";
  EXPECT_EQ(Run({"set", kCommon, "A", "2"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "wrote " + machine + "\n");
  EXPECT_EQ(Run({"set", kCommon, "A", "2"}), 0);
  EXPECT_EQ(out_.str(), "unchanged " + machine + "\n");
  EXPECT_EQ(Run({"set", kCommon, "New", "n"}), 0);
  EXPECT_EQ(out_.str(), "wrote " + dataIni + "\n");
  EXPECT_EQ(Run({"--system", "set", kCommon, "Sys", "s"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "wrote " + machine + "\n");
  EXPECT_EQ(Run({"--show-origin", "get", kCommon, "Sys"}), 0);
  EXPECT_EQ(out_.str(), machine + ":6\ts\n");
  EXPECT_EQ(Run({"--show-origin", "query", kCommon}), 0);
  EXPECT_NE(out_.str().find(dataIni + ":5\tNew\tREG_SZ\tn\n"), std::string::npos)
      << out_.str() << "\n"
      << Read(dataIni);
  const std::string user = dir_ + "/home/.config/quillmarsh/user.ini";
  const std::string userKey = "HKCU\\Software\\Quillmarsh Corp\\Quillmarsh\\Common";
  EXPECT_EQ(Run({"--user", "set", userKey, "U", "u"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "wrote " + user + "\n");
  EXPECT_EQ(Run({"--user", "set", kCommon, "U", "u"}), 1);
  const std::string other = dir_ + "/other.ini";
  EXPECT_EQ(Run({"--file", other, "set", kCommon, "F", "f"}), 0) << err_.str();
  EXPECT_EQ(Read(other), "[Quillmarsh\\Common]\nF=f\n");
  EXPECT_EQ(Run({"--json", "list", "HKLM\\Software\\Quillmarsh Corp\\Quillmarsh"}), 0);
  EXPECT_EQ(out_.str(), "[\"Common\"]\n");
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out_.str().rfind("qlmreg ", 0), 0u);
}

// The policy files are attached at the alternate keys and --policy writes them; the policy
// client's loading (effective) takes the policy value over the machine file's.
TEST_F(QlmRegToolTest, PolicyFileAndEffective) {
  const std::string policyKey = "HKLM\\Software\\Policies\\Quillmarsh Corp\\Quillmarsh\\Common";
  Write(ini_, "[Quillmarsh\\Common]\nLogLevel=2\nRetries=4\nRetriesFixed=True\n");
  EXPECT_EQ(RunC({"--policy", "set", policyKey, "LogLevel", "3"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "wrote " + policy_ + "\n");
  EXPECT_EQ(Read(policy_), "[Quillmarsh\\Common]\nLogLevel=3\n");
  EXPECT_EQ(RunC({"effective", "-t", "Machine", "-o", "Retries=9", "-o", "Extra=x"}), 0)
      << err_.str();
  const std::string text = out_.str();
  EXPECT_NE(text.find("LogLevel\t3\t" + policy_ + ":2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Retries\t4\t" + ini_ + ":3\tfixed\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Extra\tx\tcommand line\n"), std::string::npos) << text;
  EXPECT_NE(text.find("PolicyType\tMachine\tcommand line\n"), std::string::npos) << text;
  EXPECT_EQ(RunC({"--json", "effective", "-t", "Machine"}), 0);
  EXPECT_NE(out_.str().find("{\"name\": \"LogLevel\", \"value\": \"3\", \"source\": \"" + policy_ +
                            ":2\", \"fixed\": false}"),
            std::string::npos)
      << out_.str();
}

// check: every problem with file and line, exit 1 on any.
TEST_F(QlmRegToolTest, CheckReportsEveryProblem) {
  const std::string good = dir_ + "/good.ini", bad = dir_ + "/bad.ini";
  Write(good, "[A]\nx=1\n");
  Write(bad, "[A]\nx=1\n[Quillmarsh\\Test Servers\nPolicyServerURL=http://test/\nn{dword}=z\n");
  EXPECT_EQ(Run({"check", good}), 0);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(Run({"check", good, bad}), 1);
  EXPECT_EQ(
      out_.str(),
      bad + ":3: section header without a closing \"]\" at its end: [Quillmarsh\\Test Servers\n" +
          bad +
          ":4: belongs to no key: it follows a section header that cannot be parsed: "
          "PolicyServerURL=http://test/\n" +
          bad + ":5: not a DWORD (0 to 4294967295, decimal or 0x-hexadecimal): n{dword}=z\n");
  EXPECT_EQ(Run({"check", dir_ + "/missing.ini"}), 1);
  EXPECT_NE(err_.str().find("missing.ini"), std::string::npos);
  // Without FILE: the attached files.
  Write(ini_, "[Quillmarsh]\nbroken line\n");
  EXPECT_EQ(RunC({"check"}), 1);
  EXPECT_EQ(out_.str(),
            ini_ + ":2: neither a comment, a section header nor a Name=value line: broken line\n");
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
  env_.Set("QUILLMARSHCONFIGINI", ini_);
  EXPECT_EQ(sh("get " + key + " B"), 0);
  EXPECT_EQ(Read(out), "two words\n");
}

}  // namespace
