// EnvMSWPreferencesC: preferences loaded from and saved to the configuration store.
//
// The store (getConfiguration(1)->Registry(), fetched anew for every operation) is shaped
// like a registry. The product keeps one key per agent section below its root key
// "Software\Quillmarsh Corp\Quillmarsh", in the machine hive (HKLM, all users) and in the
// current user's hive (HKCU); each section also has an alternate location for policies
// (by default below "Software\Policies\Quillmarsh Corp\Quillmarsh"), loaded after the main one
// so that its values win unless a value is fixed.
//
// A key path is the hive name, one backslash and the key below the hive, for example
// "HKLM\Software\Quillmarsh Corp\Quillmarsh\Policy Client\CurrentVersion".
//
// Results: 0 for success, the failing code of the store, or 0x80000001 (RC_FAIL) when the
// process has no configuration store. Loads set nothing when a key cannot be opened; no
// message is reported. The static operations settle the configuration files and the product's
// well-known directories (data, installation and run). Main thread only, like the environment.
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_ENV_ENVMSWPREFERENCESC_H_
#define QLM_ENV_ENVMSWPREFERENCESC_H_

#include <cstdint>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_RegistryI.h"
#include "cmn/cmn_Result.h"
#include "env/EnvPreferencesC.h"

class StringMapC;

class EnvMSWPreferencesC : public EnvPreferencesC {
 public:
  // Hive selectors.
  static constexpr int s_AllUsers = 1;     // "HKLM", the machine
  static constexpr int s_CurrentUser = 0;  // "HKCU", the current user

  // The product's root key and the default root of the alternate locations.
  static constexpr const char* s_QuillmarshRoot = "Software\\Quillmarsh Corp\\Quillmarsh";
  static constexpr const char* s_DefaultAlternateHive =
      "Software\\Policies\\Quillmarsh Corp\\Quillmarsh";

  // The access mask with which keys are opened for reading.
  static constexpr uint32_t c_ReadAccess = 0x20019;

  // Section names. SectionPath() gives the key of each below the root key.
  static constexpr const char* s_Root = "Root";
  static constexpr const char* s_Common = "Common";
  static constexpr const char* s_CommonRules = "Rules";
  static constexpr const char* s_CommonDownloadSettings = "CommonDownloadSettings";
  static constexpr const char* s_CommonUploadSettings = "CommonUploadSettings";
  static constexpr const char* s_CommonRun = "CommonRun";
  static constexpr const char* s_CommonRunOnce = "CommonRunOnce";
  static constexpr const char* s_Relaunch = "Relaunch";
  static constexpr const char* s_ListeningAgent = "ListeningAgent";
  static constexpr const char* s_MasterService = "MasterService";
  static constexpr const char* s_InstallationAgent = "InstallationAgent";
  static constexpr const char* s_InventoryAgent = "InventoryAgent";
  static constexpr const char* s_UsageAgent = "UsageAgent";
  static constexpr const char* s_VDIEndpointAgent = "VDIEndpointAgent";
  static constexpr const char* s_SchedulingAgent = "SchedulingAgent";
  static constexpr const char* s_PolicyAgent = "PolicyAgent";
  static constexpr const char* s_PolicySDK = "PolicySDK";
  static constexpr const char* s_UploadingAgent = "UploadingAgent";
  static constexpr const char* s_SelectionAgent = "SelectionAgent";
  static constexpr const char* s_FailoverPlugin = "FailoverPlugin";
  static constexpr const char* s_DistributionAgent = "DistributionAgent";
  static constexpr const char* s_DistributionLocations = "DistributionLocations";
  static constexpr const char* s_WarehousePolicy = "WarehousePolicy";
  static constexpr const char* s_WarehousePolicyDistributor = "WarehousePolicyDistributor";
  static constexpr const char* s_WarehousePolicyMigrator = "WarehousePolicyMigrator";
  static constexpr const char* s_SecurityAgent = "SecurityAgent";
  static constexpr const char* s_SecurityService = "SecurityService";
  static constexpr const char* s_RemoteExecution = "RemoteExecution";
  static constexpr const char* s_PackageRetriever = "PackageRetriever";

  // Fallbacks of the well-known directories.
  static constexpr const char* c_DefaultDataDirectory = "/var/tmp/tolvane";
  static constexpr const char* c_DefaultInstallDirectory = "/opt/quillmarsh";
  static constexpr const char* c_DefaultRunDirectory = "/var/tmp/quillmarsh-run";

  // A view over `environment` (see EnvPreferencesC); the object is its own name resolver.
  explicit EnvMSWPreferencesC(env_EnvironmentI* environment = nullptr) noexcept;
  // Not copyable: the name resolver may point at the object itself.
  EnvMSWPreferencesC(const EnvMSWPreferencesC&) = delete;
  EnvMSWPreferencesC& operator=(const EnvMSWPreferencesC&) = delete;
  ~EnvMSWPreferencesC() override;

  // Opens `keyPath` for reading, LoadOpenKey, closes it. The open's failure code when
  // the key cannot be opened (nothing is set).
  [[nodiscard]] virtual RcT LoadKey(const StringC& keyPath, const StringC& separator);
  // Loads every value of the open key, in store order, with LoadOpenKeyValue and the
  // key the name resolver makes for its name. Names ending in "Fixed" (longer than 5
  // characters) or "Fxd" (longer than 3), ignoring case, are not loaded on their own: they
  // come with the value they protect. 0, or the failure to enumerate the key.
  [[nodiscard]] virtual RcT LoadOpenKey(cmn_RegHandleT key, const StringC& separator);
  // LoadKey of the section's main key, then of its alternate key. Always 0.
  [[nodiscard]] virtual RcT LoadSection(const char* section, int allUsers,
                                        const StringC& separator);
  // LoadValue with the key the name resolver makes for `name`.
  [[nodiscard]] virtual RcT LoadValue(const StringC& keyPath, const StringC& name,
                                      const StringC& separator);
  // LoadOpenKeyValue with the key the name resolver makes for `name`.
  [[nodiscard]] virtual RcT LoadOpenKeyValue(cmn_RegHandleT key, const StringC& name,
                                             const StringC& separator);
  // Opens `keyPath` for reading, LoadOpenKeyValue, closes it.
  [[nodiscard]] virtual RcT LoadValue(const StringC& keyPath, const env_EnvOptsC& opts,
                                      const StringC& separator);
  // Loads one value of an open key into the preference `opts` (sets without force,
  // so a fixed preference keeps its value):
  //   - a list of texts (MULTI_SZ): a list preference receives the texts (SetValues); a
  //     single one their join with `separator`;
  //   - anything else is read as text: with a non-empty separator a list preference receives
  //     the parts between separators; otherwise the text is set as it is;
  //   - then the companions "<name>Fxd" and "<name>Fixed" of the same key, when they can be
  //     read, are set as preferences of those names.
  // RC_FAIL when the value's type cannot be asked (nothing is set, companions included) or
  // the value cannot be read as text (the companions are still loaded).
  [[nodiscard]] virtual RcT LoadOpenKeyValue(cmn_RegHandleT key, const env_EnvOptsC& opts,
                                             const StringC& separator);
  // LoadValue from the section's main key, then from its alternate key. Always 0.
  [[nodiscard]] virtual RcT LoadSectionValue(const char* section, int allUsers,
                                             const env_EnvOptsC& opts, const StringC& separator);
  // LoadSectionValue as above, with the key the name resolver makes for `name`.
  [[nodiscard]] virtual RcT LoadSectionValue(const char* section, int allUsers, const StringC& name,
                                             const StringC& separator);
  // SaveValue with the key the name resolver makes for `name`.
  [[nodiscard]] virtual RcT SaveValue(const StringC& keyPath, const StringC& name,
                                      const StringC& separator);
  // SaveOpenKeyValue with the key the name resolver makes for `name`.
  [[nodiscard]] virtual RcT SaveOpenKeyValue(cmn_RegHandleT key, const StringC& name,
                                             const StringC& separator);
  // Creates or opens `keyPath` (creating the missing keys), SaveOpenKeyValue, closes.
  [[nodiscard]] virtual RcT SaveValue(const StringC& keyPath, const env_EnvOptsC& opts,
                                      const StringC& separator);
  // Writes the preference's expanded values, joined with `separator`, as a text
  // value named after it. The store leaves an unchanged value's file untouched. Blocks until
  // the write is durable.
  [[nodiscard]] virtual RcT SaveOpenKeyValue(cmn_RegHandleT key, const env_EnvOptsC& opts,
                                             const StringC& separator);

  // The object whose MakeOpts turns stored value names into keys (null: this object). Not
  // owned; must outlive this object's loads and saves.
  void SetNameResolver(EnvPreferencesC* resolver) noexcept;
  EnvPreferencesC* NameResolver() noexcept;

  // The key of `section` below the root key ("\Policy Client\CurrentVersion"); empty for
  // "Root" and for names not in the table (names compared ignoring case).
  static StringC SectionPath(const char* section);
  // "HKLM\" (allUsers) or "HKCU\", the root key, the section's key.
  static StringC SectionKey(const char* section, int allUsers);
  // "HKLM\" or "HKCU\", the alternate root, the section's key. The alternate root is the
  // expanded "MachineAlternateRegistryHive" (allUsers) or "UserAlternateRegistryHive" of the
  // current context's environment, or s_DefaultAlternateHive when that is empty.
  static StringC AlternateSectionKey(const char* section, int allUsers);
  // Splits a key path at its first backslash. False (and nothing set) when it has none; a
  // path that is only a hive name gives an empty key when `allowBare`.
  static bool SplitKeyPath(const StringC& keyPath, StringC* hive, StringC* key,
                           bool allowBare = false);

  // "CommonAppDataFolder" of the machine's root key, or "/var/tmp/tolvane" when there is no
  // store, the read fails or the text is empty. The first time a process sees a directory, it
  // checks it and its existing etc/, log/ and run/ under the safe-open rule and writes the
  // first refusal to standard error (every open below a refused directory fails anyway).
  static StringC DataDirectory();
  // "InstallDir" of the machine's root key, or "/opt/quillmarsh".
  static StringC InstallDirectory();
  // DataDirectory() + "/run". Root creates it (with its parents, mode 0755 whatever the umask)
  // when missing; when that fails for another reason than a refusal, the answer is root's own
  // c_DefaultRunDirectory, made and checked the same way. An ordinary user creates nothing. A
  // failed creation leaves no entry in the error buffer; a refusal leaves its message.
  static StringC RunDirectory();
  // `name` with every "/", blank and backslash replaced by "_", in RunDirectory().
  static StringC SemaphorePath(const StringC& name);

  // Sets the configuration store up; called once at start, before preferences are loaded:
  //   - EnvUnixC::s_ExecutionPath from QUILLMARSHEXECPATH;
  //   - when QUILLMARSHCONFIGINI names an existing regular file: that file is attached to
  //     HKLM "Software\Quillmarsh Corp"; QUILLMARSHINSTALLDIR, when set, becomes "InstallDir"
  //     and "ETCPInstallDir" of the root key and its "/lib" the cryptographic library
  //     directory; QUILLMARSHDATADIR, when set, becomes "CommonAppDataFolder". Returns 0.
  //   - otherwise /etc/quillmarsh.ini (or QUILLMARSHINI when it names an existing regular
  //     file) is attached there; "InstallDir", then "CommonAppDataFolder" and "ETCPVersion"
  //     are read; when both directories were read and the data directory is an absolute
  //     path, "<data>/etc/config.ini" is attached as well and the store is made to agree with
  //     what was read ("InstallDir", "ETCPInstallDir", "CommonAppDataFolder", "ETCPVersion" when
  //     not empty). A non-empty install directory's "/lib" becomes the cryptographic library
  //     directory. Returns the code of the last directory read.
  //   - in both cases the policy files are attached at the alternate (policy) keys: the
  //     machine's (QUILLMARSHPOLICYINI when it names an existing regular file, else
  //     /etc/quillmarsh-policy.ini) to HKLM "Software\Policies\Quillmarsh Corp", the user's
  //     ("$HOME/.config/quillmarsh/policy.ini", when the home is usable) to HKCU there.
  // Values are written only where the store reads a different text, so a set-up that changes
  // nothing leaves every file untouched; with `correct` false nothing is ever written (tools
  // that only read). RC_FAIL without a store. Blocks on file writes.
  [[nodiscard]] static RcT SetUpConfigurationStore(bool correct = true);

  // The configuration store: getConfiguration(1)->Registry(), asked anew at each call, or
  // the one a test installed. Null when the process has none.
  static cmn_RegistryI* Registry() noexcept;
  // Tests: from now on Registry() gives `registry` (null: the process has no store) ...
  static void SetRegistryForTest(cmn_RegistryI* registry) noexcept;
  // ... until this restores the process's store.
  static void ClearRegistryForTest() noexcept;

 private:
  static const StringMapC& SectionTable();

  EnvPreferencesC* name_resolver_ = nullptr;  // not owned; null: this object
};

#endif  // QLM_ENV_ENVMSWPREFERENCESC_H_
