// qlmpolicy in a hostile world: for each path a run uses, another user has planted something
// there (a file of its own, a file others may write, a link to a victim, a hard link, a FIFO).
// Every case, run as root and as the ordinary user "nobody", must end, leave the victim as it
// was, use nothing of what was planted, and say why it refused.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "e2e/E2eSupport.h"

namespace e2e {
namespace {

using Argv = std::vector<std::string>;

constexpr uid_t kStranger = 4242;  // the hostile user: no account, owns what it planted
constexpr const char* kPlantedMarker = "planted-marker";

enum class Plant {
  kForeignOwned,   // a file (directory) of the hostile user
  kGroupWritable,  // the runner's (root's, for directories) but writable by the group
  kWorldWritable,  // the same, writable by everybody
  kLinkToVictim,   // the hostile user's symbolic link to a file of the runner
  kLinkToDir,      // the hostile user's symbolic link to a directory of the runner
  kHardLink,       // a second name of a file of the runner
  kFifo,           // a FIFO
};

const char* PlantName(Plant plant) {
  switch (plant) {
    case Plant::kForeignOwned:
      return "ForeignOwned";
    case Plant::kGroupWritable:
      return "GroupWritable";
    case Plant::kWorldWritable:
      return "WorldWritable";
    case Plant::kLinkToVictim:
      return "LinkToVictim";
    case Plant::kLinkToDir:
      return "LinkToDir";
    case Plant::kHardLink:
      return "HardLink";
    case Plant::kFifo:
      return "Fifo";
  }
  return "?";
}

// What the refusal's message says for each plant.
std::vector<std::string> Reasons(Plant plant) {
  switch (plant) {
    case Plant::kForeignOwned:
      return {"owned by user 4242"};
    case Plant::kGroupWritable:
      return {"(mode 0664)", "(mode 0775)"};
    case Plant::kWorldWritable:
      return {"(mode 0666)", "(mode 0777)"};
    case Plant::kLinkToVictim:
    case Plant::kLinkToDir:
      return {"symbolic link"};
    case Plant::kHardLink:
      return {"hard links"};
    case Plant::kFifo:
      return {"a FIFO"};
  }
  return {};
}

enum class Target {
  kMachineStore,  // the machine's store file (QUILLMARSHCONFIGINI)
  kDataDir,       // the data directory
  kDataEtcDir,    // <data>/etc
  kDataIni,       // <data>/etc/config.ini
  kLogDir,        // <data>/log
  kLogFile,       // <data>/log/quillmarsh.log
  kLogOld,        // <data>/log/quillmarsh.old
  kRunDir,        // <data>/run
  kLockFile,      // the single-instance lock file
  kUserStore,     // ~/.config/quillmarsh/user.ini
  kPrefsFile,     // ~/.qlmpolicyrc
  kLogModule,     // the library LogModules names
  kCatalog,       // <InstallDir>/lib/allcat.en.cat
  kTraceFile,     // QLMTRACEFILE
};

struct TargetInfo {
  const char* name;
  bool directory;
  bool written;  // the run writes it (a hard link there must be refused)
};

TargetInfo Info(Target target) {
  switch (target) {
    case Target::kMachineStore:
      return {"MachineStore", false, false};
    case Target::kDataDir:
      return {"DataDir", true, false};
    case Target::kDataEtcDir:
      return {"DataEtcDir", true, false};
    case Target::kDataIni:
      return {"DataIni", false, false};
    case Target::kLogDir:
      return {"LogDir", true, true};
    case Target::kLogFile:
      return {"LogFile", false, true};
    case Target::kLogOld:
      return {"LogOld", false, true};
    case Target::kRunDir:
      return {"RunDir", true, true};
    case Target::kLockFile:
      return {"LockFile", false, true};
    case Target::kUserStore:
      return {"UserStore", false, false};
    case Target::kPrefsFile:
      return {"PrefsFile", false, false};
    case Target::kLogModule:
      return {"LogModule", false, false};
    case Target::kCatalog:
      return {"Catalog", false, false};
    case Target::kTraceFile:
      return {"TraceFile", false, true};
  }
  return {"?", false, false};
}

struct HostileCase {
  Target target;
  Plant plant;
  bool as_user;  // run as nobody instead of root
};

// Cases whose fix belongs to another change that is not merged here yet: the whole case
// (it hangs or touches the victim without that fix) ...
const char* WaitsForWhole(const HostileCase& c) {
  (void)c;
  return nullptr;
}

// ... or only the report of the refusal (everything else already holds).
const char* WaitsForReport(const HostileCase& c) {
  switch (c.target) {
    case Target::kLogOld:
      // Nothing is refused: moving the log aside renames over the planted name in the run's
      // own directory, which replaces it and never reads or writes through it.
      return "no refusal to report: the move replaces the planted name";
    default:
      return nullptr;
  }
}

std::string CaseName(const ::testing::TestParamInfo<HostileCase>& info) {
  return std::string(info.param.as_user ? "User_" : "Root_") + Info(info.param.target).name + "_" +
         PlantName(info.param.plant);
}

class HostileWorldTest : public PolicyWorldTest, public ::testing::WithParamInterface<HostileCase> {
 protected:
  void SetUp() override {
    PolicyWorldTest::SetUp();
    // A planted log is someone else's file: its lines are not the run's.
    check_log_lines_ =
        GetParam().target != Target::kLogFile && GetParam().target != Target::kLogOld;
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant other users' files";
    struct passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr || !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "no nobody/setpriv";
    nobody_uid_ = nobody->pw_uid;
    nobody_gid_ = nobody->pw_gid;
    // The world: root's, readable by everybody; the home is the runner's.
    fs::permissions(root_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(root_ / "calls", fs::perms::all);
    fs::create_directories(root_ / "install/lib");
    fs::create_directories(root_ / "data/etc");
    fs::create_directories(root_ / "data/run");
    fs::create_directories(root_ / "data/log");
    fs::create_directories(root_ / "mods");
    fs::create_directories(root_ / "victim/dir");
    WriteFile(root_ / "victim/file", "victim-bytes");
    WriteFile(root_ / "victim/dir/inside", "inside-bytes");
    env_.erase("XDG_RUNTIME_DIR");
    env_["FAKE_MODULE_MARKER"] = (root_ / "calls/module-loaded").string();
    env_.erase("QUILLMARSHCONFIGINI");
    env_["QUILLMARSHINI"] = ConfigIni().string();
  }

  uid_t Runner() const { return GetParam().as_user ? nobody_uid_ : 0; }
  gid_t RunnerGroup() const { return GetParam().as_user ? nobody_gid_ : 0; }

  // The machine's file: trusted directories, the library of LogModules at `module` (empty:
  // none) and `more` lines of the policy client's key.
  void WriteMachineFile(const std::string& module, const std::string& more = "") {
    std::string text = "[Quillmarsh]\nInstallDir=" + (root_ / "install").string() +
                       "\nCommonAppDataFolder=" + (root_ / "data").string() + "\n" +
                       "[Quillmarsh\\Policy Client\\CurrentVersion]\n" + more;
    if (!module.empty()) text += "LogModules=default;" + module + "\n";
    WriteFile(ConfigIni(), text);
  }

  // Store text that, when used, puts the marker into the agent's address and loads the marker
  // module from a trusted place.
  std::string PlantedStore(const std::string& prefix) const {
    return "[" + prefix + "Quillmarsh\\Common]\nDownloadRootURL=http://" + kPlantedMarker + "\n[" +
           prefix + "Quillmarsh\\Policy Client\\CurrentVersion]\nLogModules=default;" +
           (root_ / "mods/trusted.so").string() + "\n";
  }

  fs::path PathOf(Target target) const {
    switch (target) {
      case Target::kMachineStore:
        return ConfigIni();
      case Target::kDataDir:
        return root_ / "data";
      case Target::kDataEtcDir:
        return root_ / "data/etc";
      case Target::kDataIni:
        return root_ / "data/etc/config.ini";
      case Target::kLogDir:
        return root_ / "data/log";
      case Target::kLogFile:
        return root_ / "data/log/quillmarsh.log";
      case Target::kLogOld:
        return root_ / "data/log/quillmarsh.old";
      case Target::kRunDir:
        return root_ / "data/run";
      case Target::kLockFile:
        return lock_file_;
      case Target::kUserStore:
        return root_ / "home/.config/quillmarsh/user.ini";
      case Target::kPrefsFile:
        return root_ / "home/.qlmpolicyrc";
      case Target::kLogModule:
        return root_ / "mods/planted.so";
      case Target::kCatalog:
        return root_ / "install/lib/allcat.en.cat";
      case Target::kTraceFile:
        return root_ / "trace/trace.txt";
    }
    return root_;
  }

  // What a hostile file holds at `target`.
  std::string PlantedContent(Target target) const {
    switch (target) {
      case Target::kMachineStore:
        return PlantedStore("");
      case Target::kDataIni:
        return PlantedStore("");
      case Target::kUserStore:
        return PlantedStore("Software\\Quillmarsh Corp\\");
      case Target::kPrefsFile:
        return "[Environment]\nRKTRACE=G0-9\nQLMTRACEFILE=" +
               (root_ / "calls/planted-trace").string() + "\n";
      case Target::kLogModule:
        return ReadFile(QLM_MARKER_MODULE);
      default:
        return std::string(kPlantedMarker) + "\n";
    }
  }

  // Finds the single-instance lock file's name: a run held in its agent shows it.
  void LearnLockFile() {
    const fs::path release = root_ / "calls/release";
    env_["FAKE_RKLAUNCH_WAIT"] = release.string();
    ChildC held;
    StartAs(&held, {});
    for (int i = 0; i < 400 && lock_file_.empty(); ++i) {
      const fs::path dir = GetParam().as_user ? UserLockDir() : root_ / "data/run";
      std::error_code ignored;
      for (const auto& entry : fs::directory_iterator(dir, ignored)) {
        if (entry.path().extension() == ".lock") lock_file_ = entry.path();
      }
      if (lock_file_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    WriteFile(release, "");
    EXPECT_EQ(held.Wait(), 0);
    env_.erase("FAKE_RKLAUNCH_WAIT");
    fs::remove(release);
    fs::remove_all(root_ / "calls");
    fs::create_directories(root_ / "calls");
    fs::permissions(root_ / "calls", fs::perms::all);
    ASSERT_FALSE(lock_file_.empty()) << "no lock file seen";
  }
  // The ordinary user's lock directory: root made one for the account (its home in the
  // password database is not usable).
  fs::path UserLockDir() const { return root_ / "data/run/users" / std::to_string(nobody_uid_); }

  void Own(const fs::path& path, uid_t uid, gid_t gid) {
    ASSERT_EQ(::lchown(path.c_str(), uid, gid), 0) << path;
  }

  void PlantAt(const fs::path& path, Plant plant, bool directory, const std::string& content) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
    fs::create_directories(path.parent_path());
    auto make = [&](mode_t mode, uid_t uid, gid_t gid) {
      if (directory) {
        fs::create_directories(path);
        // Whatever was below the real directory is planted below this one.
        WriteFile(path / "etc/config.ini", PlantedStore(""));
        WriteFile(path / "config.ini", PlantedStore(""));
      } else {
        WriteFile(path, content);
      }
      ASSERT_EQ(::chmod(path.c_str(), mode), 0);
      Own(path, uid, gid);
    };
    switch (plant) {
      case Plant::kForeignOwned:
        make(directory ? 0755 : 0644, kStranger, kStranger);
        break;
      case Plant::kGroupWritable:
        make(directory ? 0775 : 0664, directory ? 0 : Runner(), directory ? 0 : RunnerGroup());
        break;
      case Plant::kWorldWritable:
        make(directory ? 0777 : 0666, directory ? 0 : Runner(), directory ? 0 : RunnerGroup());
        break;
      case Plant::kLinkToVictim:
        ASSERT_EQ(::symlink((root_ / "victim/file").c_str(), path.c_str()), 0);
        Own(path, kStranger, kStranger);
        break;
      case Plant::kLinkToDir:
        ASSERT_EQ(::symlink((root_ / "victim/dir").c_str(), path.c_str()), 0);
        Own(path, kStranger, kStranger);
        break;
      case Plant::kHardLink:
        ASSERT_EQ(::link((root_ / "victim/file").c_str(), path.c_str()), 0);
        break;
      case Plant::kFifo:
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        Own(path, Runner(), RunnerGroup());
        break;
    }
  }

  void StartAs(ChildC* child, const Argv& args) {
    Argv argv;
    if (GetParam().as_user) {
      argv = {"/usr/bin/setpriv", "--reuid=" + std::to_string(nobody_uid_),
              "--regid=" + std::to_string(nobody_gid_), "--clear-groups"};
    }
    argv.push_back(Program());
    argv.insert(argv.end(), args.begin(), args.end());
    child->Start(argv, env_, root_ / "out/stdout", root_ / "out/stderr");
  }

  // Runs to the end, or kills the run after 60 s and says so (a hang is a failure).
  int RunBounded(const Argv& args, bool* ended) {
    ChildC child;
    StartAs(&child, args);
    for (int i = 0; i < 1200; ++i) {
      int status = 0;
      const pid_t done = ::waitpid(child.Pid(), &status, WNOHANG);
      if (done == child.Pid()) {
        *ended = true;
        // Collected here: the child object must not wait again.
        ChildC gone = std::move(child);
        (void)gone;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    *ended = false;
    ::kill(-child.Started(), SIGKILL);
    return child.Wait();
  }

  // Everything the run said: standard output and error, the log, and any log of the user's.
  std::string Said() const {
    std::string text = ReadFile(root_ / "out/stdout") + ReadFile(root_ / "out/stderr");
    std::error_code ignored;
    for (const fs::path& dir : {root_ / "data/log", root_ / "home/.quillmarsh/log"}) {
      for (const auto& entry : fs::recursive_directory_iterator(dir, ignored)) {
        if (entry.is_regular_file(ignored) && !entry.is_symlink(ignored)) {
          text += ReadFile(entry.path());
        }
      }
    }
    return text;
  }

  uid_t nobody_uid_ = 0;
  gid_t nobody_gid_ = 0;
  fs::path lock_file_;
};

struct StatS {
  std::string bytes;
  uid_t uid;
  mode_t mode;
  nlink_t links;
};

StatS Snapshot(const fs::path& path) {
  struct stat st {};
  (void)::lstat(path.c_str(), &st);
  return {ReadFile(path), st.st_uid, st.st_mode, st.st_nlink};
}

TEST_P(HostileWorldTest, RefusesWhatWasPlanted) {
  const HostileCase& c = GetParam();
  const TargetInfo info = Info(c.target);
  if (const char* other = WaitsForWhole(c)) GTEST_SKIP() << "waits for " << other;
  if (c.target == Target::kMachineStore) {
    // The file named by QUILLMARSHCONFIGINI, with the directories given beside it: a refused
    // file then leaves the run in this world instead of the system's default data directory.
    env_.erase("QUILLMARSHINI");
    env_["QUILLMARSHCONFIGINI"] = ConfigIni().string();
  }
  // The trusted module, which a planted store would name.
  fs::copy_file(QLM_MARKER_MODULE, root_ / "mods/trusted.so");
  // A log over its size limit is moved to .old when the run starts.
  WriteMachineFile(c.target == Target::kLogModule ? (root_ / "mods/planted.so").string() : "",
                   c.target == Target::kLogOld ? "LogFileSize=1000\n" : "");
  if (c.as_user) {
    ASSERT_EQ(::chown((root_ / "home").c_str(), nobody_uid_, nobody_gid_), 0);
    fs::create_directories(UserLockDir());
    ASSERT_EQ(::chown(UserLockDir().c_str(), nobody_uid_, nobody_gid_), 0);
    fs::permissions(UserLockDir(), fs::perms::owner_all);
    // The machine's log directory is root's; a user run keeps a log of its own.
  }
  // The victim belongs to the runner: a planted link must not make the run write its own file.
  Own(root_ / "victim/file", Runner(), RunnerGroup());
  if (c.target == Target::kTraceFile) {
    fs::create_directories(root_ / "trace");
    if (c.as_user) Own(root_ / "trace", nobody_uid_, nobody_gid_);
    env_["QLMTRACEFILE"] = PathOf(c.target).string();
    env_["RKTRACE"] = "G0-9";
  }
  if (c.target == Target::kLockFile) LearnLockFile();
  if (c.target == Target::kLogOld) {
    WriteFile(root_ / "data/log/quillmarsh.log", std::string(5000, 'x') + "\n");
  }
  if ((c.target == Target::kUserStore || c.target == Target::kPrefsFile) && c.as_user) {
    fs::create_directories(PathOf(c.target).parent_path());
    Own(PathOf(c.target).parent_path(), nobody_uid_, nobody_gid_);
  }
  PlantAt(PathOf(c.target), c.plant, info.directory, PlantedContent(c.target));
  if (HasFailure()) return;
  const StatS victim = Snapshot(root_ / "victim/file");
  const StatS inside = Snapshot(root_ / "victim/dir/inside");
  const size_t victim_dir_entries = static_cast<size_t>(
      std::distance(fs::directory_iterator(root_ / "victim/dir"), fs::directory_iterator()));

  bool ended = false;
  (void)RunBounded({}, &ended);
  EXPECT_TRUE(ended) << "the run did not end within 60 s";

  // The victims are untouched.
  const StatS after = Snapshot(root_ / "victim/file");
  EXPECT_EQ(after.bytes, victim.bytes);
  EXPECT_EQ(after.uid, victim.uid);
  EXPECT_EQ(after.mode, victim.mode);
  EXPECT_EQ(Snapshot(root_ / "victim/dir/inside").bytes, inside.bytes);
  std::string entries;
  for (const auto& entry : fs::directory_iterator(root_ / "victim/dir")) {
    entries += entry.path().filename().string() + " ";
  }
  EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(root_ / "victim/dir"),
                                              fs::directory_iterator())),
            victim_dir_entries)
      << "something was created through a planted link: " << entries;

  // Nothing planted was used.
  const std::string said = Said();
  EXPECT_FALSE(fs::exists(root_ / "calls/module-loaded")) << "a planted library was loaded";
  EXPECT_FALSE(fs::exists(root_ / "calls/planted-trace")) << "planted preferences were used";
  for (const auto& call : Calls()) {
    for (const std::string& arg : call) {
      EXPECT_EQ(arg.find(kPlantedMarker), std::string::npos) << "planted store text used: " << arg;
    }
  }
  const bool log_target =
      c.target == Target::kLogFile || c.target == Target::kLogOld || c.target == Target::kLogDir;
  if (!log_target) {
    EXPECT_EQ(said.find(kPlantedMarker), std::string::npos) << "planted text used:\n" << said;
  }
  // A hard link to a file only read is harmless; a FIFO where a directory should be is no
  // directory (the path leads nowhere, ENOTDIR) rather than a refusal.
  const bool refusal_expected =
      (c.plant != Plant::kHardLink || info.written) && !(info.directory && c.plant == Plant::kFifo);
  if (!refusal_expected) return;
  if (const char* other = WaitsForReport(c)) {
    if (!HasFailure()) GTEST_SKIP() << "the refusal's report waits for " << other;
    return;
  }
  // The refusal names the path and its reason.
  bool named = false;
  for (const std::string& reason : Reasons(c.plant)) {
    named = named || said.find(reason) != std::string::npos;
  }
  EXPECT_NE(said.find("Refusing to use '"), std::string::npos) << said;
  EXPECT_TRUE(named) << "no reason among the run's words:\n" << said;
}

// The same world with everything trusted: each marker does show when its source is used, so
// that its absence above means something.
TEST_P(HostileWorldTest, MarkersShowWhenTheirSourceIsTrusted) {
  const HostileCase& c = GetParam();
  if (c.target != Target::kMachineStore || c.plant != Plant::kForeignOwned) {
    GTEST_SKIP() << "one control per runner";
  }
  fs::copy_file(QLM_MARKER_MODULE, root_ / "mods/trusted.so");
  WriteMachineFile("");
  WriteFile(root_ / "data/etc/config.ini", PlantedStore(""));
  WriteFile(root_ / "home/.qlmpolicyrc", PlantedContent(Target::kPrefsFile));
  if (c.as_user) {
    ASSERT_EQ(::chown((root_ / "home").c_str(), nobody_uid_, nobody_gid_), 0);
    ASSERT_EQ(::chown((root_ / "home/.qlmpolicyrc").c_str(), nobody_uid_, nobody_gid_), 0);
    ASSERT_EQ(::chown((root_ / "calls").c_str(), nobody_uid_, nobody_gid_), 0);
    fs::create_directories(UserLockDir());
    ASSERT_EQ(::chown(UserLockDir().c_str(), nobody_uid_, nobody_gid_), 0);
  }
  bool ended = false;
  (void)RunBounded({}, &ended);
  EXPECT_TRUE(ended);
  EXPECT_TRUE(fs::exists(root_ / "calls/module-loaded")) << Said();
  EXPECT_EQ(Calls().size(), 1u) << Said();
}

std::vector<HostileCase> AllCases() {
  std::vector<HostileCase> cases;
  const Target targets[] = {Target::kMachineStore, Target::kDataDir,   Target::kDataEtcDir,
                            Target::kDataIni,      Target::kLogDir,    Target::kLogFile,
                            Target::kLogOld,       Target::kRunDir,    Target::kLockFile,
                            Target::kUserStore,    Target::kPrefsFile, Target::kLogModule,
                            Target::kCatalog,      Target::kTraceFile};
  const Plant plants[] = {Plant::kForeignOwned, Plant::kGroupWritable, Plant::kWorldWritable,
                          Plant::kLinkToVictim, Plant::kLinkToDir,     Plant::kHardLink,
                          Plant::kFifo};
  for (bool as_user : {false, true}) {
    for (Target target : targets) {
      for (Plant plant : plants) {
        const TargetInfo info = Info(target);
        if (info.directory && plant == Plant::kHardLink) continue;  // no hard links to directories
        // The file named by QUILLMARSHCONFIGINI is used only when it is a regular file;
        // otherwise the run falls back to the system's own machine file, which a test must not
        // touch.
        // A hard-linked machine file is read but its writes are refused, and the directories
        // given beside it are then missing from the store: the run falls back to the system's
        // default data directory too.
        if (target == Target::kMachineStore &&
            (plant == Plant::kFifo || plant == Plant::kLinkToDir || plant == Plant::kHardLink)) {
          continue;
        }
        // A data directory that is not a directory gives the run nowhere to be: also
        // the system's own default, which a test must not touch.
        if (target == Target::kDataDir && plant == Plant::kFifo) continue;
        cases.push_back({target, plant, as_user});
      }
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Matrix, HostileWorldTest, ::testing::ValuesIn(AllCases()), CaseName);

}  // namespace
}  // namespace e2e
