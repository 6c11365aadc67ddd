#include "policy/PolicyClientMain.h"

#include <unistd.h>

#include <clocale>
#include <cstring>
#include <memory>
#include <string>

#include "base/StringArrayC.h"
#include "cmn/cmn_Check.h"
#include "cmn/cmn_RegistryI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "context/RKContextC.h"
#include "context/rkk_ProcessEnvironmentC.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/EnvPreferencesC.h"
#include "env/TaskC.h"
#include "env/TaskTrace.h"
#include "env/env_EnvironmentC.h"
#include "log/CredentialMask.h"
#include "logmgr/log_LogManagerC.h"
#include "os/CommandLine.h"
#include "policy/ApplyMergedPolicy.h"
#include "policy/PlcHardening_posix.h"
#include "policy/PlcLog.h"
#include "policy/PlcPreferencesC.h"
#include "policy/PlcRunLockC.h"
#include "policy/PlcRunMetrics.h"
#include "policy/PlcTerminationSignals_posix.h"
#include "policy/PlcUsage.h"
#include "policy/VersionC.h"
#include "registry/ComRegistryC.h"
#include "servers/LkiServerComponents.h"

StringC g_CommandLine;

namespace {

StringC Ascii(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}
StringC Sys8(const char* text) {
  return StringC(text, StringC::CC_SYS8);
}

// The lock name template of a policy: runs of one policy type, user and package types exclude
// each other.
constexpr const char* kLockTemplate =
    "Quillmarsh.Policy.$(PolicyType).$(UserId).$(AllowedPkgTypes)";

void FillCommandLine(int argc, char** argv) {
  StringArrayC arguments;
  for (int i = 0; i < argc; ++i) {
    std::string argument = argv[i] != nullptr ? argv[i] : "";
    // Edits in place; how much it changed is not needed.
    (void)MaskPasswordArgument(argument);
    arguments.Append(Sys8(argument.c_str()));
  }
  g_CommandLine = JoinCommandLine(arguments);
}

// The working directory for the banner: a trailing "/" is dropped unless it is the whole text.
StringC WorkingDirectory() {
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return Ascii("(unknown)");
  size_t length = std::strlen(buffer);
  if (length >= 2 && buffer[length - 1] == '/') buffer[--length] = '\0';
  return Sys8(buffer);
}

void LogProductEntry2(const PlcMessageS& message, size_t first, size_t second) {
  char* a = VersionC::Get(first);
  char* b = VersionC::Get(second);
  PlcLog(message, ArgList << (a != nullptr ? a : "") << (b != nullptr ? b : ""));
  VersionC::Free(a);
  VersionC::Free(b);
}

void WriteBanner() {
  PlcLog(plc::kStars);
  LogProductEntry2(plc::kProgramVersion, VersionC::c_Name, VersionC::c_Version);
  PlcLog(plc::kProgramPath, ArgList << WorkingDirectory());
  char* build = VersionC::Get(VersionC::c_BuildNumber);
  PlcLog(plc::kBuildNumber, ArgList << (build != nullptr ? build : ""));
  VersionC::Free(build);
  PlcLog(plc::kCommandLine, ArgList << g_CommandLine);
  PlcLog(plc::kInitializing);
  PlcLog(plc::kPreferencesLoaded);
}

// Applies the policy under its single-instance lock, when that is on. The application's
// result, or c_PlcFailed when another run holds the lock or the lock cannot be made.
[[nodiscard]] RcT ApplyGuarded(PlcPreferencesC& preferences) {
  // From here a termination signal stops the agent's process group before the lock goes.
  const PlcTerminationSignalsC signals;
  EnvPreferencesC plain;
  if (!plain.GetBool(Ascii("SingleInstance"), false)) return ApplyMergedPolicy(preferences);

  PlcRunLockC lock(plain.Expand(Ascii(kLockTemplate)));
  switch (lock.TryAcquire()) {
    case PlcRunLockC::Outcome::kHeld: {
      const RcT rc = ApplyMergedPolicy(preferences);
      lock.Release();
      return rc;
    }
    case PlcRunLockC::Outcome::kBusy:
      PlcMetricsNoteRefusedByLock();
      PlcLog(plc::kAlreadyApplied);
      if (const int32_t holder = lock.HolderPid(); holder > 0) {
        PlcLog(plc::kLockHolder, ArgList << lock.LockFilePath() << holder);
      }
      return c_PlcFailed;
    case PlcRunLockC::Outcome::kCannotCreate:
      PlcLog(plc::kLockCannotCreate, ArgList << lock.LockFilePath() << lock.Reason());
      return c_PlcFailed;
  }
  return c_PlcFailed;
}

}  // namespace

int PolicyClientMain(int argc, char** argv) {
  QLM_DCHECK_MAIN_THREAD();
  // --help and --version: before anything else, nothing logged, nothing set up.
  if (const int info = PlcHandleInfoRequest(argc, argv); info >= 0) return info;
  PlcDisableCoreDumps();  // before any secret is read
  PlcMetricsNoteStart();
  // A run opens its store, log, lock and catalog files in a few directories: each is checked
  // once for the run instead of at every open.
  cmn_SafeOpenRememberDirectories(true);

  // Dates in the log follow the user's locale; nothing else does.
  std::setlocale(LC_TIME, "");
  FillCommandLine(argc, argv);

  // The root environment; every preference object reads the context's copy of it.
  auto environment = std::make_unique<env_EnvironmentC>();
  RKContextC::Current()->SetEnvironment(environment.get());
  // Child processes get the context's environment; settings come from the preference files.
  rkk_ProcessEnvironmentC::Install();

  // The task: only the program path and "-oui" are handed on, so no "-ouiprefs" path from
  // the command line reaches the preference search and the default search path is used. The
  // start-up hook gives the task an indented tracer; RKTRACE may switch trace flags on.
  {
    char program[] = "";
    char oui[] = "-oui";
    char* taskArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : program, oui, nullptr};
    int taskArgc = 2;
    const TaskStartHookT hooks[] = {&TaskStartHookIndentedTrace};
    // Cannot fail: the arguments are valid and the one hook always succeeds.
    (void)TaskC::Initialize(&taskArgc, taskArgv, "qlmpolicy", 450, hooks, 1);
    // A malformed RKTRACE leaves tracing off.
    (void)ApplyTraceFlagsFromEnvironment();
  }

  // The component registry, made now so that components can register.
  (void)LkiRegisterServerComponents(ComRegistryC::Instance());

  int exitCode = 0;
  {
    PlcPreferencesC preferences;
    int loaded = 0;
    RcT storeSetUp = RC_OK;
    {
      // The set-up and the preferences read a few dozen settings: each store file is checked
      // once for another process's change, at the first read, instead of before every read.
      // The run's reads come later, outside the scope, and see what the agent changed.
      const cmn_RegReadScopeC scope(EnvMSWPreferencesC::Registry());
      // The configuration store, the execution path and the product's directories. A failure
      // leaves the installation or data directory at its fallback; it is logged once the log
      // exists and ends the run with exit code 1.
      storeSetUp = EnvMSWPreferencesC::SetUpConfigurationStore();
      // Preferences; a bad command line ends the run before the banner.
      loaded = preferences.Load(argc, argv);
    }
    if (loaded != 0) {
      exitCode = 1;
    } else {
      // The run proper: the banner, then the policy applied under the termination signals
      // and the single-instance lock; the store's findings also decide the exit code.
      WriteBanner();
      PlcLogPreferenceRefusals();
      // The store's findings so far (ignored lines, a "-s" address it could not remember).
      const bool setUpFailed = PlcLogStoreSetUpFailure(storeSetUp);
      const bool storeFailed = PlcLogStoreDiagnostics() || setUpFailed;
      exitCode = ApplyGuarded(preferences) != 0 ? 1 : 0;
      if (PlcLogStoreDiagnostics() || storeFailed) exitCode = 1;
    }

    // Every component module is finalized and unloaded before the run's metrics are written,
    // so that nothing of theirs runs after the figures are taken.
    ComRegistryC::ReleaseInstance();
    PlcMetricsWriteForRun(preferences, exitCode);

    // The closing lines: the exit code, then the row of stars.
    if (exitCode == 0) {
      PlcLog(plc::kExitedSuccessfully);
    } else {
      PlcLog(plc::kExitedWithCode, ArgList << exitCode);
    }
    PlcLog(plc::kStars);
  }

  // Every later message finds no log manager until one is made anew.
  log_LogManagerC::Shutdown(true);

  // The context's copy refers to this environment: drop it first.
  rkk_ProcessEnvironmentC::Uninstall();
  RKContextC::Current()->SetEnvironment(nullptr);
  environment.reset();
  TaskC::Shutdown();
  // The directories were remembered for this run only (a test may call again in a new world).
  cmn_SafeOpenRememberDirectories(false);
  return exitCode;
}
