// PlcPreferencesC: the policy client's settings.
//
// A preference object over the current deployment context's environment that adds the
// client's own defaults, reads the policy agent's stored settings, parses the command line,
// derives what was not given and checks two values. Every value lives in the environment; the
// object holds only the extra options of the command line ("-o" texts, whole, in order), which
// the policy application hands on to the installation agent.
//
// Every set goes through EnvPreferencesC::SetValue without force, so a preference fixed in the
// configuration store keeps its value. Main thread only, like the environment.
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_POLICY_PLCPREFERENCESC_H_
#define QLM_POLICY_PLCPREFERENCESC_H_

#include <cstdint>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "env/EnvPreferencesC.h"
#include "env/env_EnvOptsC.h"

class PlcPreferencesC : public EnvPreferencesC {
 public:
  // Preference keys (default options).
  static const env_EnvOptsC c_EnablePolicyFailOver;
  static const env_EnvOptsC c_PolicySource;
  static const env_EnvOptsC c_PolicyServerURL;
  static const env_EnvOptsC c_PolicyType;
  static const env_EnvOptsC c_SAMAccountName;
  static const env_EnvOptsC c_LauncherCommandLine;
  static const env_EnvOptsC c_GeneratePolicyOnly;
  static const env_EnvOptsC c_SingleInstance;
  static const env_EnvOptsC c_Version;
  static const env_EnvOptsC c_DateTimeFormat;
  static const env_EnvOptsC c_DateTime;
  static const env_EnvOptsC c_InstallDefaultSchedule;
  static const env_EnvOptsC c_DefaultSchedulePath;
  static const env_EnvOptsC c_BootstrappedPolicy;
  static const env_EnvOptsC c_MachineIPAddresses;
  // Seconds the installation agent may run before its process group is stopped (0: no limit).
  static const env_EnvOptsC c_AgentTimeout;
  // Seconds between SIGTERM and SIGKILL when the agent's process group is stopped.
  static const env_EnvOptsC c_AgentTerminateGrace;

  static constexpr const char* s_ClientSource = "Client";
  static constexpr const char* s_ServerSource = "Server";
  static constexpr const char* s_UserPolicy = "User";
  static constexpr const char* s_MachinePolicy = "Machine";
  static constexpr const char* s_EnablePolicyFailOverTrue = "True";
  static constexpr const char* s_EnablePolicyFailOverFalse = "False";

  // The command line's option string.
  static constexpr const char* c_OptionString = "a:ht:s:l:o:";
  // The default addresses of the merged policy, by policy type.
  static constexpr const char* c_MachinePolicyURL =
      "$(DownloadRootURL)/Policies/Merged/$(URLComputerDomain)Machine/$(MachineId).rpl"
      "?machinename=$(MachineName)&ipaddress=$(MachineIPAddresses)";
  static constexpr const char* c_UserPolicyURL =
      "$(DownloadRootURL)/Policies/Merged/$(URLUserLogonDomain)User/$(UserId).rpl";

  // A view over the current deployment context's environment with no extra options.
  PlcPreferencesC() noexcept;
  ~PlcPreferencesC() override;

  using EnvPreferencesC::GetBool;
  using EnvPreferencesC::GetValue;
  using EnvPreferencesC::SetValue;

  // SetDefaults, LoadStoredSettings, ParseCommandLine, DeriveValues, Validate, in
  // this order, stopping at the first that fails. 0, or 1 when one failed (only the command
  // line can: the steps after it have not run then). The loading steps answer 0 or 1, not a
  // result code: that is their fixed interface, and 1 is the exit code the entry gives.
  [[nodiscard]] virtual int Load(int argc, const char* const* argv);
  // The general default table, then the client's own defaults (stored unexpanded)
  // and "MachineIPAddresses" from the cached adapter list. Always 0.
  [[nodiscard]] virtual int SetDefaults();
  // "DateTime", "PolicyType" and "PolicyServerURL" when not given; the policy server
  // address is also written to or read from the store's "PolicyAgent" section of the policy's
  // hive; "DownloadRootURL" is handed to the bootstrap-server seam. Always 0. May write the
  // store (durably, and only when the stored text differs).
  [[nodiscard]] virtual int DeriveValues();
  // The "Common" and "PolicyAgent" sections of the machine hive, then of the user's
  // hive; then "PolicyServerURL" is emptied so that DeriveValues decides it. Always 0; a store
  // that cannot be read leaves the values alone.
  [[nodiscard]] virtual int LoadStoredSettings();
  // The options of `argv` in order (see the option table in the implementation). 1
  // after logging "WARNING: Invalid preference '-<c>'" for an unrecognised option or a missing
  // argument (the options after it are not looked at); 0 otherwise.
  [[nodiscard]] virtual int ParseCommandLine(int argc, const char* const* argv);
  // A "PolicySource" other than "Client" or "Server" becomes "Server"; a
  // "GeneratePolicyOnly" that is not a well-formed boolean becomes "False". Always 0.
  [[nodiscard]] virtual int Validate();

  // The "-o" texts of the command line, whole, in command-line order.
  const StringArrayC& ExtraOptions() const noexcept { return extra_options_; }

  // The machine's up, non-loopback IPv4 addresses in adapter order, joined by ",".
  static StringC MachineIPAddresses();
  // True when `a` and `b` have equal lengths and compare equal ignoring case.
  static bool SameText(const StringC& a, const char* b);

 private:
  StringArrayC extra_options_;
};

// The hook DeriveValues hands a non-empty "DownloadRootURL" to (expanded, with the kind
// "Download"), so that the addresses in it become the bootstrap download locations. It is the
// server-location manager's SetBootstrapServers unless replaced (null: nothing is done), e.g. by
// a test. Set on the main thread.
using PlcBootstrapServersFnT = void (*)(const StringC& urls, const char* kind);
void PlcSetBootstrapServersHook(PlcBootstrapServersFnT fn) noexcept;

// Logs what the configuration store collected since the last call (ignored lines as
// warnings, failed writes as errors, each naming the file) - the store sits below the log and
// cannot log itself. True when any write of the store has failed in this process: a setting
// the run had to remember was lost, so the run must end with exit code 1.
bool PlcLogStoreDiagnostics();

// Logs, as warnings, the preference files the search refused (another user could change them):
// the search keeps them out of the error buffer so that callers do not take them for a
// failure. Called once per run, after the banner.
void PlcLogPreferenceRefusals();

// Logs a failed set-up of the configuration store (`rc`, its result) as an error: the
// installation or data directory was not settled from the machine's file, and what is missing
// falls back to its default. True when `rc` is a failure, which ends the run with exit code 1.
bool PlcLogStoreSetUpFailure(RcT rc);

#endif  // QLM_POLICY_PLCPREFERENCESC_H_
