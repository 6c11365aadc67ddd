// qlmpolicy and the configuration store end to end: what the store finds (ignored lines) and
// what it cannot do (a setting the run must remember) reach the run's log and exit code.
#include "e2e/E2eSupport.h"

namespace e2e {
namespace {

class StoreProblemsTest : public PolicyWorldTest {
 protected:
  void SetUp() override {
    PolicyWorldTest::SetUp();
    if (::geteuid() != 0) GTEST_SKIP() << "the default machine policy needs root";
  }
  size_t CountLog(const std::string& prefix) const {
    size_t n = 0;
    for (const std::string& t : LogTexts()) n += t.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
};

// Every ignored line is a warning in the log naming file and line, once per run, and the
// lines after a broken header are not read as values of the section before it.
TEST_F(StoreProblemsTest, IgnoredLinesAreWarningsInTheLogOncePerRun) {
  WriteFile(ConfigIni(),
            "[Quillmarsh\\Policy Client\\CurrentVersion]\n"
            "PolicyServerURL=http://prod/p.rpl\n"
            "[Quillmarsh\\Test Servers\n"
            "PolicyServerURL=http://test/t.rpl\n");
  ASSERT_EQ(Run({}), 0);
  const std::string file = ConfigIni().string();
  EXPECT_EQ(CountLog("WARNING: Ignoring line 3 of '" + file + "' (section header without"), 1u);
  EXPECT_EQ(CountLog("WARNING: Ignoring line 4 of '" + file + "' (belongs to no key"), 1u);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0][1].rfind("http://prod/p.rpl?machinename=", 0), 0u) << calls[0][1];
  EXPECT_EQ(ReadFile(root_ / "out/stderr").find("qlmreg:"), std::string::npos);
}

// "-s" with an address that cannot be stored: the policy is applied with that address, the
// log says which file could not be written and why, and the run exits 1.
TEST_F(StoreProblemsTest, AddressThatCannotBeStoredEndsWithExitCode1) {
  // The directories already agree with the environment, so only "-s" needs a write.
  WriteFile(ConfigIni(), "[Quillmarsh]\nInstallDir=" + (root_ / "install").string() +
                             "\nETCPInstallDir=" + (root_ / "install").string() +
                             "\nCommonAppDataFolder=" + (root_ / "data").string() + "\n");
  // Something in the way of the writers' lock: the store cannot write the file.
  fs::create_directories(root_ / "etc/.quillmarsh.ini.lock");
  const std::string before = ReadFile(ConfigIni());
  EXPECT_EQ(Run({"-s", "http://srv/p/m.rpl"}), 1);
  auto calls = Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0][1].rfind("http://srv/p/m.rpl?machinename=", 0), 0u) << calls[0][1];
  EXPECT_EQ(CountLog("ERROR: Cannot write '" + ConfigIni().string() + "': its lock file"), 1u)
      << ReadFile(LogFile());
  EXPECT_TRUE(LogHas("Program exited with code 1"));
  EXPECT_EQ(ReadFile(ConfigIni()), before);
  // Once the file can be written, the address is remembered and the run succeeds.
  fs::remove(root_ / "etc/.quillmarsh.ini.lock");
  EXPECT_EQ(Run({"-s", "http://srv/p/m.rpl"}), 0);
  EXPECT_NE(ReadFile(ConfigIni()).find("PolicyServerURL=http://srv/p/m.rpl"), std::string::npos);
}

// A machine file that does not settle the installation directory: the run goes on with the
// fallback, but the log says the store was not set up and the run exits 1.
TEST_F(StoreProblemsTest, StoreThatIsNotSetUpEndsWithExitCode1) {
  env_.erase("QUILLMARSHCONFIGINI");
  env_["QUILLMARSHINI"] = ConfigIni().string();
  WriteFile(ConfigIni(), "[Quillmarsh]\nCommonAppDataFolder=" + (root_ / "data").string() + "\n");
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(CountLog("ERROR: The configuration store was not set up (0x"), 1u)
      << ReadFile(LogFile());
  EXPECT_TRUE(LogHas("Program exited with code 1"));

  // Settled, the same world runs cleanly.
  WriteFile(ConfigIni(), "[Quillmarsh]\nInstallDir=" + (root_ / "install").string() +
                             "\nCommonAppDataFolder=" + (root_ / "data").string() + "\n");
  EXPECT_EQ(Run({}), 0) << ReadFile(LogFile());
  EXPECT_EQ(CountLog("ERROR: The configuration store was not set up (0x"), 1u);
}

}  // namespace
}  // namespace e2e
