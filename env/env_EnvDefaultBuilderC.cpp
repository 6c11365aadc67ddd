#include "env/env_EnvDefaultBuilderC.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "cmn/cmn_RegistryI.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/EnvPreferencesC.h"
#include "env/env_DefaultFacts_posix.h"
#include "os/OSInfoC.h"
#include "os/SysInfo_posix.h"

using B = env_EnvDefaultBuilderC;

// The general table. Names sharing a default come first, grouped by it; "LogFile" is listed
// twice with the same default (134 pairs, 133 preferences).
const B::DefPairS B::c_asEnvDefList[B::c_nEnvDefCount + 1] = {
    {"AlertExecute", c_sFalseDef},
    {"DownloadOnly", c_sFalseDef},
    {"VirusScan", c_sFalseDef},
    {"VerifyFilesSigned", c_sFalseDef},
    {"VerifyCatalogSigned", c_sFalseDef},
    {"VerifyTrustOrSign", c_sFalseDef},
    {"Logging", c_sFalseDef},
    {"NoStage", c_sFalseDef},
    {"RotateConnectionsOnFailedConnectionAttempt", c_sFalseDef},
    {"NetworkSense", c_sFalseDef},
    {"CheckRegistry", c_sFalseDef},
    {"ForceCOMRegistration", c_sFalseDef},
    {"ForceValidSignature", c_sFalseDef},
    {"DisplayAllAuthcode", c_sFalseDef},
    {"AskAboutDependencies", c_sFalseDef},
    {"PromptOnInstallCompletion", c_sFalseDef},
    {"PromptOnUninstallCompletion", c_sFalseDef},
    {"CmdLineOverrides", c_sFalseDef},
    {"SupplyWorstCaseReturnValue", c_sFalseDef},
    {"SaveAllUserSymbols", c_sFalseDef},
    {"QuietUntilUpdate", c_sFalseDef},
    {"PostponeByDefault", c_sFalseDef},
    {"RebootIfRequired", c_sFalseDef},
    {"AlwaysDisplayReboot", c_sFalseDef},
    {"ForceReboot", c_sFalseDef},
    {"AllowRebootIfLocked", c_sFalseDef},
    {"AllowRebootIfServer", c_sFalseDef},
    {"PropagatePkgChanged", c_sFalseDef},
    {"UseLastUpdateLocation", c_sFalseDef},
    {"StageInactivePackages", c_sFalseDef},
    {"StrictInstall", c_sFalseDef},
    {"ApplyLocalPolicy", c_sFalseDef},
    {"AllowPeerToPeer", c_sFalseDef},
    {"IgnoreConnectionWindows", c_sFalseDef},
    {"NeverMoveOnReboot", c_sFalseDef},
    {"DisableUninstallBehaviour", c_sFalseDef},
    {"SupportMSIRebootReturnCode", c_sFalseDef},
    {"ServiceCreateTimeout", c_sTimeoutDef},
    {"NetworkTimeout", c_sTimeoutDef},
    {"UserInteractionLevel", c_sInteractionLevelDef},
    {"PostponeUserInteractionLevel", c_sInteractionLevelDef},
    {"PublicAppAccess", c_sAppAccessDef},
    {"PrivateAppAccess", c_sAppAccessDef},
    {"NetworkRetries", c_sOneDef},
    {"NetworkMinSpeed", c_sOneDef},
    {"NetworkRetryPeriodIncrement", c_sZeroDef},
    {"NetworkHighSpeed", c_sZeroDef},
    {"NetworkMaxRate", c_sZeroDef},
    {"RebootPromptCycles", c_sZeroDef},
    {"PolicyRefreshPeriod", c_sZeroDef},
    {"PolicyPackageRefreshPeriod", c_sZeroDef},
    {"MaximumNetworkRetryPeriod", c_sLongWaitDef},
    {"UITimeoutWait", c_sLongWaitDef},
    {"NetworkLowUsage", c_sUsagePercentDef},
    {"NetworkLowUsageLowerLimit", c_sUsagePercentDef},
    {"NetworkLowUsageUpperLimit", c_sUsagePercentDef},
    {"NetworkHighUsage", c_sUsagePercentDef},
    {"NetworkHighUsageLowerLimit", c_sUsagePercentDef},
    {"NetworkHighUsageUpperLimit", c_sUsagePercentDef},
    {"ServerAuthentication", c_sEmptyDef},
    {"LogFileBak", c_sEmptyDef},
    {"RebootPreCommand", c_sEmptyDef},
    {"RebootPostCommand", c_sEmptyDef},
    {"LogType", c_sAutoDef},
    {"UninstallIvorelSilently", c_sAutoDef},
    {"VerifyDownload", c_sTrueDef},
    {"AskBeforeInstalling", c_sTrueDef},
    {"PromptOnCOMRegFailures", c_sTrueDef},
    {"SelfHeal", c_sTrueDef},
    {"AutoRedundancy", c_sTrueDef},
    {"AllowMultipleInstances", c_sTrueDef},
    {"ConfirmSharedFileRemoval", c_sTrueDef},
    {"ForceRebootIfLocked", c_sTrueDef},
    {"SecurityPatchRebootIfRequired", c_sTrueDef},
    {"AllowByteLevel", c_sTrueDef},
    {"DetectApplicationVersionConflicts", c_sTrueDef},
    {"ApplyPolicy", c_sTrueDef},
    {"DownloadPolicy", c_sTrueDef},
    {"ReInstallRequiresVersionChange", c_sTrueDef},
    {"UserDefinedOracleHome", c_sTrueDef},
    {"TempDirectory", c_sTempDirectoryDef},
    {"WinDirectory", c_sTempDirectoryDef},
    {"SysDirectory", c_sTempDirectoryDef},
    {"FontDirectory", c_sTempDirectoryDef},
    {"TEMP", c_sTempDirectoryDef},
    {"WIN", c_sTempDirectoryDef},
    {"SYS", c_sTempDirectoryDef},
    {"ProgramFiles", c_sProgramFilesDef},
    {"PROGFILES", c_sProgramFilesDef},
    {"AllowTimeoutIfLocked", c_sLowerTrueDef},
    {"RebootContinueAfterCmdFailure", c_sLowerTrueDef},
    {"RebootPromptUnlimited", c_sLowerFalseDef},
    {"RebootForceWindowToTop", c_sLowerFalseDef},
    {"RebootShowShutdown", c_sLowerFalseDef},
    {"BROWSER", c_sBrowserDef},
    {"BROWSEREXE", c_sBrowserExeDef},
    {"BaseURLAlgo", c_sBaseURLAlgoDef},
    {"ServiceConnectTimeout", c_sServiceConnectTimeoutDef},
    {"LauncherAppCache", c_sLauncherAppCacheDef},
    {"ConnectionAttempts", c_sConnectionAttemptsDef},
    {"NetworkMaxByteLevelSpeed", c_sNetworkMaxByteLevelSpeedDef},
    {"LogLevel", c_sLogLevelDef},
    {"LogModules", c_sLogModulesDef},
    {"LogFile", c_sLogFileNameDef},
    {"LogFileOld", c_sLogFileOldDef},
    {"LogFileSize", c_sLogFileSizeDef},
    {"OS", c_sOSDef},
    {"OSVERSION", c_sOSVersionDef},
    {"OSNAMES", c_sOSNamesDef},
    {"ProgramPath", c_sProgramPathDef},
    {"AddRemove", c_sAddRemoveDef},
    {"StagedPrefix", c_sStagedPrefixDef},
    {"PluginDirectory", c_sPluginDirectoryDef},
    {"RenotifyTimeout", c_sRenotifyTimeoutDef},
    {"RebootPromptWait", c_sRebootPromptWaitDef},
    {"ComputerDomain", c_sComputerDomainDef},
    {"UserLogonDomain", c_sUserLogonDomainDef},
    {"URLComputerDomain", c_sURLComputerDomainDef},
    {"URLUserLogonDomain", c_sURLUserLogonDomainDef},
    {"PolicyServerPriority", c_sPolicyServerPriorityDef},
    {"ExternalInstallerOutput", c_sExternalInstallerOutputDef},
    {"ExternalInstallerOutputLimit", c_sExternalInstallerOutputLimitDef},
    {"RebootPath", c_sRebootPathDef},
    {"RebootCmdLine", c_sRebootCmdLineDef},
    {"PackageDatabasePath", c_sPackageDatabasePathDef},
    {"InstallationStatusRefreshPeriod", c_sInstallationStatusRefreshPeriodDef},
    {"PostponementQueryBefore", c_sPostponementQueryBeforeDef},
    {"PostponePath", c_sPostponePathDef},
    {"PostponeCmdLine", c_sPostponeCmdLineDef},
    {"PolicyStep", c_sPolicyStepDef},
    {"PreferIPVersion", c_sPreferIPVersionDef},
    {"ForceIPVersion", c_sForceIPVersionDef},
    {"ForceOracleQueryFormat", c_sForceOracleQueryFormatDef},
    {"LogFile", c_sLogFileNameDef},
    {nullptr, nullptr},
};

const B::DefPairS B::c_asSecDefList[B::c_nSecDefCount + 1] = {
    {"UseTrustDatabase", c_sFalseDef},
    {"CheckCatalogDigest", c_sFalseDef},
    {"CheckFileDigest", c_sFalseDef},
    {"CheckCertificateRevocation", c_sTrueDef},
    {"CheckServerCertificate", c_sTrueDef},
    {"PrioritizeRevocationChecks", c_sPrioritizeRevocationChecksDef},
    {"SSLDirectory", c_sSSLDirectoryDef},
    {"SSLCACertificateFile", c_sSSLCACertificateFileDef},
    {"SSLCACertificatePath", c_sSSLCACertificatePathDef},
    {"SSLCRLPath", c_sSSLCRLPathDef},
    {"SSLCRLCacheLifetime", c_sZeroDef},
    {"SSLOCSPPath", c_sSSLOCSPPathDef},
    {"SSLOCSPCacheLifetime", c_sZeroDef},
    {nullptr, nullptr},
};

const B::DistributionS B::c_asDistributionList[B::c_nDistributionCount] = {
    {"CentOS", "RedHat"},
    {"Fedora", "RedHat;Fedora Core"},
    {"FedoraCore", "RedHat;Fedora Core"},
    {"OracleServer", "Oracle"},
    {"EnterpriseEnterpriseAS", "OracleServer;Oracle"},
    {"EnterpriseEnterpriseServer", "OracleServer;Oracle"},
    {"RedHatEnterpriseAS", "RedHat;RedHat Enterprise Linux AS"},
    {"RedHatEnterpriseES", "RedHat;RedHat Enterprise Linux ES"},
    {"RedHatEnterpriseWS", "RedHat;RedHat Enterprise Linux WS"},
    {"RedHatEnterpriseClient", "RedHat;RedHat Enterprise Linux WS"},
    {"RedHatEnterpriseServer", "RedHat;RedHat Enterprise Linux ES"},
    {"SUSE LINUX", "SuSE;SuSE Linux;openSUSE"},
    {"openSUSE", "SuSE;SuSE Linux"},
    {"Debian GNU/Linux", "Debian"},
};

namespace {

StringC Text(const char* text) {
  return StringC::FromUtf8(text);
}

StringC Sys(const std::string& bytes) {
  return StringC(bytes.c_str(), StringC::CC_SYS8);
}

// The working directories: preference, base (null: the default is the whole suffix), suffix.
struct WorkDirS {
  const char* name;
  const char* base;
  const char* suffix;
};
const WorkDirS kWorkDirs[] = {
    {"MachineUploadDirectory", B::c_sMachineBaseDef, "/uploads"},
    {"UserUploadDirectory", B::c_sUserBaseDef, "/uploads"},
    {"MachineZeroTouchDirectory", B::c_sMachineBaseDef, "/tracker/zerotouch"},
    {"UserZeroTouchDirectory", B::c_sUserBaseDef, "/tracker/zerotouch"},
    {"MachineInventoryDirectory", B::c_sMachineBaseDef, "/tracker/inventories"},
    {"UserInventoryDirectory", B::c_sUserBaseDef, "/tracker/inventories"},
    {"TaskDirectory", nullptr, B::c_sTaskDirectoryDef},
    {"MachineScheduleDirectory", B::c_sMachineBaseDef, "/scheduler/schedules"},
    {"UserScheduleDirectory", B::c_sUserBaseDef, "/scheduler/schedules"},
    {"MachinePolicyDirectory", B::c_sMachineBaseDef, "/policies/merged/machine"},
    {"UserPolicyDirectory", B::c_sUserBaseDef, "/policy/policies/merged/user"},
    {"MachinePolicyPackageDirectory", B::c_sMachineBaseDef, "/policy/packages"},
    {"UserPolicyPackageDirectory", B::c_sUserBaseDef, "/packages"},
};

void SetDirect(env_EnvironmentI& env, const char* name, const StringC& value) {
  env.GetParam(env_EnvOptsC(Text(name))).SetValue(value);
}

// A text of the machine's root key, or false when there is no store or no such value.
bool ReadStoreText(const char* key, const std::string& name, std::string* text) {
  cmn_RegistryI* registry = EnvMSWPreferencesC::Registry();
  if (registry == nullptr) return false;
  return registry->ReadText(cmn_kHKLM, key, name, text) == 0;
}

}  // namespace

B::FactsS B::FactsS::FromMachine() {
  FactsS facts;
  const OSInfoC& info = OSInfoC::Get();
  facts.osKind = info.GetPlatformCode();
  // The system information keeps no version text of its own: the version is the kernel's.
  facts.majorVersion = info.GetKernelMajor();
  facts.minorVersion = info.GetKernelMinor();
  facts.distributionId = info.GetDistributionName();
  std::string bytes;
  if (env_HostName(&bytes)) {
    facts.hasHostName = true;
    facts.hostName = Sys(bytes);
  }
  if (env_DomainName(&bytes)) {
    facts.hasDomainName = true;
    facts.domainName = Sys(bytes);
  }
  facts.effectiveUserId = os_EffectiveUserId();
  os_PasswdS entry;
  bool found = false;
  if (os_LookupUserById(facts.effectiveUserId, &entry, &found) == 0 && found) {
    facts.hasUserName = true;
    facts.userName = Sys(entry.name);
  }
  if (env_MachineArchitecture(&bytes)) facts.architecture = Sys(bytes);
  facts.processId = env_ProcessId();
  return facts;
}

const char* B::OSKindName(int32_t kind) noexcept {
  switch (kind) {
    case 1:
      return "DOS";
    case 2:
      return "Win31";
    case 3:
      return "Win95";
    case 4:
      return "WinNT";
    case 5:
      return "Mac OS X";
    case 6:
      return "OS/2";
    case 7:
      return "AIX";
    case 9:
      return "HP-UX";
    case 10:
      return "Linux";
    case 11:
      return "SunOS";
    default:
      return nullptr;
  }
}

const char* B::DistributionNames(const StringC& identifier) noexcept {
  for (const DistributionS& d : c_asDistributionList) {
    if (identifier.Utf8View() == d.identifier) return d.names;
  }
  return nullptr;
}

B::env_EnvDefaultBuilderC() : env_EnvDefaultBuilderC(FactsS::FromMachine()) {}

B::env_EnvDefaultBuilderC(const FactsS& facts)
    : facts_(facts),
      program_path_(Text(c_sProgramPathDef)),
      plugin_directory_(Text(c_sPluginDirectoryDef)),
      os_(Text(c_sOSDef)),
      os_names_(Text(c_sOSNamesDef)),
      os_version_(Text(c_sOSVersionDef)) {}

B::env_EnvDefaultBuilderC(const DefPairS* table) : env_EnvDefaultBuilderC(FactsS()) {
  table_ = table;
}

B::~env_EnvDefaultBuilderC() = default;

env_EnvironmentI& B::Build(env_EnvironmentI& env) {
  if (table_ != nullptr) {
    ApplyTable(env, table_);
    return env;
  }
  return env_EnvBuilderI::Build(env);
}

env_EnvironmentI& B::AddDefaults(env_EnvironmentI& env) {
  ComputeTableDefaults(env);
  SetHostAndUser(env);
  SetDirectories(env);
  for (const DefPairS* p = c_asEnvDefList; p->name != nullptr; ++p) {
    SetDirect(env, p->name, CurrentDefault(*p));
  }
  return env;
}

env_EnvironmentI& B::AddListDefaults(env_EnvironmentI& env) {
  ApplyTable(env, c_asSecDefList);
  return env;
}

StringC B::CurrentDefault(const DefPairS& pair) const {
  const std::string_view name = pair.name;
  if (name == "ProgramPath") return program_path_;
  if (name == "PluginDirectory") return plugin_directory_;
  if (name == "OS") return os_;
  if (name == "OSNAMES") return os_names_;
  if (name == "OSVERSION") return os_version_;
  return Text(pair.value);
}

void B::ApplyTable(env_EnvironmentI& env, const DefPairS* table) {
  for (const DefPairS* p = table; p->name != nullptr; ++p) {
    SetDirect(env, p->name, Text(p->value != nullptr ? p->value : ""));
  }
}

void B::ComputeTableDefaults(env_EnvironmentI& env) {
  // Every build starts from the built-in texts, so a value computed by an earlier build (an
  // install directory since removed from the store, another machine's facts) never leaks in.
  program_path_ = Text(c_sProgramPathDef);
  plugin_directory_ = Text(c_sPluginDirectoryDef);
  os_ = Text(c_sOSDef);
  os_version_ = Text(c_sOSVersionDef);

  std::string installDir;
  if (ReadStoreText(EnvMSWPreferencesC::s_QuillmarshRoot, "InstallDir", &installDir) &&
      !installDir.empty()) {
    program_path_ = StringC::FromUtf8(installDir) + Text("/bin");
  }

  StringC plugins = program_path_;
  if (!plugins.IsEmpty() && plugins.CharAt(plugins.Length() - 1) != U'/') plugins.AppendChar(U'/');
  plugins.Append(Text("plugins"));
  if (static_cast<size_t>(plugins.Length()) <= c_nMaxPathLength) plugin_directory_ = plugins;

  SetDirect(env, "PID", Text(std::to_string(facts_.processId).c_str()));

  if (const char* os = OSKindName(facts_.osKind)) os_ = Text(os);
  os_names_ = os_;

  if (!facts_.versionText.IsEmpty()) {
    os_version_ = facts_.versionText;
  } else {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%" PRId32 ",%" PRId32 ",0,0", facts_.majorVersion,
                  facts_.minorVersion);
    os_version_ = Text(buffer);
  }

  const StringC& id = facts_.distributionId;
  if (id.IsEmpty()) return;
  StringC names;
  std::string mapped;
  if (ReadStoreText(c_sOSNameMapKey, id.ToUtf8(), &mapped)) {
    names = StringC::FromUtf8(mapped);
  } else if (const char* known = DistributionNames(id)) {
    names = Text(known);
  }
  StringC extended = os_;
  extended.AppendChar(U';');
  if (!names.IsEmpty()) {
    extended.Append(names);
    extended.AppendChar(U';');
  }
  extended.Append(id);
  os_names_ = extended;
  SetDirect(env, "OSDistributorId", id);
}

void B::SetHostAndUser(env_EnvironmentI& env) const {
  StringC domain;
  if (facts_.hasHostName) {
    const StringC& host = facts_.hostName;
    const int64_t dot = host.Length() > 1 ? host.FindChar(U'.', 1) : -1;
    if (dot > 0) {
      SetDirect(env, "ComputerName", host.Substring(0, dot));
      domain = host.Substring(dot + 1);
    } else if (!host.IsEmpty()) {
      SetDirect(env, "ComputerName", host);
    }
  }
  if (domain.IsEmpty() && facts_.hasDomainName && facts_.domainName.Utf8View() != "(none)") {
    domain = facts_.domainName;
  }
  if (!domain.IsEmpty()) {
    SetDirect(env, "OSComputerDomain", domain);
    SetDirect(env, "OSUserLogonDomain", domain);
  }
  const bool admin = facts_.effectiveUserId == 0;
  const StringC flag = Text(admin ? EnvPreferencesC::c_True : EnvPreferencesC::c_False);
  SetDirect(env, "AdminUser", flag);
  SetDirect(env, "SystemUser", flag);
  if (admin) {
    SetDirect(env, "UserName", Text("system"));
  } else if (facts_.hasUserName) {
    SetDirect(env, "UserName", facts_.userName);
  }
}

void B::SetDirectories(env_EnvironmentI& env) const {
  EnvPreferencesC prefs(&env);
  prefs.SetValue(Text("CommonAppDataFolder"), EnvMSWPreferencesC::DataDirectory());
  prefs.SetValue(Text("InstallDir"), EnvMSWPreferencesC::InstallDirectory());
  if (!facts_.architecture.IsEmpty()) prefs.SetValue(Text("Architecture"), facts_.architecture);
  for (const WorkDirS& w : kWorkDirs) {
    StringC value = w.base != nullptr ? Text(w.base) + Text(w.suffix) : Text(w.suffix);
    prefs.SetValue(Text(w.name), value);
  }
}
