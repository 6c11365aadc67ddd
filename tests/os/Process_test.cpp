#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/ArgListC.h"
#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "os/CommPipeC.h"
#include "os/CommandLine.h"
#include "os/ExecuteCommand.h"
#include "os/FDInputStreamC.h"
#include "os/FDOutputStreamC.h"
#include "os/FileNameC.h"
#include "os/File_posix.h"
#include "os/MemoryStreamC.h"
#include "os/ProcessC.h"
#include "os/ProcessEnvironmentI.h"
#include "os/ProcessLogHook.h"
#include "os/Process_posix.h"
#include "os/StreamErrors.h"
#include "tests/os/OsTestSupport.h"
#include "tests/testing/ScopedEnvC.h"
#include "tests/testing/StringHelpers.h"

namespace {

using os_test::TempDirTest;
using qlmtest::ErrorCodes;

using qlmtest::S;

StringArrayC Args(std::initializer_list<const char*> items) {
  StringArrayC array;
  for (const char* item : items) array.Append(S(item));
  return array;
}

std::string Text(const MemoryStreamC& stream) {
  return std::string(reinterpret_cast<const char*>(stream.GetBuffer()),
                     static_cast<size_t>(const_cast<MemoryStreamC&>(stream).GetLength()));
}

// Runs `process` with its standard output (and error) collected; returns the output.
std::string RunCollecting(ProcessC& process, MemoryStreamC* err = nullptr) {
  MemoryStreamC out;
  EXPECT_EQ(process.StdOut().AttachStream(&out), RC_OK);
  if (err != nullptr) {
    EXPECT_EQ(process.StdErr().AttachStream(err), RC_OK);
  }
  EXPECT_EQ(process.Start(), RC_OK);
  EXPECT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
  return Text(out);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// --- Messages of ExecuteCommand ----------------------------------------------------------------

struct LoggedS {
  uint32_t number;
  std::string text;
  ArgListC args;
};
std::vector<LoggedS>* g_logged = nullptr;

void CaptureLog(int component, int level, uint32_t number, const char* defaultText,
                const ArgListC& args) {
  EXPECT_EQ(component, 71);
  EXPECT_EQ(level, 0);
  if (g_logged != nullptr) g_logged->push_back({number, args.FormatUtf8(defaultText), args});
}

class ExecuteCommandTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    g_logged = &logged_;
    SetProcessLogHook(&CaptureLog);
  }
  void TearDown() override {
    SetProcessLogHook(nullptr);
    g_logged = nullptr;
    TempDirTest::TearDown();
  }
  const LoggedS* Find(uint32_t number) const {
    for (const LoggedS& entry : logged_) {
      if (entry.number == number) return &entry;
    }
    return nullptr;
  }
  std::vector<LoggedS> logged_;
};

// A provider standing in for the deployment context and the preferences.
class FakeEnvironment : public ProcessEnvironmentI {
 public:
  RcT MakeChildEnvironment(const rkk_VariableListC* variables, StringArrayC* entries) override {
    seen_variables = variables;
    entries->AppendAll(child_environment);
    return make_result;
  }
  bool FindEnvironmentSetting(const StringC& name, StringC* value) override {
    if (!has_setting || !name.Equals(S("OUIEXTERNALEXEC"))) return false;
    *value = setting;
    return true;
  }
  bool GetPreference(const StringC& name, StringC* value) override {
    if (!name.Equals(S("BROWSEREXE")) || browser.IsEmpty()) return false;
    *value = browser;
    return true;
  }

  StringArrayC child_environment;
  RcT make_result = RC_OK;
  const rkk_VariableListC* seen_variables = nullptr;
  bool has_setting = false;
  StringC setting;
  StringC browser;
};

// Installs a provider for one test.
class ProviderScope {
 public:
  explicit ProviderScope(ProcessEnvironmentI* provider) { ProcessEnvironmentI::Set(provider); }
  ~ProviderScope() { ProcessEnvironmentI::Set(nullptr); }
};

// ExecuteCommand never looks inside the variable list; the provider receives it as it is.
const rkk_VariableListC* SomeVariableList() {
  static int marker;
  return reinterpret_cast<const rkk_VariableListC*>(&marker);
}

}  // namespace

// --- Splitting and joining ---------------------------------------------------------------------

TEST(CommandLineTest, SplitsByTheQuotingRules) {
  struct CaseS {
    const char* line;
    std::vector<std::string> expected;
  };
  const CaseS cases[] = {
      {"", {}},
      {" \t\r\n ", {}},
      {"a b\tc\r\nd", {"a", "b", "c", "d"}},
      {"  lead  trail  ", {"lead", "trail"}},
      {"\"/opt/q m/bin/rklaunch\" -r \"http://s/p q\"",
       {"/opt/q m/bin/rklaunch", "-r", "http://s/p q"}},
      {"'a b' \"c'd\"", {"a b", "c'd"}},
      {"\"\" x ''", {"", "x", ""}},
      {"a\\\"b", {"a\\\"b"}},          // an escaped quote stays with its backslash
      {"a\\\\\"b c\"", {"a\\\\b c"}},  // an even run does not escape
      {"a\\ b", {"a\\ b"}},            // an escaped separator is ordinary
      {"x\"unterminated rest", {"xunterminated rest"}},
      {"'it''s'", {"its"}},
      {"pre\"mid dle\"post", {"premid dlepost"}},
      {"\"a\\\"b\" c", {"a\\\"b", "c"}},  // the escaped quote does not close
      {"trailing\\", {"trailing\\"}},
  };
  for (const CaseS& c : cases) {
    EXPECT_EQ(SplitCommandLine(std::string_view(c.line)), c.expected) << c.line;
    StringArrayC array;
    SplitCommandLine(S(c.line), &array);
    ASSERT_EQ(array.Count(), c.expected.size()) << c.line;
    for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_EQ(array[i].ToUtf8(), c.expected[i]);
  }
}

TEST(CommandLineTest, JoinSplitsBackToTheSameArguments) {
  const std::vector<std::vector<std::string>> lists = {
      {"plain", "-r", "x"},
      {"with blank", "", "tab\there", "new\nline"},
      {"a\"b", "c'd", "both'and\"", "\"", "'", "\"'\"'"},
      {"x", "ends\\"},
      {"y", "C:\\dir with blank\\"},
      {"C:\\dir with blank\\\\", "even run"},
      {"quote \\\" inside", "\\\\\"", "a\\\\'b c"},
      {"odd at the end \\"},
      {"\\"},
  };
  for (const auto& list : lists) {
    const std::string joined = JoinCommandLine(list);
    EXPECT_EQ(SplitCommandLine(joined), list) << joined;
  }
  // Arguments that need nothing stay as they are.
  EXPECT_EQ(JoinCommandLine(std::vector<std::string>{"/bin/true", "-x", "a\\b"}),
            "/bin/true -x a\\b");
  EXPECT_EQ(JoinCommandLine(Args({"has blank", ""})).ToUtf8(), "\"has blank\" \"\"");
  EXPECT_EQ(JoinCommandLine(std::vector<std::string>{"a b\\"}), "\"a b\"\\");
  EXPECT_EQ(JoinCommandLine(std::vector<std::string>{"say \"hi\""}), "'say \"hi\"'");
}

TEST(CommandLineTest, ExecCandidatesFollowPath) {
  EXPECT_EQ(os_ExecCandidates("prog", "/a:/b/::/c"),
            (std::vector<std::string>{"/a/prog", "/b/prog", "prog", "/c/prog"}));
  EXPECT_EQ(os_ExecCandidates("prog", nullptr),
            (std::vector<std::string>{"/bin/prog", "/usr/bin/prog"}));
  EXPECT_EQ(os_ExecCandidates("./rel/prog", "/a"), (std::vector<std::string>{"./rel/prog"}));
  EXPECT_TRUE(os_ExecCandidates("", "/a").empty());
}

// --- ExecuteCommand ----------------------------------------------------------------------------

TEST_F(ExecuteCommandTest, ExitStatusAndSignalReachTheExitCode) {
  struct CaseS {
    const char* line;
    unsigned long code;
  };
  const CaseS cases[] = {
      {"/bin/sh -c 'exit 3'", 3}, {"/bin/sh -c 'kill -9 $$'", 9}, {"true", 0},  // found along PATH
  };
  for (const CaseS& c : cases) {
    logged_.clear();
    unsigned long code = 12345;
    EXPECT_EQ(ExecuteCommand(c.line, ExecuteOptionsS{.exit_code = &code}), EXECUTE_STARTED)
        << c.line;
    EXPECT_EQ(code, c.code) << c.line;
    ASSERT_NE(Find(OS_M_EXECUTE), nullptr);
    EXPECT_EQ(Find(OS_M_EXECUTE)->text, std::string("Execute \u201c") + c.line + "\u201d");
    ASSERT_NE(Find(OS_M_EXECUTE_RETURNED), nullptr);
    EXPECT_EQ(Find(OS_M_EXECUTE_RETURNED)->text,
              "Execute returned \u201cStarted Successfully\u201d. ");
    const LoggedS* exit_line = Find(OS_M_EXECUTE_EXIT_CODE);
    ASSERT_NE(exit_line, nullptr);
    EXPECT_EQ(exit_line->text, std::string("Command \u201c") + c.line +
                                   "\u201d returned exit code " + std::to_string(c.code));
  }
}

TEST_F(ExecuteCommandTest, StartFailuresMapToOutcomes) {
  WriteFile("script", "no interpreter line\n");
  ::chmod(Path("script").c_str(), 0644);  // not executable
  WriteFile("file", "x");
  struct CaseS {
    std::string line;
    ExecuteOutcome outcome;
    std::string text;
  };
  const CaseS cases[] = {
      {"/nonexistent/program -x", EXECUTE_FILE_NOT_FOUND, "File Not Found:/nonexistent/program -x"},
      {"qlm-no-such-program-anywhere", EXECUTE_FILE_NOT_FOUND,
       "File Not Found:qlm-no-such-program-anywhere"},
      {Path("file") + "/below", EXECUTE_PATH_NOT_FOUND,
       "Path Not Found:" + Path("file") + "/below"},
      {Path("script"), EXECUTE_ACCESS_DENIED, "Access denied"},
      {"", EXECUTE_UNSPECIFIED, "Unspecified Failure"},
      {"   ", EXECUTE_UNSPECIFIED, "Unspecified Failure"},
  };
  for (const CaseS& c : cases) {
    logged_.clear();
    unsigned long code = 77;
    EXPECT_EQ(ExecuteCommand(c.line.c_str(), ExecuteOptionsS{.exit_code = &code}), c.outcome)
        << c.line;
    ASSERT_NE(Find(OS_M_EXECUTE_RETURNED), nullptr);
    EXPECT_EQ(Find(OS_M_EXECUTE_RETURNED)->text, "Execute returned \u201c" + c.text + "\u201d. ");
    EXPECT_EQ(Find(OS_M_EXECUTE_EXIT_CODE), nullptr) << c.line;
  }
}

TEST_F(ExecuteCommandTest, UncollectableStatusIsNoSuccess) {
  // With SIGCHLD ignored the system reaps children itself, so no exit code can be had.
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGCHLD, &ignore, &previous), 0);
  unsigned long code = 0;
  const ExecuteOutcome outcome = ExecuteCommand("/bin/true", ExecuteOptionsS{.exit_code = &code});
  ::sigaction(SIGCHLD, &previous, nullptr);
  EXPECT_EQ(outcome, EXECUTE_UNSPECIFIED);
  EXPECT_EQ(code, ULONG_MAX);
  EXPECT_EQ(Find(OS_M_EXECUTE_EXIT_CODE), nullptr);
}

TEST_F(ExecuteCommandTest, SupervisionOptionsReachTheChild) {
  // The child prints its process id and its process group (field 5 of /proc/<pid>/stat).
  const char* const report = "/bin/sh -c 'echo $$; cut -d\" \" -f5 /proc/$$/stat'";
  for (bool own_group : {false, true}) {
    MemoryStreamC out;
    unsigned long code = 99;
    ASSERT_EQ(ExecuteCommand(report, ExecuteOptionsS{.exit_code = &code,
                                                     .stdout_sink = &out,
                                                     .own_process_group = own_group}),
              EXECUTE_STARTED);
    const std::vector<std::string> lines = Lines(Text(out));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0] == lines[1], own_group) << lines[0] << " " << lines[1];
  }

  // A callback that says stop has the child terminated; its signal is the exit code.
  int calls = 0;
  const ProcessC::WaitCallbackT stop = [](ProcessC*, void* context) {
    ++*static_cast<int*>(context);
    return false;
  };
  unsigned long code = 99;
  EXPECT_EQ(ExecuteCommand(
                "sleep 30",
                ExecuteOptionsS{
                    .exit_code = &code, .callback = stop, .context = &calls, .interval_ms = 10}),
            EXECUTE_STARTED);
  EXPECT_EQ(code, static_cast<unsigned long>(SIGTERM));
  EXPECT_GE(calls, 1);
}

TEST(ExecuteOutcomeTest, MapsStartResults) {
  const std::pair<RcT, ExecuteOutcome> table[] = {
      {0, EXECUTE_STARTED},
      {0xE000000B, EXECUTE_OUT_OF_RESOURCES},
      {0xE000000C, EXECUTE_OUT_OF_RESOURCES},
      {0xE0000017, EXECUTE_OUT_OF_RESOURCES},
      {0xE0000018, EXECUTE_OUT_OF_RESOURCES},
      {0xE000001B, EXECUTE_OUT_OF_RESOURCES},
      {0xE000001C, EXECUTE_OUT_OF_RESOURCES},
      {0xE0000008, EXECUTE_BAD_FORMAT},
      {0xE0000002, EXECUTE_FILE_NOT_FOUND},
      {0xE0000006, EXECUTE_PATH_NOT_FOUND},
      {0xE0000013, EXECUTE_PATH_NOT_FOUND},
      {0xE0000014, EXECUTE_PATH_NOT_FOUND},
      {0xE0000001, EXECUTE_ACCESS_DENIED},
      {0xE000000D, EXECUTE_ACCESS_DENIED},
      {0x80000006, EXECUTE_UNSPECIFIED},
      {0xE0000005, EXECUTE_UNSPECIFIED},
  };
  for (const auto& [rc, outcome] : table)
    EXPECT_EQ(ExecuteOutcomeOf(rc), outcome) << std::hex << rc;
  EXPECT_EQ(ExecuteOutcomeText(EXECUTE_DDE_FAILURE, S("x")).ToUtf8(), "DDE Failure");
  EXPECT_EQ(ExecuteOutcomeText(EXECUTE_OUT_OF_RESOURCES, S("x")).ToUtf8(), "Out Of Resorces");
  EXPECT_EQ(ExecuteOutcomeText(EXECUTE_BAD_FORMAT, S("x")).ToUtf8(), "Bad Format");
}

TEST_F(ExecuteCommandTest, WithoutHookMessagesGoToTheErrorBuffer) {
  SetProcessLogHook(nullptr);
  getErrBuf()->Clear();
  EXPECT_EQ(ExecuteCommand("/nonexistent/x", ExecuteOptionsS{}), EXECUTE_FILE_NOT_FOUND);
  auto codes = ErrorCodes();
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes[0], OS_M_EXECUTE);
  EXPECT_EQ(codes.back(), OS_M_EXECUTE_RETURNED);
  EXPECT_EQ(getErrBuf()->Entry(codes.size() - 1)->Severity(), 2);  // information
  EXPECT_EQ(qlmtest::ErrorText(OS_M_EXECUTE_RETURNED),
            "Execute returned \u201cFile Not Found:/nonexistent/x\u201d. ");
}

TEST_F(ExecuteCommandTest, PumpsStreamsBothWays) {
  // stdin from memory, stdout and stderr into memory; the input is larger than a pipe holds,
  // and cat ends only when its input is closed after the last byte. Through the positional
  // form, so that each stream lands in its own field.
  std::string input;
  for (int i = 0; input.size() < 300000; ++i) input += "line " + std::to_string(i) + "\n";
  MemoryStreamC source(input.data(), static_cast<int64_t>(input.size()));
  MemoryStreamC out;
  MemoryStreamC err;
  unsigned long code = 99;
  EXPECT_EQ(ExecuteCommand("/bin/sh -c 'cat; echo done >&2'", nullptr, &code, 0, 0, 0, &source,
                           &out, &err),
            EXECUTE_STARTED);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(Text(out) == input);
  EXPECT_EQ(Text(err), "done\n");
}

TEST_F(ExecuteCommandTest, ChildThatStopsReadingItsInputDoesNotEndTheParent) {
  // The child exits without reading; feeding it must end with EPIPE, not SIGPIPE.
  std::string input(1 << 20, 'x');
  MemoryStreamC source(input.data(), static_cast<int64_t>(input.size()));
  unsigned long code = 99;
  EXPECT_EQ(ExecuteCommand("/bin/sh -c 'exit 4'",
                           ExecuteOptionsS{.exit_code = &code, .stdin_source = &source}),
            EXECUTE_STARTED);
  EXPECT_EQ(code, 4u);
}

TEST_F(ExecuteCommandTest, VariableListEnvironmentComesFromTheProvider) {
  // The first call goes through the positional form: the list and the sink reach their fields.
  FakeEnvironment provider;
  provider.child_environment =
      Args({"=C:=hidden", "QLM_ONE=1", "QLM_TWO=two words", "PATH=/usr/bin:/bin"});
  ProviderScope scope(&provider);
  MemoryStreamC out;
  unsigned long code = 99;
  EXPECT_EQ(ExecuteCommand("env", SomeVariableList(), &code, 0, 0, 0, nullptr, &out, nullptr),
            EXECUTE_STARTED);
  EXPECT_EQ(provider.seen_variables, SomeVariableList());
  EXPECT_EQ(Lines(Text(out)),
            (std::vector<std::string>{"QLM_ONE=1", "QLM_TWO=two words", "PATH=/usr/bin:/bin"}));

  // A failing merge starts nothing.
  provider.make_result = 0xE000000C;
  EXPECT_EQ(
      ExecuteCommand("env", ExecuteOptionsS{.variables = SomeVariableList(), .exit_code = &code}),
      EXECUTE_OUT_OF_RESOURCES);
}

TEST_F(ExecuteCommandTest, WithoutProviderTheChildInheritsTheEnvironment) {
  qlmtest::ScopedEnvC env("QLM_INHERITED_FOR_TEST", "yes");
  MemoryStreamC out;
  unsigned long code = 99;
  EXPECT_EQ(
      ExecuteCommand("printenv QLM_INHERITED_FOR_TEST",
                     ExecuteOptionsS{
                         .variables = SomeVariableList(), .exit_code = &code, .stdout_sink = &out}),
      EXECUTE_STARTED);
  EXPECT_EQ(Text(out), "yes\n");
}

TEST_F(ExecuteCommandTest, LaunchBrowserKeepsTheUrlOneArgument) {
  FakeEnvironment provider;
  provider.browser = S("/usr/bin/touch");
  ProviderScope scope(&provider);
  const std::string url = Path("a b'c\"d");
  EXPECT_EQ(LaunchBrowser(S(url)), EXECUTE_STARTED);
  // Not waited for: look until the file appears.
  for (int i = 0; i < 500 && !PathExists(url); ++i) ::usleep(10000);
  EXPECT_TRUE(PathExists(url));
  ASSERT_NE(Find(OS_M_EXECUTE), nullptr);
  EXPECT_EQ(Find(OS_M_EXECUTE_EXIT_CODE), nullptr);
  ::waitpid(-1, nullptr, WNOHANG);  // the browser was not waited for
}

TEST(ExternalExecTest, SettingDecides) {
  FakeEnvironment provider;
  struct CaseS {
    const char* env;  // null: unset
    bool install;
    bool has_setting;
    const char* setting;
    bool expected;
  };
  const CaseS cases[] = {
      {"ok", false, false, "", true},     {"okay", true, true, "no", true},
      {"no", false, false, "", false},    {"OK", false, false, "", false},
      {nullptr, false, false, "", true},  {nullptr, true, false, "", false},
      {nullptr, true, true, "ok!", true}, {nullptr, true, true, "o", false},
  };
  qlmtest::ScopedEnvC env;
  for (const CaseS& c : cases) {
    env.Set("OUIEXTERNALEXEC", c.env);
    provider.has_setting = c.has_setting;
    provider.setting = S(c.setting);
    ProcessEnvironmentI::Set(c.install ? &provider : nullptr);
    EXPECT_EQ(IsExternalExecEnabled(), c.expected)
        << (c.env ? c.env : "(unset)") << " " << c.install << " " << c.setting;
  }
  ProcessEnvironmentI::Set(nullptr);
}

// --- ProcessC ----------------------------------------------------------------------------------

class ProcessTest : public TempDirTest {
 protected:
  void TearDown() override {
    os_ProcessTestFallbacks(false, false);
    TempDirTest::TearDown();
  }
};

TEST_F(ProcessTest, CodesWithoutAProcess) {
  ProcessC process;
  int32_t pid = 5;
  unsigned long code = 5;
  uint32_t code32 = 5;
  EXPECT_EQ(process.Start(), RC_INVALIDARG);
  EXPECT_EQ(process.GetPid(nullptr), RC_POINTER);
  EXPECT_EQ(process.GetPid(&pid), RC_FAIL);
  EXPECT_EQ(pid, 0);
  EXPECT_EQ(process.GetExitCode(nullptr), RC_POINTER);
  EXPECT_EQ(process.GetExitCode(&code), ProcessC::c_NoProcessId);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(process.GetExitCode32(&code32), ProcessC::c_NoProcessId);
  EXPECT_EQ(code32, 5u);
  // Never a signal to pid -1 (every process of the user).
  EXPECT_EQ(process.Terminate(), RC_FAIL);
  EXPECT_EQ(process.Suspend(), RC_FAIL);
  EXPECT_EQ(process.Wait(nullptr, nullptr, 0), RC_FAIL);
}

TEST_F(ProcessTest, ExitCodesAndSignals) {
  ProcessC process;
  process.SetArguments(Args({"/bin/sh", "-c", "exit 3"}));
  ASSERT_EQ(process.Start(), RC_OK);
  EXPECT_EQ(process.Start(), RC_UNEXPECTED);  // started once
  int32_t pid = 0;
  EXPECT_EQ(process.GetPid(&pid), RC_OK);
  EXPECT_GT(pid, 0);
  ASSERT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
  uint32_t code32 = 0;
  EXPECT_EQ(process.GetExitCode32(&code32), RC_OK);
  EXPECT_EQ(code32, 3u);
  // The number may belong to another process now.
  EXPECT_EQ(process.Terminate(), 0xE0000003);

  ProcessC killed;
  killed.SetArguments(Args({"/bin/sh", "-c", "kill -9 $$"}));
  ASSERT_EQ(killed.Start(), RC_OK);
  ASSERT_EQ(killed.Wait(nullptr, nullptr, 0), RC_OK);
  unsigned long code = 0;
  EXPECT_EQ(killed.GetExitCode(&code), ProcessC::c_EndedBySignal);
  EXPECT_EQ(code, 9u);
}

TEST_F(ProcessTest, ExecFailureIsReportedAndTheChildCollected) {
  ProcessC process;
  process.SetArguments(Args({"/nonexistent/program"}));
  EXPECT_EQ(process.Start(), 0xE0000002);
  EXPECT_NE(process.GetWaitStatus(), -1);  // no zombie left behind
  unsigned long code = 0;
  EXPECT_EQ(process.GetExitCode(&code), RC_OK);
  EXPECT_EQ(code, 1u);
}

TEST_F(ProcessTest, SuspendResumeTerminateAndStillRunning) {
  ProcessC process;
  process.SetArguments(Args({"sleep", "30"}));
  ASSERT_EQ(process.Start(), RC_OK);
  unsigned long code = 7;
  EXPECT_EQ(process.GetExitCode(&code), ProcessC::c_StillRunning);
  EXPECT_EQ(process.Suspend(), RC_OK);
  EXPECT_EQ(process.GetExitCode(&code), ProcessC::c_StillRunning);  // a stop is no end
  EXPECT_EQ(process.Resume(), RC_OK);
  EXPECT_EQ(process.Terminate(), RC_OK);
  ASSERT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
  EXPECT_EQ(process.GetExitCode(&code), ProcessC::c_EndedBySignal);
  EXPECT_EQ(code, static_cast<unsigned long>(SIGTERM));
}

TEST_F(ProcessTest, CallbackThatSaysStopTerminatesTheChild) {
  for (bool without_process_fd : {false, true}) {
    os_ProcessTestFallbacks(false, without_process_fd);
    ProcessC process;
    process.SetArguments(Args({"sleep", "30"}));
    ASSERT_EQ(process.Start(), RC_OK);
    int calls = 0;
    auto callback = [](ProcessC* p, void* context) -> bool {
      EXPECT_NE(p, nullptr);
      return ++*static_cast<int*>(context) < 3;
    };
    ASSERT_EQ(process.Wait(callback, &calls, 10), RC_OK);
    EXPECT_GE(calls, 3);
    unsigned long code = 0;
    EXPECT_EQ(process.GetExitCode(&code), ProcessC::c_EndedBySignal);
    EXPECT_EQ(code, static_cast<unsigned long>(SIGTERM));
  }
}

TEST_F(ProcessTest, WaitCollectsWithAndWithoutProcessDescriptor) {
  for (bool without_process_fd : {false, true}) {
    os_ProcessTestFallbacks(false, without_process_fd);
    ProcessC process;
    process.SetArguments(Args({"/bin/sh", "-c", "sleep 0.2; exit 6"}));
    ASSERT_EQ(process.Start(), RC_OK);
    ASSERT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
    unsigned long code = 0;
    EXPECT_EQ(process.GetExitCode(&code), RC_OK);
    EXPECT_EQ(code, 6u);
  }
}

TEST_F(ProcessTest, AttachPidWaitsForAChildStartedElsewhere) {
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(42);
  ProcessC process;
  process.AttachPid(child);
  ASSERT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
  unsigned long code = 0;
  EXPECT_EQ(process.GetExitCode(&code), RC_OK);
  EXPECT_EQ(code, 42u);
}

TEST_F(ProcessTest, EnvironmentReplacedOrMerged) {
  qlmtest::ScopedEnvC vars;
  vars.Set("QLM_KEEP_FOR_TEST", "kept");
  vars.Set("QLM_CHANGE_FOR_TEST", "old");
  {
    ProcessC process;
    process.SetArguments(Args({"/usr/bin/env"}));
    StringArrayC env = Args({"A=1", "B=two=2"});
    process.SetEnvironment(&env, 0);
    EXPECT_EQ(Lines(RunCollecting(process)), (std::vector<std::string>{"A=1", "B=two=2"}));
  }
  {
    ProcessC process;
    process.SetArguments(Args({"/usr/bin/env"}));
    StringArrayC env = Args(
        {"QLM_CHANGE_FOR_TEST=new", "QLM_ADDED_FOR_TEST=a=b", "=skipped", "QLM_EMPTY_FOR_TEST"});
    process.SetEnvironment(&env, 1);
    std::set<std::string> lines;
    for (const std::string& line : Lines(RunCollecting(process))) lines.insert(line);
    EXPECT_TRUE(lines.count("QLM_KEEP_FOR_TEST=kept"));
    EXPECT_TRUE(lines.count("QLM_CHANGE_FOR_TEST=new"));
    EXPECT_FALSE(lines.count("QLM_CHANGE_FOR_TEST=old"));
    EXPECT_TRUE(lines.count("QLM_ADDED_FOR_TEST=a=b"));
    EXPECT_TRUE(lines.count("QLM_EMPTY_FOR_TEST="));
    for (const std::string& line : lines) EXPECT_NE(line.rfind("=skipped", 0), 0u);
  }
}

TEST_F(ProcessTest, ProgramIsSearchedAlongTheChildsPath) {
  std::filesystem::create_directories(Path("bin"));
  WriteFile("bin/qlmprog", "#!/bin/sh\necho from-bin\n");
  ::chmod(Path("bin/qlmprog").c_str(), 0755);
  ProcessC process;
  process.SetArguments(Args({"qlmprog"}));
  StringArrayC env = Args({("PATH=/nonexistent:" + Path("bin")).c_str()});
  process.SetEnvironment(&env, 0);
  EXPECT_EQ(RunCollecting(process), "from-bin\n");

  // A script without an interpreter line is run by the shell, as execvp does.
  WriteFile("bin/plain", "echo plain-script\n");
  ::chmod(Path("bin/plain").c_str(), 0755);
  ProcessC plain;
  plain.SetArguments(Args({Path("bin/plain").c_str()}));
  EXPECT_EQ(RunCollecting(plain), "plain-script\n");
}

TEST_F(ProcessTest, WorkingDirectoryAndArgumentZero) {
  ProcessC process;
  process.SetArguments(Args({"/bin/sh", "-c", "pwd; tr '\\0' ' ' < /proc/$$/cmdline"}));
  process.SetArgumentZero(S("renamed-shell"));
  const FileNameC dir(dir_.c_str());
  process.SetWorkingDirectory(&dir);
  EXPECT_EQ(
      Lines(RunCollecting(process)),
      (std::vector<std::string>{dir_, "renamed-shell -c pwd; tr '\\0' ' ' < /proc/$$/cmdline "}));

  // A directory that cannot be entered fails the start instead of running elsewhere.
  ProcessC missing;
  missing.SetArguments(Args({"/bin/true"}));
  const FileNameC nowhere(Path("missing").c_str());
  missing.SetWorkingDirectory(&nowhere);
  EXPECT_EQ(missing.Start(), 0xE0000002);
}

TEST_F(ProcessTest, IgnoredSignalsReachTheChild) {
  ProcessC process;
  process.SetArguments(Args({"/bin/grep", "^SigIgn:", "/proc/self/status"}));
  process.SetIgnoredSignals((uint64_t{1} << (SIGUSR1 - 1)) | (uint64_t{1} << (SIGTERM - 1)));
  std::string line = RunCollecting(process);
  ASSERT_EQ(line.rfind("SigIgn:", 0), 0u) << line;
  const uint64_t mask = std::stoull(line.substr(7), nullptr, 16);
  EXPECT_NE(mask & (uint64_t{1} << (SIGUSR1 - 1)), 0u);
  EXPECT_NE(mask & (uint64_t{1} << (SIGTERM - 1)), 0u);
  EXPECT_EQ(mask & (uint64_t{1} << (SIGUSR2 - 1)), 0u);
}

TEST_F(ProcessTest, NoDescriptorLeaksIntoTheChild) {
  // Descriptors without close-on-exec, one of them far above 100.
  WriteFile("marker", "m");
  std::vector<int> opened;
  for (int i = 0; i < 3; ++i) opened.push_back(::open(Path("marker").c_str(), O_RDONLY));
  opened.push_back(::dup2(opened[0], 150));
  opened.push_back(::dup2(opened[0], 1500));
  int leak_pipe[2];
  ASSERT_EQ(::pipe(leak_pipe), 0);
  for (int fd : opened) ASSERT_GE(fd, 0);

  for (bool without_close_range : {false, true}) {
    os_ProcessTestFallbacks(without_close_range, false);
    ProcessC process;
    process.SetArguments(Args({"/bin/ls", "-l", "/proc/self/fd"}));
    const std::string listing = RunCollecting(process);
    std::vector<int> fds;
    for (const std::string& line : Lines(listing)) {
      size_t arrow = line.find(" -> ");
      if (arrow == std::string::npos) continue;
      size_t start = line.rfind(' ', arrow - 1) + 1;
      fds.push_back(std::stoi(line.substr(start, arrow - start)));
      EXPECT_EQ(line.find("marker"), std::string::npos) << line;
    }
    // 0, 1, 2 and the directory ls reads; nothing else.
    ASSERT_FALSE(fds.empty()) << listing;
    for (int fd : fds) EXPECT_LE(fd, 3) << listing;
  }
  for (int fd : opened) ::close(fd);
  ::close(leak_pipe[0]);
  ::close(leak_pipe[1]);
}

TEST_F(ProcessTest, RedirectToFiles) {
  WriteFile("in.txt", "from a file\n");
  ProcessC process;
  process.SetArguments(Args({"/bin/sh", "-c", "cat; echo to-stderr >&2"}));
  const FileNameC in = Name("in.txt");
  const FileNameC out = Name("out.txt");
  ASSERT_EQ(process.RedirectToFiles(&in, &out, process.StdErr().GetFileName()), RC_OK);
  ASSERT_EQ(process.Start(), RC_OK);
  ASSERT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
  EXPECT_EQ(ReadFile("out.txt"), "from a file\n");

  ProcessC failing;
  const FileNameC missing = Name("missing/in.txt");
  EXPECT_EQ(failing.RedirectToFiles(&missing, nullptr, nullptr), 0xE0000002);
  EXPECT_EQ(failing.StdIn().GetTarget(), 0);
}

TEST_F(ProcessTest, StandardHandlesGivenByDescriptor) {
  // The child's output goes to a descriptor of the caller's, which stays the caller's.
  int fd = ::open(Path("direct.txt").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  ProcessC process;
  process.SetArguments(Args({"/bin/sh", "-c", "echo direct"}));
  ASSERT_EQ(process.SetStdHandles(-1, fd, -1), RC_OK);
  EXPECT_EQ(process.StdOut().GetTarget(), fd);
  ASSERT_EQ(process.Start(), RC_OK);
  ASSERT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
  EXPECT_EQ(::fcntl(fd, F_GETFD), FD_CLOEXEC);  // not closed by the process object
  ::close(fd);
  EXPECT_EQ(ReadFile("direct.txt"), "direct\n");
}

TEST_F(ProcessTest, SwitchesIdentityAndDropsGroups) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  ProcessC process;
  process.SetArguments(Args({"/bin/sh", "-c", "id -u; id -g; id -G"}));
  process.SetUserAndGroup(65534, 65534);
  EXPECT_EQ(Lines(RunCollecting(process)), (std::vector<std::string>{"65534", "65534", "65534"}));
}

TEST_F(ProcessTest, AttachStreamNeedsAStream) {
  ProcessC process;
  EXPECT_EQ(process.StdIn().AttachStream(nullptr), RC_INVALIDARG);
  EXPECT_EQ(process.StdOut().AttachStream(nullptr), RC_INVALIDARG);
  MemoryStreamC sink;
  ASSERT_EQ(process.StdErr().AttachStream(&sink), RC_OK);
  EXPECT_GE(process.StdErr().GetParentFd(), 0);
  EXPECT_NE(process.StdErr().GetTarget(), 2);
  ASSERT_EQ(process.StdErr().SetTarget(-1), RC_OK);  // back to inheriting; the pipe is gone
  EXPECT_EQ(process.StdErr().GetParentFd(), -1);
  EXPECT_EQ(process.StdErr().GetTarget(), 2);
}

// --- Descriptor streams ------------------------------------------------------------------------

TEST_F(ProcessTest, PipeStreams) {
  CommPipeC pipe(false, true);
  ASSERT_EQ(pipe.GetResult(), RC_OK);
  EXPECT_EQ(::fcntl(pipe.GetReadFd(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  EXPECT_EQ(::fcntl(pipe.GetWriteFd(), F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_EQ(static_cast<OutputStreamC&>(pipe).Write("abc", 3), RC_OK);
  EXPECT_EQ(static_cast<OutputStreamC&>(pipe).Flush(), RC_OK);  // a pipe cannot be synced
  EXPECT_EQ(pipe.CloseWrite(), RC_OK);
  char buffer[8];
  EXPECT_EQ(static_cast<InputStreamC&>(pipe).Read(buffer, sizeof buffer), 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(static_cast<InputStreamC&>(pipe).Read(buffer, sizeof buffer), 0);

  getErrBuf()->Clear();
  EXPECT_EQ(static_cast<OutputStreamC&>(pipe).Write("x", 1), OS_E_STREAM_NO_WRITE);
  EXPECT_EQ(static_cast<OutputStreamC&>(pipe).SetLength(0), OS_E_STREAM_NO_RESIZE);
  EXPECT_EQ(pipe.CloseRead(), RC_OK);
  EXPECT_EQ(static_cast<InputStreamC&>(pipe).Read(buffer, 1), -1);
  EXPECT_EQ(static_cast<InputStreamC&>(pipe).GetLength(), -1);
  EXPECT_EQ(ErrorCodes(), (std::vector<uint32_t>{OS_E_STREAM_NO_WRITE, OS_E_STREAM_NO_RESIZE,
                                                 OS_E_STREAM_NO_READ, OS_E_STREAM_LENGTH}));
}

TEST_F(ProcessTest, WriteToAPipeWithoutReaderFailsWithoutSignal) {
  CommPipeC pipe(false, false);
  ASSERT_EQ(pipe.CloseRead(), RC_OK);
  getErrBuf()->Clear();
  EXPECT_EQ(static_cast<OutputStreamC&>(pipe).Write("x", 1), 0xE0000020);  // EPIPE
  sigset_t pending;
  ASSERT_EQ(::sigpending(&pending), 0);
  EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

TEST_F(ProcessTest, FileDescriptorStreamsOverAFile) {
  int fd = ::open(Path("f").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  {
    FDOutputStreamC out(fd, false);
    EXPECT_EQ(out.Write("hello", 5), RC_OK);
    EXPECT_EQ(out.Flush(), RC_OK);
    EXPECT_EQ(out.SetLength(3), RC_OK);
  }
  FDInputStreamC in(fd, true);
  EXPECT_EQ(in.GetLength(), 3);
  ASSERT_EQ(::lseek(fd, 0, SEEK_SET), 0);
  char buffer[8];
  EXPECT_EQ(in.Read(buffer, sizeof buffer), 3);
  EXPECT_EQ(std::string(buffer, 3), "hel");
  EXPECT_EQ(in.Close(), RC_OK);
  EXPECT_EQ(in.GetDescriptor(), -1);
  EXPECT_EQ(in.Close(), RC_OK);
}

namespace {

// True while `pid` runs (a zombie has ended).
bool Running(pid_t pid) {
  if (::kill(pid, 0) != 0) return false;
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// The process ids a script wrote, one a line, once `count` are there (up to 20 s).
std::vector<pid_t> PidsIn(const std::string& path, size_t count) {
  std::vector<pid_t> pids;
  for (int i = 0; i < 2000; ++i) {
    pids.clear();
    std::ifstream in(path);
    long pid = 0;
    while (in >> pid) pids.push_back(static_cast<pid_t>(pid));
    if (pids.size() >= count) break;
    ::usleep(10000);
  }
  return pids;
}

}  // namespace

// Without a child there is nothing that could ever close the child's ends of attached pipes:
// Wait answers at once. Run in a child process under an alarm so that a hang is a failure.
TEST_F(ProcessTest, WaitWithAttachedStreamsButNoChildReturnsAtOnce) {
  EXPECT_EXIT(
      {
        ::alarm(20);
        MemoryStreamC out;
        MemoryStreamC in;
        ProcessC never_started;
        if (never_started.StdOut().AttachStream(&out) != RC_OK) ::_exit(2);
        const RcT idle = never_started.Wait(nullptr, nullptr, 0);
        ProcessC failed;  // no arguments: the start fails before any fork
        if (failed.StdIn().AttachStream(&in) != RC_OK) ::_exit(2);
        if (failed.StdErr().AttachStream(&out) != RC_OK) ::_exit(2);
        if (failed.Start() != RC_INVALIDARG) ::_exit(3);
        const RcT after_failure = failed.Wait(nullptr, nullptr, 10);
        ::_exit(idle == RC_FAIL && after_failure == RC_FAIL ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(ProcessTest, RedirectionNeverFollowsALinkAtTheName) {
  WriteFile("victim", "keep");
  ASSERT_EQ(::symlink(Path("victim").c_str(), Path("link").c_str()), 0);
  const FileNameC link = Name("link");
  ProcessC process;
  EXPECT_EQ(process.StdOut().RedirectToFile(&link), os_RcFromErrno(ELOOP));
  EXPECT_EQ(process.StdErr().RedirectToFile(&link), os_RcFromErrno(ELOOP));
  EXPECT_EQ(process.StdIn().RedirectToFile(&link), os_RcFromErrno(ELOOP));
  EXPECT_EQ(ReadFile("victim"), "keep");  // not truncated
  // A plain name still works.
  const FileNameC plain = Name("out");
  ASSERT_EQ(process.StdOut().RedirectToFile(&plain), RC_OK);
  process.SetArguments(Args({"/bin/sh", "-c", "echo written"}));
  ASSERT_EQ(process.Start(), RC_OK);
  ASSERT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
  EXPECT_EQ(ReadFile("out"), "written\n");
}

TEST_F(ExecuteCommandTest, ChildNotWaitedForIsNeverLeftAsAZombie) {
  const std::string line = "/bin/sh -c 'echo $$ > " + Path("pid") + "'";
  EXPECT_EQ(ExecuteCommand(line.c_str(), ExecuteOptionsS{}), EXECUTE_STARTED);
  const std::vector<pid_t> pids = PidsIn(Path("pid"), 1);
  ASSERT_EQ(pids.size(), 1u);
  // The command is not a child of this process: the system collects it, not us.
  int status = 0;
  EXPECT_EQ(::waitpid(pids[0], &status, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

// The group's end: SIGTERM to every member, SIGKILL after the grace for those that ignore it,
// the child collected only once no member runs.
TEST_F(ProcessTest, TerminateGroupEndsTheChildAndEverythingItStarted) {
  struct {
    const char* name;
    const char* script;  // writes the pid of every process it makes to $PIDS
    size_t processes;
    bool needs_kill;
  } cases[] = {
      {"ObeysTerm", "echo $$ >> \"$PIDS\"; while :; do sleep 1; done", 1, false},
      {"IgnoresTerm", "trap '' TERM; echo $$ >> \"$PIDS\"; while :; do sleep 1; done", 1, true},
      {"GrandchildIgnoresTerm",
       "sh -c 'trap \"\" TERM; echo $$ >> \"$PIDS\"; while :; do sleep 1; done' & "
       "echo $$ >> \"$PIDS\"; while :; do sleep 1; done",
       2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string pids_path = Path(std::string(c.name) + ".pids");
    ProcessC process;
    process.SetOwnProcessGroup(true);
    process.SetArguments(Args({"/bin/sh", "-c", c.script}));
    StringArrayC environment;
    environment.Append(S("PIDS=" + pids_path));
    process.SetEnvironment(&environment, 1);
    ASSERT_EQ(process.Start(), RC_OK);
    int32_t pid = 0;
    ASSERT_EQ(process.GetPid(&pid), RC_OK);
    EXPECT_EQ(::getpgid(pid), pid);  // a group of its own
    const std::vector<pid_t> pids = PidsIn(pids_path, c.processes);
    ASSERT_EQ(pids.size(), c.processes);

    bool killed = false;
    EXPECT_EQ(process.TerminateGroup(c.needs_kill ? 200 : 20000, &killed), RC_OK);
    EXPECT_EQ(killed, c.needs_kill);
    for (pid_t member : pids) EXPECT_FALSE(Running(member)) << member;
    unsigned long code = 0;
    EXPECT_EQ(process.GetExitCode(&code), ProcessC::c_EndedBySignal);
    EXPECT_EQ(code,
              static_cast<unsigned long>(c.needs_kill && c.processes == 1 ? SIGKILL : SIGTERM));
    EXPECT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
  }
}

TEST_F(ProcessTest, TerminateGroupNeedsAGroupOfItsOwn) {
  bool killed = true;
  ProcessC none;
  EXPECT_EQ(none.TerminateGroup(0, &killed), RC_FAIL);
  EXPECT_FALSE(killed);
  ProcessC shared;  // in this process's group: never signal that
  shared.SetArguments(Args({"sleep", "30"}));
  ASSERT_EQ(shared.Start(), RC_OK);
  EXPECT_EQ(shared.TerminateGroup(0, &killed), RC_UNEXPECTED);
  EXPECT_EQ(shared.Terminate(), RC_OK);
  EXPECT_EQ(shared.Wait(nullptr, nullptr, 0), RC_OK);
}

// A wait callback may end the group; the wait then returns with the collected status.
TEST_F(ProcessTest, WaitCallbackMayEndTheGroup) {
  ProcessC process;
  process.SetOwnProcessGroup(true);
  // The shell creates `ready` once it ignores TERM; the group is ended only after that, so the
  // TERM cannot end the shell before its trap is in place and only SIGKILL can end it.
  const std::string ready = Path("ready");
  process.SetArguments(Args({"/bin/sh", "-c", "trap '' TERM; : > \"$1\"; while :; do sleep 1; done",
                             "sh", ready.c_str()}));
  ASSERT_EQ(process.Start(), RC_OK);
  for (int i = 0; i < 2000 && !PathExists(ready); ++i) ::usleep(10000);  // up to 20 s
  if (!PathExists(ready)) {
    bool killed = false;
    EXPECT_EQ(process.TerminateGroup(0, &killed), RC_OK);
    EXPECT_EQ(process.Wait(nullptr, nullptr, 0), RC_OK);
    FAIL() << "the shell did not get ready";
  }
  int calls = 0;
  auto callback = [](ProcessC* p, void* context) -> bool {
    if (++*static_cast<int*>(context) == 2) {
      bool killed = false;
      EXPECT_EQ(p->TerminateGroup(50, &killed), RC_OK);
      EXPECT_TRUE(killed);
    }
    return true;
  };
  ASSERT_EQ(process.Wait(callback, &calls, 10), RC_OK);
  EXPECT_EQ(calls, 2);
  unsigned long code = 0;
  EXPECT_EQ(process.GetExitCode(&code), ProcessC::c_EndedBySignal);
  EXPECT_EQ(code, static_cast<unsigned long>(SIGKILL));
}
