// env_EnvDefaultBuilderC: fills an environment with the built-in default of every preference
// of the agent, before any stored setting or command-line option is applied.
//
// Most defaults are fixed texts from two tables (c_asEnvDefList, the general table, and
// c_asSecDefList, the security table). A few are computed from the machine: the operating
// system and its distribution, host and domain names, the user, the installation's
// directories, the processor architecture and the process id. The machine facts come in as a
// FactsS, filled from the running machine by default, so that tests can describe another one.
//
// The tables and their texts are immutable. The five table defaults that the machine changes
// ("ProgramPath", "PluginDirectory", "OS", "OSNAMES", "OSVERSION") are computed afresh into the
// builder at every general step, starting from the built-in texts, so building twice - even
// after the store or the facts changed - gives exactly what a first build would give, and
// builders on different threads share no writable state.
//
// Every default is written straight into the environment (GetParam(name).SetValue), without
// the protection of fixed preferences; only the directory defaults, the architecture and the
// working directories go through EnvPreferencesC without force, so that a value fixed there
// keeps its value.
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_ENV_ENV_ENVDEFAULTBUILDERC_H_
#define QLM_ENV_ENV_ENVDEFAULTBUILDERC_H_

#include <cstddef>
#include <cstdint>

#include "base/StringC.h"
#include "env/env_EnvBuilderI.h"

class env_EnvDefaultBuilderC : public env_EnvBuilderI {
 public:
  // One pair of a default table: the parameter's name and its default text. A table ends with
  // a pair of two null pointers.
  struct DefPairS {
    const char* name;
    const char* value;
  };

  // One distribution identifier and the names it adds to "OSNAMES" (";"-separated).
  struct DistributionS {
    const char* identifier;
    const char* names;
  };

  // The machine as the general step sees it.
  struct FactsS {
    // The operating-system kind code of the system information (10: Linux).
    int32_t osKind = 0;
    // The version text of the system information; when empty "OSVERSION" is made from the
    // major and minor version numbers.
    StringC versionText;
    int32_t majorVersion = 0;
    int32_t minorVersion = 0;
    // The distribution identifier ("CentOS", "Debian GNU/Linux"); empty when unknown.
    StringC distributionId;
    // The host name, when it could be read.
    bool hasHostName = false;
    StringC hostName;
    // The domain name, when it could be read ("(none)" counts as no domain).
    bool hasDomainName = false;
    StringC domainName;
    uint32_t effectiveUserId = 0;
    // The login name of the effective user, when the password database has an entry.
    bool hasUserName = false;
    StringC userName;
    // The machine field of uname ("x86_64"); empty when unknown.
    StringC architecture;
    int64_t processId = 0;

    // The running machine: the system information (OSInfoC), gethostname, getdomainname,
    // the effective user and its password-database entry, uname and getpid.
    static FactsS FromMachine();
  };

  // --- Default texts ----------------------------------------------------------------------
  static constexpr const char* c_sFalseDef = "False";
  static constexpr const char* c_sTrueDef = "True";
  static constexpr const char* c_sLowerFalseDef = "false";
  static constexpr const char* c_sLowerTrueDef = "true";
  static constexpr const char* c_sTimeoutDef = "30";
  static constexpr const char* c_sInteractionLevelDef = "Full";
  static constexpr const char* c_sAppAccessDef = "FullAccess";
  static constexpr const char* c_sOneDef = "1";
  static constexpr const char* c_sZeroDef = "0";
  static constexpr const char* c_sLongWaitDef = "300";
  static constexpr const char* c_sUsagePercentDef = "100";
  static constexpr const char* c_sEmptyDef = "";
  static constexpr const char* c_sAutoDef = "Auto";
  static constexpr const char* c_sTempDirectoryDef = "/var/tmp";
  static constexpr const char* c_sProgramFilesDef = "/opt";

  static constexpr const char* c_sBrowserDef = "Netscape";
  static constexpr const char* c_sBrowserExeDef = "netscape.exe";
  static constexpr const char* c_sBaseURLAlgoDef = "First";
  static constexpr const char* c_sServiceConnectTimeoutDef = "20";
  static constexpr const char* c_sLauncherAppCacheDef = "$(CacheDirectory)";
  static constexpr const char* c_sConnectionAttemptsDef = "2";
  static constexpr const char* c_sNetworkMaxByteLevelSpeedDef = "262144";
  static constexpr const char* c_sLogLevelDef = "A-z";
  static constexpr const char* c_sLogModulesDef = "default";
  static constexpr const char* c_sLogFileNameDef = "$(CommonAppDataFolder)/log/quillmarsh.log";
  static constexpr const char* c_sLogFileOldDef = "$(CommonAppDataFolder)/log/quillmarsh.old";
  static constexpr const char* c_sLogFileSizeDef = "4000000";
  static constexpr const char* c_sOSDef = "unknown";
  static constexpr const char* c_sOSVersionDef = "0,0,0,0";
  static constexpr const char* c_sOSNamesDef = "$(OS)";
  static constexpr const char* c_sProgramPathDef = "/opt/quillmarsh/bin";
  static constexpr const char* c_sAddRemoveDef = "Default";
  static constexpr const char* c_sStagedPrefixDef = "stg";
  static constexpr const char* c_sPluginDirectoryDef = ".";
  static constexpr const char* c_sRenotifyTimeoutDef = "240";
  static constexpr const char* c_sRebootPromptWaitDef = "600";
  static constexpr const char* c_sComputerDomainDef = "$(OSComputerDomain)";
  static constexpr const char* c_sUserLogonDomainDef = "$(OSUserLogonDomain)";
  static constexpr const char* c_sURLComputerDomainDef = "$(ComputerDomain)_domain/";
  static constexpr const char* c_sURLUserLogonDomainDef = "$(UserLogonDomain)_domain/";
  static constexpr const char* c_sPolicyServerPriorityDef = "50";
  static constexpr const char* c_sExternalInstallerOutputDef = "stdoutpass,stderrpass";
  static constexpr const char* c_sExternalInstallerOutputLimitDef = "4096";
  static constexpr const char* c_sRebootPathDef = "$(ProgramPath)/reboot";
  static constexpr const char* c_sRebootCmdLineDef = "\"$(RebootPath)\"";
  static constexpr const char* c_sPackageDatabasePathDef =
      "$(CommonAppDataFolder)/cache/packagedb.cdb";
  static constexpr const char* c_sInstallationStatusRefreshPeriodDef = "604800";
  static constexpr const char* c_sPostponementQueryBeforeDef = "Download";
  static constexpr const char* c_sPostponePathDef = "$(ProgramPath)/qlmpostpone";
  static constexpr const char* c_sPostponeCmdLineDef = "\"$(PostponePath)\"";
  static constexpr const char* c_sPolicyStepDef = "Install";
  static constexpr const char* c_sPreferIPVersionDef = "SystemSupplied";
  static constexpr const char* c_sForceIPVersionDef = "Unforced";
  static constexpr const char* c_sForceOracleQueryFormatDef = "AUTO";

  static constexpr const char* c_sPrioritizeRevocationChecksDef = "OCSP,CRL";
  static constexpr const char* c_sSSLDirectoryDef = "$(CommonAppDataFolder)/etc/ssl";
  static constexpr const char* c_sSSLCACertificateFileDef = "$(SSLDirectory)/cert.pem";
  static constexpr const char* c_sSSLCACertificatePathDef = "$(SSLDirectory)/certs";
  static constexpr const char* c_sSSLCRLPathDef = "$(SSLDirectory)/crls";
  static constexpr const char* c_sSSLOCSPPathDef = "$(SSLDirectory)/ocsp";

  // The bases of the agent's working directories.
  static constexpr const char* c_sMachineBaseDef = "$(CommonAppDataFolder)";
  static constexpr const char* c_sUserBaseDef = "$(AppDataFolder)/.quillmarsh";
  static constexpr const char* c_sTaskDirectoryDef = "$(CommonAppDataFolder)/scheduler/tasks";

  // The store key of the distribution name map, below HKLM.
  static constexpr const char* c_sOSNameMapKey =
      "Software\\Quillmarsh Corp\\Quillmarsh\\Common\\OSNameMap";
  // The longest "PluginDirectory" that is built; a longer join keeps the built-in ".".
  static constexpr size_t c_nMaxPathLength = 4096;

  // --- Tables -----------------------------------------------------------------------------
  static constexpr size_t c_nEnvDefCount = 134;
  static constexpr size_t c_nSecDefCount = 13;
  static constexpr size_t c_nDistributionCount = 14;
  static const DefPairS c_asEnvDefList[c_nEnvDefCount + 1];
  static const DefPairS c_asSecDefList[c_nSecDefCount + 1];
  static const DistributionS c_asDistributionList[c_nDistributionCount];

  // The name of an operating-system kind code, or null for a code outside the list.
  static const char* OSKindName(int32_t kind) noexcept;
  // The names the distribution table gives `identifier` (first equal entry), or null.
  static const char* DistributionNames(const StringC& identifier) noexcept;

  // A builder of the agent's defaults for the running machine.
  env_EnvDefaultBuilderC();
  // A builder over `facts` (tests).
  explicit env_EnvDefaultBuilderC(const FactsS& facts);
  // A builder that only applies `table` (ended by a null pair; not owned, must outlive the
  // builder).
  explicit env_EnvDefaultBuilderC(const DefPairS* table);
  ~env_EnvDefaultBuilderC() override;

  // With a table of its own, applies only that table. Otherwise AddDefaults, then
  // AddMoreDefaults (AddLocalDefaults, AddListDefaults), then FinishBuild. Returns `env`.
  // Never fails; a fact that cannot be read leaves its preference at its default or unset.
  env_EnvironmentI& Build(env_EnvironmentI& env) override;
  // The computed values, then c_asEnvDefList (with the computed table defaults).
  // Reads the configuration store (EnvMSWPreferencesC::Registry(); none is tolerated).
  env_EnvironmentI& AddDefaults(env_EnvironmentI& env) override;
  // Applies the security table, c_asSecDefList.
  env_EnvironmentI& AddListDefaults(env_EnvironmentI& env) override;

  // The current text of a general-table default: the computed text for the five defaults
  // that the machine changes (as of the last general step), the built-in text otherwise.
  StringC CurrentDefault(const DefPairS& pair) const;

  // Writes every pair of `table` into `env` (found or created with the default options).
  static void ApplyTable(env_EnvironmentI& env, const DefPairS* table);

 private:
  // Computes the five table defaults that depend on the machine, and "OSDistributorId".
  void ComputeTableDefaults(env_EnvironmentI& env);
  // Host, domain and user.
  void SetHostAndUser(env_EnvironmentI& env) const;
  // Directories, architecture and working directories (without force).
  void SetDirectories(env_EnvironmentI& env) const;

  FactsS facts_;
  const DefPairS* table_ = nullptr;  // not owned; null: the builder's own steps
  StringC program_path_;
  StringC plugin_directory_;
  StringC os_;
  StringC os_names_;
  StringC os_version_;
};

#endif  // QLM_ENV_ENV_ENVDEFAULTBUILDERC_H_
