#include "policy/PlcPreferencesC.h"

#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "cmn/cmn_Check.h"
#include "cmn/cmn_ConfigStoreC.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/PrefsFileSetC.h"
#include "env/TaskC.h"
#include "env/env_EnvDefaultBuilderC.h"
#include "env/env_StringOps.h"
#include "env/env_Sys8TextC.h"
#include "os/OSInfoC.h"
#include "os/OSNetworkAdapterC.h"
#include "policy/PlcLog.h"
#include "policy/PlcOptionParserC.h"
#include "policy/PlcUsage.h"
#include "policy/VersionC.h"
#include "servers/LkiServerManagerC.h"
#include "time/DateTimeC.h"

namespace {

StringC Ascii(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}
StringC Sys8(const char* text) {
  return StringC(text, StringC::CC_SYS8);
}

// The process-wide server-location manager rewrites the bootstrap download locations.
std::atomic<PlcBootstrapServersFnT> g_BootstrapServers{&LkiSetBootstrapServersHook};

}  // namespace

const env_EnvOptsC PlcPreferencesC::c_EnablePolicyFailOver(Ascii("EnablePolicyFailOver"));
const env_EnvOptsC PlcPreferencesC::c_PolicySource(Ascii("PolicySource"));
const env_EnvOptsC PlcPreferencesC::c_PolicyServerURL(Ascii("PolicyServerURL"));
const env_EnvOptsC PlcPreferencesC::c_PolicyType(Ascii("PolicyType"));
const env_EnvOptsC PlcPreferencesC::c_SAMAccountName(Ascii("SAMAccountName"));
const env_EnvOptsC PlcPreferencesC::c_LauncherCommandLine(Ascii("LauncherCommandLine"));
const env_EnvOptsC PlcPreferencesC::c_GeneratePolicyOnly(Ascii("GeneratePolicyOnly"));
const env_EnvOptsC PlcPreferencesC::c_SingleInstance(Ascii("SingleInstance"));
const env_EnvOptsC PlcPreferencesC::c_Version(Ascii("Version"));
const env_EnvOptsC PlcPreferencesC::c_DateTimeFormat(Ascii("DateTimeFormat"));
const env_EnvOptsC PlcPreferencesC::c_DateTime(Ascii("DateTime"));
const env_EnvOptsC PlcPreferencesC::c_InstallDefaultSchedule(Ascii("InstallDefaultSchedule"));
const env_EnvOptsC PlcPreferencesC::c_DefaultSchedulePath(Ascii("DefaultSchedulePath"));
const env_EnvOptsC PlcPreferencesC::c_BootstrappedPolicy(Ascii("BootstrappedPolicy"));
const env_EnvOptsC PlcPreferencesC::c_MachineIPAddresses(Ascii("MachineIPAddresses"));
const env_EnvOptsC PlcPreferencesC::c_AgentTimeout(Ascii("AgentTimeout"));
const env_EnvOptsC PlcPreferencesC::c_AgentTerminateGrace(Ascii("AgentTerminateGrace"));

void PlcSetBootstrapServersHook(PlcBootstrapServersFnT fn) noexcept {
  QLM_DCHECK_MAIN_THREAD();
  g_BootstrapServers = fn;
}

PlcPreferencesC::PlcPreferencesC() noexcept : EnvPreferencesC(nullptr) {}

PlcPreferencesC::~PlcPreferencesC() = default;

bool PlcPreferencesC::SameText(const StringC& a, const char* b) {
  const StringC other = Ascii(b);
  return a.Length() == other.Length() && a.CompareNoCase(other) == 0;
}

StringC PlcPreferencesC::MachineIPAddresses() {
  StringC joined;
  // The cached list: the adapters are read once per process.
  const OSRefArrayM<OSNetworkAdapterC>& adapters = OSInfoC::Get().GetNetworkAdapters(false);
  for (uint64_t i = 0; i < adapters.Count(); ++i) {
    const OSNetworkAdapterC* adapter = adapters.Get(i);
    if (adapter == nullptr || !adapter->IsUp() || adapter->IsLoopback()) continue;
    if (adapter->GetAddress().IsEmpty()) continue;
    if (!joined.IsEmpty()) joined.AppendChar(U',');
    joined.Append(adapter->GetAddress());
  }
  return joined;
}

int PlcPreferencesC::Load(int argc, const char* const* argv) {
  if (SetDefaults() != 0) return 1;
  if (LoadStoredSettings() != 0) return 1;
  if (ParseCommandLine(argc, argv) != 0) return 1;
  if (DeriveValues() != 0) return 1;
  if (Validate() != 0) return 1;
  return 0;
}

int PlcPreferencesC::SetDefaults() {
  if (env_EnvironmentI* environment = Environment()) {
    env_EnvDefaultBuilderC builder;
    builder.Build(*environment);
  }
  char* version = VersionC::Get(VersionC::c_Version);
  SetValue(c_Version, Sys8(version != nullptr ? version : ""));
  VersionC::Free(version);
  SetValue(c_DateTimeFormat, Ascii("%Y%m%dT%H%M%S"));
  SetValue(c_PolicySource, Ascii(s_ServerSource));
  SetValue(c_EnablePolicyFailOver, Ascii(s_EnablePolicyFailOverFalse));
  SetValue(c_SAMAccountName, StringC());
  SetValue(c_GeneratePolicyOnly, Ascii(c_False));
  SetValue(c_SingleInstance, Ascii(c_True));
  SetValue(Ascii("MachineName"), Ascii("$(ComputerName)"));
  SetValue(Ascii("MachineId"), Ascii("$(MachineName)"));
  SetValue(Ascii("UserId"), Ascii("$(UserName)"));
  SetValue(c_InstallDefaultSchedule, Ascii(c_False));
  SetValue(c_DefaultSchedulePath,
           Ascii("$(DownloadRootURL)/Schedules/Default Machine Schedule/Default Machine "
                 "Schedule.osd"));
  SetValue(c_MachineIPAddresses, MachineIPAddresses());
  SetValue(c_AgentTimeout, Ascii("0"));
  SetValue(c_AgentTerminateGrace, Ascii("30"));
  return 0;
}

int PlcPreferencesC::LoadStoredSettings() {
  // One look at each store file for the four sections, not one per value.
  const cmn_RegReadScopeC scope(EnvMSWPreferencesC::Registry());
  EnvMSWPreferencesC stored(Environment());
  // Stored names become keys through this object, so the client's own keys are used.
  stored.SetNameResolver(this);
  const StringC noSeparator;
  // A key or value the store does not hold loads nothing; the defaults stay.
  (void)stored.LoadSection(EnvMSWPreferencesC::s_Common, EnvMSWPreferencesC::s_AllUsers,
                           noSeparator);
  (void)stored.LoadSection(EnvMSWPreferencesC::s_PolicyAgent, EnvMSWPreferencesC::s_AllUsers,
                           noSeparator);
  (void)stored.LoadSection(EnvMSWPreferencesC::s_Common, EnvMSWPreferencesC::s_CurrentUser,
                           noSeparator);
  (void)stored.LoadSection(EnvMSWPreferencesC::s_PolicyAgent, EnvMSWPreferencesC::s_CurrentUser,
                           noSeparator);
  // A stored policy server address is not taken from these sections; DeriveValues decides.
  SetValue(c_PolicyServerURL, StringC());
  return 0;
}

int PlcPreferencesC::ParseCommandLine(int argc, const char* const* argv) {
  const PlcOptionParserC parser(argc, argv, c_OptionString);
  for (const PlcOptionParserC::OptionS& option : parser.ParseAll()) {
    const StringC argument = Sys8(option.argument.c_str());
    switch (option.option) {
      case 'a':
        SetValue(c_SAMAccountName, argument);
        break;
      case 'h':
        break;
      case 't':
        SetValue(c_PolicyType, argument);
        break;
      case 's':
        SetValue(c_PolicyServerURL, argument);
        break;
      case 'l':
        SetValue(c_LauncherCommandLine, argument);
        break;
      case 'o': {
        extra_options_.Append(argument);
        const int64_t equals = argument.FindChar(U'=');
        if (equals < 0) {
          SetValue(argument, Ascii(c_True));
        } else {
          SetValue(argument.Substring(0, equals), argument.Substring(equals + 1));
        }
        break;
      }
      default: {
        StringC shown = Ascii("-");
        shown.AppendChar(static_cast<char32_t>(static_cast<unsigned char>(option.option)));
        PlcLog(plc::kInvalidPreference, ArgList << shown);
        // The log line above stays the record; the person at the terminal gets the usage.
        PlcPrintRefusedUsage(env_Sys8TextC(GetValue(Ascii("LogFile"))).Get());
        return 1;
      }
    }
  }
  return 0;
}

int PlcPreferencesC::DeriveValues() {
  // The time of the run, in local time, in the expanded DateTimeFormat.
  if (IsUnset(c_DateTime)) {
    struct timeval now {};
    ::gettimeofday(&now, nullptr);
    DateTimeC when;
    if (when.FromUnixTime(static_cast<int64_t>(now.tv_sec)) == 0) {
      struct tm fields {};
      when.ToTm(&fields);
      const env_Sys8TextC format(GetValue(c_DateTimeFormat));
      char buffer[80];
      const size_t length = std::strftime(buffer, sizeof buffer, format.Get(), &fields);
      SetValue(c_DateTime, StringC(buffer, length, StringC::CC_SYS8));
    }
  }

  // The policy type: only "Machine" (any case) stays a machine policy.
  if (IsUnset(c_PolicyType)) {
    SetValue(c_PolicyType, Ascii(::geteuid() == 0 ? s_MachinePolicy : s_UserPolicy));
  }
  const bool machine = SameText(GetValue(c_PolicyType), s_MachinePolicy);
  SetValue(c_PolicyType, Ascii(machine ? s_MachinePolicy : s_UserPolicy));
  const int hive = machine ? EnvMSWPreferencesC::s_AllUsers : EnvMSWPreferencesC::s_CurrentUser;

  // Where the merged policy is.
  bool decided = false;
  if (!IsUnset(c_BootstrappedPolicy) && machine) {
    SetValue(c_PolicyServerURL, GetValue(c_BootstrappedPolicy));
    decided = true;
  }
  if (!decided) {
    EnvMSWPreferencesC stored(Environment());
    stored.SetNameResolver(this);
    const StringC key = EnvMSWPreferencesC::SectionKey(EnvMSWPreferencesC::s_PolicyAgent, hive);
    if (!IsUnset(c_PolicyServerURL)) {
      // Remembered for later runs as written, references unexpanded.
      stored.SetExpansionEnabled(false);
      // A failed write is counted by the store and ends the run with exit code 1.
      (void)stored.SaveValue(key, c_PolicyServerURL, Ascii(";"));
    } else {
      // A key or value the store does not hold loads nothing; the defaults stay.
      (void)stored.LoadValue(key, c_PolicyServerURL, StringC());
    }
  }
  if (IsUnset(c_PolicyServerURL)) {
    SetValue(c_PolicyServerURL, Ascii(machine ? c_MachinePolicyURL : c_UserPolicyURL));
  }

  // The download root's addresses become the bootstrap download locations.
  const StringC downloadRoot = Ascii("DownloadRootURL");
  if (!IsUnset(downloadRoot)) {
    if (PlcBootstrapServersFnT hook = g_BootstrapServers.load()) {
      hook(GetValue(downloadRoot), "Download");
    }
  }
  return 0;
}

int PlcPreferencesC::Validate() {
  const StringC source = GetValue(c_PolicySource);
  if (!SameText(source, s_ClientSource) && !SameText(source, s_ServerSource)) {
    SetValue(c_PolicySource, Ascii(s_ServerSource));
  }
  // Well formed: the same answer whichever fallback is used.
  const StringC generateOnly = GetValue(c_GeneratePolicyOnly);
  if (ParseBool(generateOnly, false) != ParseBool(generateOnly, true)) {
    SetValue(c_GeneratePolicyOnly, Ascii(c_False));
  }
  return 0;
}

void PlcLogPreferenceRefusals() {
  std::vector<std::string> refusals;
  // False only without a task, which has no preference files and so refused nothing.
  (void)TaskC::WithPrefs([&](const PrefsFileSetC& set) { refusals = set.Refusals(); });
  for (const std::string& refusal : refusals) PlcLog(plc::kStoreWarning, ArgList << refusal);
}

bool PlcLogStoreDiagnostics() {
  auto* store = dynamic_cast<cmn_ConfigStoreC*>(EnvMSWPreferencesC::Registry());
  if (store == nullptr) return false;
  for (const cmn_ConfigStoreC::DiagnosticS& d : store->TakeDiagnostics()) {
    PlcLog(d.severity >= 4 ? plc::kStoreError : plc::kStoreWarning, ArgList << d.text);
  }
  return store->WriteFailures() != 0;
}

bool PlcLogStoreSetUpFailure(RcT rc) {
  if (rc == RC_OK) return false;
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(rc));
  PlcLog(plc::kStoreError,
         ArgList << (std::string("The configuration store was not set up (") + code +
                     "): \"InstallDir\" or \"CommonAppDataFolder\" cannot be read; what is "
                     "missing falls back to its default directory"));
  return true;
}
