// Running the built qlmpolicy in a throwaway world: configuration file, data, installation and
// home directories of its own, and a fake installation agent first on PATH that records the
// argument vector of every call.
#ifndef QLM_E2E_E2ESUPPORT_H_
#define QLM_E2E_E2ESUPPORT_H_

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/LogLineChecker.h"
#include "tests/testing/FileUtil.h"
#include "tests/testing/TempDirC.h"

namespace e2e {

namespace fs = std::filesystem;

using qlmtest::ReadFile;
using qlmtest::WriteFile;

// A child process started with an exact environment. Its standard output and error go to
// files of the world.
class ChildC {
 public:
  ChildC() = default;
  ChildC(const ChildC&) = delete;
  ChildC& operator=(const ChildC&) = delete;
  ChildC(ChildC&& other) noexcept : pid_(other.pid_), group_(other.group_) {
    other.pid_ = -1;
    other.group_ = -1;
  }
  // Kills what is left of the child's process group (an agent may outlive a killed program)
  // and collects the child when it was not waited for.
  ~ChildC() {
    if (group_ > 0) ::kill(-group_, SIGKILL);
    if (pid_ > 0) {
      int status = 0;
      ::waitpid(pid_, &status, 0);
    }
  }

  void Start(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
             const fs::path& out, const fs::path& err) {
    std::vector<std::string> envText;
    for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
    std::vector<char*> args, envp;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const std::string& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_ = ::fork();
    ASSERT_GE(pid_, 0);
    group_ = pid_;
    if (pid_ == 0) {
      ::setpgid(0, 0);
      int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (o >= 0) ::dup2(o, 1);
      if (e >= 0) ::dup2(e, 2);
      if (o > 2) ::close(o);
      if (e > 2) ::close(e);
      ::execve(args[0], args.data(), envp.data());
      ::_exit(127);
    }
  }

  // The exit status, or 128 + the signal's number.
  int Wait() {
    int status = 0;
    if (pid_ <= 0) return -1;
    pid_t done;
    while ((done = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (done < 0) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
  }
  pid_t Pid() const { return pid_; }
  // The child's pid, also after Wait().
  pid_t Started() const { return group_; }

 private:
  pid_t pid_ = -1;
  pid_t group_ = -1;  // the child's process group (its own pid)
};

// One throwaway world per test.
class PolicyWorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tmp_.emplace();
    ASSERT_TRUE(tmp_->Ok());
    root_ = tmp_->Path();
    fs::create_directories(root_ / "data");
    fs::create_directories(root_ / "install");
    fs::create_directories(root_ / "home");
    fs::create_directories(root_ / "bin");
    fs::create_directories(root_ / "calls");
    fs::create_directories(root_ / "out");
    WriteFile(ConfigIni(), "");
    fs::copy_file(fs::path(QLM_SOURCE_DIR) / "e2e/fake/rklaunch", root_ / "bin/rklaunch");
    fs::permissions(root_ / "bin/rklaunch", fs::perms::owner_all | fs::perms::group_read |
                                                fs::perms::group_exec | fs::perms::others_read |
                                                fs::perms::others_exec);
    env_ = {
        {"PATH", (root_ / "bin").string() + ":/usr/bin:/bin"},
        {"HOME", (root_ / "home").string()},
        {"QUILLMARSHCONFIGINI", ConfigIni().string()},
        {"QUILLMARSHDATADIR", (root_ / "data").string()},
        {"QUILLMARSHINSTALLDIR", (root_ / "install").string()},
        {"FAKE_RKLAUNCH_DIR", (root_ / "calls").string()},
        {"TZ", "UTC"},
        {"LANG", "C.UTF-8"},
    };
  }
  void TearDown() override {
    // Every log a test's runs wrote holds only well-formed lines.
    for (const fs::path& log : {LogFile(), fs::path(root_ / "data/log/quillmarsh.old"),
                                fs::path(root_ / "home/.quillmarsh/log/quillmarsh.log")}) {
      if (!check_log_lines_ || fs::is_symlink(log) || !fs::is_regular_file(log)) continue;
      for (const std::string& problem : LogLineProblems(ReadFile(log))) {
        ADD_FAILURE() << log.string() << ": " << problem;
      }
    }
    tmp_.reset();
  }

  // The per-user lock directory root makes below the data directory for a user without a usable
  // home in the password database (as `nobody` is).
  void MakeUserLockDirectory(uid_t uid, gid_t gid) {
    const fs::path dir = root_ / "data/run/users" / std::to_string(uid);
    fs::create_directories(dir);
    ASSERT_EQ(::chown(dir.c_str(), uid, gid), 0);
    fs::permissions(dir, fs::perms::owner_all);
  }

  // Readies the world for runs as the ordinary user `nobody` (through setpriv): the world is
  // root's and not writable by others, the home is the user's, root made the user's lock
  // directory, and the machine file names the directories (a user cannot write it). Skips the
  // test where that is impossible: callers check IsSkipped() afterwards.
  void PrepareUserWorld() {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to switch to an ordinary user";
    struct passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr || !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "no nobody/setpriv";
    uid_ = nobody->pw_uid;
    gid_ = nobody->pw_gid;
    fs::permissions(root_, fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
    ASSERT_EQ(::chown((root_ / "home").c_str(), uid_, gid_), 0);
    MakeUserLockDirectory(uid_, gid_);
    fs::permissions(root_ / "calls", fs::perms::all);
    WriteFile(ConfigIni(), "[Quillmarsh]\nInstallDir=" + (root_ / "install").string() +
                               "\nCommonAppDataFolder=" + (root_ / "data").string() + "\n");
  }
  // Runs qlmpolicy with `args` as the user PrepareUserWorld() chose; its exit status.
  int RunAsUser(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_),
                                     "--regid=" + std::to_string(gid_), "--clear-groups",
                                     Program()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildC child;
    child.Start(argv, env_, root_ / "out/stdout", root_ / "out/stderr");
    return child.Wait();
  }
  fs::path UserLockDir() const { return root_ / "data/run/users" / std::to_string(uid_); }
  uid_t uid_ = 0;
  gid_t gid_ = 0;

  // False in tests that plant files of their own at the log's paths.
  bool check_log_lines_ = true;

  fs::path ConfigIni() const { return root_ / "etc/quillmarsh.ini"; }
  fs::path LogFile() const { return root_ / "data/log/quillmarsh.log"; }
  static std::string Program() { return std::string(QLM_BINARY_DIR) + "/policy/qlmpolicy"; }

  // Starts qlmpolicy with `args` (argv[0] is added).
  void Start(ChildC* child, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {Program()};
    argv.insert(argv.end(), args.begin(), args.end());
    child->Start(argv, env_, root_ / "out/stdout", root_ / "out/stderr");
  }
  // Runs qlmpolicy with `args` and returns its exit status.
  int Run(const std::vector<std::string>& args) {
    ChildC child;
    Start(&child, args);
    return child.Wait();
  }

  // The texts of the log's lines, without the time, component and process-id prefix.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    std::istringstream lines(ReadFile(LogFile()));
    std::string line;
    while (std::getline(lines, line)) {
      size_t at = line.find("] ");
      std::string text = at == std::string::npos ? line : line.substr(at + 2);
      if (!text.empty() && text[0] == '{') {
        size_t close = text.find("} ");
        if (close != std::string::npos) text = text.substr(close + 2);
      }
      texts.push_back(text);
    }
    return texts;
  }
  bool LogHas(const std::string& text) const {
    for (const std::string& t : LogTexts()) {
      if (t == text) return true;
    }
    return false;
  }

  // The argument vectors of the agent's calls, in call order.
  std::vector<std::vector<std::string>> Calls() const {
    std::vector<std::vector<std::string>> calls;
    for (int n = 1;; ++n) {
      fs::path file = root_ / "calls" / ("call." + std::to_string(n));
      if (!fs::exists(file)) break;
      std::string bytes = ReadFile(file);
      std::vector<std::string> argv;
      size_t start = 0;
      for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0') {
          argv.push_back(bytes.substr(start, i - start));
          start = i + 1;
        }
      }
      calls.push_back(argv);
    }
    return calls;
  }

  std::optional<qlmtest::TempDirC> tmp_;
  fs::path root_;  // tmp_'s directory
  std::map<std::string, std::string> env_;
};

}  // namespace e2e

#endif  // QLM_E2E_E2ESUPPORT_H_
