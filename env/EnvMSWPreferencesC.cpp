#include "env/EnvMSWPreferencesC.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "base/StringMapC.h"
#include "base/TextUtil.h"
#include "cmn/cmn_Check.h"
#include "cmn/cmn_ConfigStoreC.h"
#include "cmn/cmn_ConfigurationI.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_OpenSSLI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "env/EnvUnixC.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "os/FileNameC.h"
#include "os/FlnFileServiceC.h"

namespace {

// The test's store while one is installed.
std::atomic<bool> g_registryOverridden{false};
std::atomic<cmn_RegistryI*> g_registryOverride{nullptr};

StringC Ascii(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}

// A process environment variable, or empty when unset. Read as the system's 8-bit text.
StringC EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? StringC(value, StringC::CC_SYS8) : StringC();
}

bool IsRegularFile(const StringC& path) {
  if (path.IsEmpty()) return false;
  struct stat st;
  return ::stat(path.ToUtf8().c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

StringC Join(const StringArrayC& parts, const StringC& separator) {
  StringC out;
  for (uint64_t i = 0; i < parts.Count(); ++i) {
    if (i != 0) out.Append(separator);
    out.Append(parts[i]);
  }
  return out;
}

// `text` cut at every occurrence of `separator` (not empty); empty parts are kept.
StringArrayC Split(const StringC& text, const StringC& separator) {
  StringArrayC parts;
  const int64_t step = separator.Length();
  int64_t start = 0;
  for (;;) {
    const int64_t at = text.Find(separator, start);
    if (at < 0) break;
    parts.Append(text.Substring(start, at - start));
    start = at + step;
  }
  parts.Append(text.Substring(start));
  return parts;
}

// A store file the safe-open rule refused is left out; its reason (the refusal's own message)
// goes to standard error, as no log exists yet.
void ReportRefusals(const cmn_ErrMarkC& mark) {
  const size_t count = mark.NewCount();
  for (size_t i = 0; i < count; ++i) {
    const cmn_ErrEntryI* entry = mark.NewEntry(i);
    if (entry == nullptr || entry->MessageNumber() != cmn_kPathRefused) continue;
    std::string line(entry->Text());
    line += '\n';
    // Best effort: standard error is the last place to say it.
    (void)!::write(2, line.data(), line.size());
  }
}

StringArrayC ToArray(const std::vector<std::string>& texts) {
  StringArrayC out;
  for (const auto& t : texts) out.Append(StringC::FromUtf8(t));
  return out;
}

// Opens `keyPath` in `reg` with `access`; the store's code on failure.
[[nodiscard]] RcT OpenKeyPath(cmn_RegistryI& reg, const StringC& keyPath, bool create,
                              cmn_RegHandleT* key) {
  StringC hive, path;
  if (!EnvMSWPreferencesC::SplitKeyPath(keyPath, &hive, &path, true)) return cmn_kRegBadArgument;
  const cmn_RegHandleT root = reg.RootByName(hive.ToUtf8());
  if (root == 0) return cmn_kRegBadArgument;
  return create ? reg.Create(root, path.ToUtf8(), key)
                : reg.Open(root, path.ToUtf8(), EnvMSWPreferencesC::c_ReadAccess, key);
}

// Reads `name` of the machine's root key; false when there is no store, the read fails or
// the text is empty.
bool ReadRootText(const char* name, StringC* text) {
  cmn_RegistryI* reg = EnvMSWPreferencesC::Registry();
  if (reg == nullptr) return false;
  std::string value;
  if (reg->ReadText(reg->RootByName("HKLM"), EnvMSWPreferencesC::s_QuillmarshRoot, name, &value) !=
          RC_OK ||
      value.empty()) {
    return false;
  }
  *text = StringC::FromUtf8(value);
  return true;
}

// Attaches the policy files at the alternate keys (see SetUpConfigurationStore). The alternate
// key is where "MachineAlternateRegistryHive" points by default; a site that moves it reads
// its policy values from wherever it moved them, and this file is not consulted there.
void AttachPolicyFiles(cmn_RegistryI& reg) {
  std::string parent = EnvMSWPreferencesC::s_DefaultAlternateHive;
  parent = parent.substr(0, parent.rfind('\\'));  // "Software\Policies\Quillmarsh Corp"
  std::string machine = "/etc/quillmarsh-policy.ini";
  if (const char* env = std::getenv("QUILLMARSHPOLICYINI"); env != nullptr && env[0] == '/') {
    struct stat st;
    if (::stat(env, &st) == 0 && S_ISREG(st.st_mode)) machine = env;
  }
  uint32_t rc = reg.AttachFile(machine, "HKLM", parent);
  TraceV(TrcRegKey, "EnvMSWPreferencesC::SetUpConfigurationStore(): attached \"%s\": 0x%08x",
         machine.c_str(), rc);
  std::string user = cmn_ConfigStoreC::UserFileFromHome();
  if (user.empty()) return;
  user = user.substr(0, user.rfind('/')) + "/policy.ini";
  rc = reg.AttachFile(user, "HKCU", parent);
  TraceV(TrcRegKey, "EnvMSWPreferencesC::SetUpConfigurationStore(): attached \"%s\": 0x%08x",
         user.c_str(), rc);
}

// Writes `text` as `name` under root/key unless the store already reads that text there.
void WriteIfDifferentTo(cmn_RegistryI& reg, cmn_RegHandleT root, const std::string& key,
                        const char* name, const StringC& text) {
  std::string current;
  const std::string wanted = text.ToUtf8();
  if (reg.ReadText(root, key, name, &current) == RC_OK && current == wanted) return;
  const uint32_t rc = reg.WriteText(root, key, name, wanted);
  TraceV(TrcRegValSet, "EnvMSWPreferencesC::SetUpConfigurationStore(): %s = \"%S\": 0x%08x", name,
         &text, rc);
}

void SetCryptoLibraryDirectory(const StringC& installDirectory) {
  cmn_OpenSSLI* ssl = getOpenSSL(2);
  if (ssl == nullptr) return;
  const std::string lib = installDirectory.ToUtf8() + "/lib";
  (void)ssl->SetLibraryDirectory(lib.c_str());  // records the directory; cannot fail here
}

}  // namespace

EnvMSWPreferencesC::EnvMSWPreferencesC(env_EnvironmentI* environment) noexcept
    : EnvPreferencesC(environment) {}

EnvMSWPreferencesC::~EnvMSWPreferencesC() = default;

void EnvMSWPreferencesC::SetNameResolver(EnvPreferencesC* resolver) noexcept {
  name_resolver_ = resolver;
}

EnvPreferencesC* EnvMSWPreferencesC::NameResolver() noexcept {
  return name_resolver_ != nullptr ? name_resolver_ : this;
}

cmn_RegistryI* EnvMSWPreferencesC::Registry() noexcept {
  if (g_registryOverridden.load(std::memory_order_acquire)) {
    return g_registryOverride.load(std::memory_order_acquire);
  }
  cmn_ConfigurationI* configuration = getConfiguration(1);
  return configuration != nullptr ? configuration->Registry() : nullptr;
}

void EnvMSWPreferencesC::SetRegistryForTest(cmn_RegistryI* registry) noexcept {
  g_registryOverride.store(registry, std::memory_order_release);
  g_registryOverridden.store(true, std::memory_order_release);
}

void EnvMSWPreferencesC::ClearRegistryForTest() noexcept {
  g_registryOverridden.store(false, std::memory_order_release);
  g_registryOverride.store(nullptr, std::memory_order_release);
}

// ---- Loading

RcT EnvMSWPreferencesC::LoadKey(const StringC& keyPath, const StringC& separator) {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RC_FAIL;
  cmn_RegHandleT key = 0;
  if (const RcT rc = OpenKeyPath(*reg, keyPath, false, &key); rc != RC_OK) {
    TraceV(TrcRegKeyOpen, "EnvMSWPreferencesC::LoadKey(\"%S\"): not opened: 0x%08x", &keyPath, rc);
    return rc;
  }
  const RcT rc = LoadOpenKey(key, separator);
  (void)reg->Close(key);  // a handle this call opened; closing it cannot fail usefully
  return rc;
}

RcT EnvMSWPreferencesC::LoadOpenKey(cmn_RegHandleT key, const StringC& separator) {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RC_FAIL;
  cmn_RegHandleT enumeration = 0;
  if (const RcT rc = reg->OpenForEnumeration(key, {}, &enumeration); rc != RC_OK) return rc;
  std::vector<std::string> names;
  std::string name;
  for (uint32_t index = 0; reg->EnumerateValues(enumeration, index, &name) == RC_OK; ++index) {
    names.push_back(name);
  }
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg->CloseEnumeration(enumeration);
  EnvPreferencesC* resolver = NameResolver();
  for (const auto& n : names) {
    const StringC valueName = StringC::FromUtf8(n);
    if (HasSuffix(valueName, "Fixed") || HasSuffix(valueName, "Fxd")) continue;
    (void)LoadOpenKeyValue(key, resolver->MakeOpts(valueName), separator);  // per value
  }
  return RC_OK;
}

RcT EnvMSWPreferencesC::LoadSection(const char* section, int allUsers, const StringC& separator) {
  (void)LoadKey(SectionKey(section, allUsers), separator);  // a missing key loads nothing
  (void)LoadKey(AlternateSectionKey(section, allUsers), separator);
  return RC_OK;
}

RcT EnvMSWPreferencesC::LoadValue(const StringC& keyPath, const StringC& name,
                                  const StringC& separator) {
  return LoadValue(keyPath, NameResolver()->MakeOpts(name), separator);
}

RcT EnvMSWPreferencesC::LoadOpenKeyValue(cmn_RegHandleT key, const StringC& name,
                                         const StringC& separator) {
  return LoadOpenKeyValue(key, NameResolver()->MakeOpts(name), separator);
}

RcT EnvMSWPreferencesC::LoadValue(const StringC& keyPath, const env_EnvOptsC& opts,
                                  const StringC& separator) {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RC_FAIL;
  cmn_RegHandleT key = 0;
  if (const RcT rc = OpenKeyPath(*reg, keyPath, false, &key); rc != RC_OK) return rc;
  const RcT rc = LoadOpenKeyValue(key, opts, separator);
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg->Close(key);
  return rc;
}

RcT EnvMSWPreferencesC::LoadOpenKeyValue(cmn_RegHandleT key, const env_EnvOptsC& opts,
                                         const StringC& separator) {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RC_FAIL;
  const StringC name = opts.GetName();
  const std::string valueName = name.ToUtf8();
  uint32_t type = 0;
  if (reg->QueryValue(key, valueName, nullptr, nullptr, &type) != RC_OK) return RC_FAIL;

  const bool list = opts.HasOption(env_EnvOptsC::values_multi);
  RcT result = RC_OK;
  bool loaded = false;
  if (type == cmn_kRegMultiSz) {
    std::vector<std::string> texts;
    if (reg->ReadTextList(key, valueName, &texts) == RC_OK) {
      const StringArrayC values = ToArray(texts);
      if (list) {
        SetValues(opts, &values, false);
      } else {
        SetValue(opts, Join(values, separator), false);
      }
      loaded = true;
    }
  }
  if (!loaded) {
    std::string text;
    if (reg->ReadText(key, {}, valueName, &text) != RC_OK) {
      result = RC_FAIL;
    } else if (!separator.IsEmpty() && list) {
      const StringArrayC parts = Split(StringC::FromUtf8(text), separator);
      SetValues(opts, &parts, false);
    } else {
      SetValue(opts, StringC::FromUtf8(text), false);
    }
  }
  TraceV(TrcRegValGet, "EnvMSWPreferencesC::LoadOpenKeyValue(\"%S\"): type %u: 0x%08x", &name, type,
         result);
  // The companions that mark the value fixed come from the same key.
  for (const char* suffix : {"Fxd", "Fixed"}) {
    const std::string companion = valueName + suffix;
    std::string text;
    if (reg->ReadText(key, {}, companion, &text) == RC_OK) {
      SetValue(StringC::FromUtf8(companion), StringC::FromUtf8(text), false);
    }
  }
  return result;
}

RcT EnvMSWPreferencesC::LoadSectionValue(const char* section, int allUsers,
                                         const env_EnvOptsC& opts, const StringC& separator) {
  // A key or value the store does not hold loads nothing; the defaults stay.
  (void)LoadValue(SectionKey(section, allUsers), opts, separator);
  (void)LoadValue(AlternateSectionKey(section, allUsers), opts, separator);
  return RC_OK;
}

RcT EnvMSWPreferencesC::LoadSectionValue(const char* section, int allUsers, const StringC& name,
                                         const StringC& separator) {
  return LoadSectionValue(section, allUsers, NameResolver()->MakeOpts(name), separator);
}

// ---- Saving

RcT EnvMSWPreferencesC::SaveValue(const StringC& keyPath, const StringC& name,
                                  const StringC& separator) {
  return SaveValue(keyPath, NameResolver()->MakeOpts(name), separator);
}

RcT EnvMSWPreferencesC::SaveOpenKeyValue(cmn_RegHandleT key, const StringC& name,
                                         const StringC& separator) {
  return SaveOpenKeyValue(key, NameResolver()->MakeOpts(name), separator);
}

RcT EnvMSWPreferencesC::SaveValue(const StringC& keyPath, const env_EnvOptsC& opts,
                                  const StringC& separator) {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RC_FAIL;
  cmn_RegHandleT key = 0;
  if (const RcT rc = OpenKeyPath(*reg, keyPath, true, &key); rc != RC_OK) return rc;
  const RcT rc = SaveOpenKeyValue(key, opts, separator);
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg->Close(key);
  return rc;
}

RcT EnvMSWPreferencesC::SaveOpenKeyValue(cmn_RegHandleT key, const env_EnvOptsC& opts,
                                         const StringC& separator) {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RC_FAIL;
  const std::unique_ptr<StringArrayC> values = GetValues(opts, true);
  const StringC text = Join(*values, separator);
  const StringC name = opts.GetName();
  const RcT rc = reg->WriteText(key, {}, name.ToUtf8(), text.ToUtf8());
  TraceV(TrcRegValSet, "EnvMSWPreferencesC::SaveOpenKeyValue(\"%S\", \"%S\"): 0x%08x", &name, &text,
         rc);
  return rc;
}

// ---- Sections and key paths

const StringMapC& EnvMSWPreferencesC::SectionTable() {
  // Filled once per process under the guard; destroyed at exit.
  static StringMapC table(true);
  static std::once_flag filled;
  std::call_once(filled, [] {
    static constexpr const char* kSections[][2] = {
        {s_Root, ""},
        {s_Common, "\\Common"},
        {s_CommonRules, "\\Common\\Rules"},
        {s_CommonDownloadSettings, "\\Common\\DownloadSettings"},
        {s_CommonUploadSettings, "\\Common\\UploadSettings"},
        {s_CommonRun, "\\Common\\Run"},
        {s_CommonRunOnce, "\\Common\\RunOnce"},
        {s_Relaunch, "\\Relaunch\\CurrentVersion"},
        {s_ListeningAgent, "\\Listening Agent\\CurrentVersion"},
        {s_MasterService, "\\Master Service\\CurrentVersion"},
        {s_InstallationAgent, "\\Launcher\\CurrentVersion"},
        {s_InventoryAgent, "\\Tracker\\CurrentVersion"},
        {s_UsageAgent, "\\Usage Agent\\CurrentVersion"},
        {s_VDIEndpointAgent, "\\VDI Endpoint Agent\\CurrentVersion"},
        {s_SchedulingAgent, "\\Schedule Agent\\CurrentVersion"},
        {s_PolicyAgent, "\\Policy Client\\CurrentVersion"},
        {s_PolicySDK, "\\Policy SDK\\CurrentVersion"},
        {s_UploadingAgent, "\\Uploader\\CurrentVersion"},
        {s_SelectionAgent, "\\Selector\\CurrentVersion"},
        {s_FailoverPlugin, "\\NetSelector\\CurrentVersion"},
        {s_DistributionAgent, "\\Replication Agent\\CurrentVersion"},
        {s_DistributionLocations, "\\DeploymentLocations\\CurrentVersion"},
        {s_WarehousePolicy, "\\Policy\\CurrentVersion"},
        {s_WarehousePolicyDistributor, "\\Policy Distributor\\CurrentVersion"},
        {s_WarehousePolicyMigrator, "\\Policy Migrator\\CurrentVersion"},
        {s_SecurityAgent, "\\Security Agent\\CurrentVersion"},
        {s_SecurityService, "\\Security Service\\CurrentVersion"},
        {s_RemoteExecution, "\\RemoteExecution\\CurrentVersion"},
        {s_PackageRetriever, "\\PackageRetriever\\CurrentVersion"},
    };
    for (const auto& s : kSections) table.Set(Ascii(s[0]), Ascii(s[1]));
  });
  return table;
}

StringC EnvMSWPreferencesC::SectionPath(const char* section) {
  if (section == nullptr) return StringC();
  return SectionTable().Get(StringC(section, StringC::CC_UTF8));
}

StringC EnvMSWPreferencesC::SectionKey(const char* section, int allUsers) {
  return Ascii(allUsers != s_CurrentUser ? "HKLM\\" : "HKCU\\") + Ascii(s_QuillmarshRoot) +
         SectionPath(section);
}

StringC EnvMSWPreferencesC::AlternateSectionKey(const char* section, int allUsers) {
  const bool machine = allUsers != s_CurrentUser;
  EnvPreferencesC fresh;
  StringC root = fresh.GetValue(
      Ascii(machine ? "MachineAlternateRegistryHive" : "UserAlternateRegistryHive"), true);
  if (root.IsEmpty()) root = Ascii(s_DefaultAlternateHive);
  return Ascii(machine ? "HKLM\\" : "HKCU\\") + root + SectionPath(section);
}

bool EnvMSWPreferencesC::SplitKeyPath(const StringC& keyPath, StringC* hive, StringC* key,
                                      bool allowBare) {
  const int64_t at = keyPath.FindChar(U'\\');
  if (at < 0) {
    if (!allowBare || keyPath.IsEmpty()) return false;
    *hive = keyPath;
    *key = StringC();
    return true;
  }
  *hive = keyPath.Substring(0, at);
  *key = keyPath.Substring(at + 1);
  return true;
}

// ---- Well-known directories

StringC EnvMSWPreferencesC::DataDirectory() {
  StringC text;
  const StringC data =
      ReadRootText("CommonAppDataFolder", &text) ? text : Ascii(c_DefaultDataDirectory);
  // Once per process and directory: a data directory (or its etc/, log/, run/) that another
  // user can change is refused by every open below it; say so once where it is seen, also when
  // no log can be written there.
  static cmn_MutexC checkedLock;
  static std::vector<std::string> checked QLM_GUARDED_BY(checkedLock);
  const std::string bytes = data.ToUtf8();
  {
    cmn_MutexLockC guard(checkedLock);
    for (const std::string& done : checked) {
      if (done == bytes) return data;
    }
    checked.push_back(bytes);
  }
  if (bytes.empty() || bytes.front() != '/') return data;
  for (const char* sub : {"", "/etc", "/log", "/run"}) {
    const std::string path = bytes + sub;
    cmn_ErrMarkC mark;
    cmn_UniqueFdC dir;
    // Only a directory that is there is reported; a missing one (ENOENT, or refused above it)
    // is left for whoever creates it.
    struct stat st;
    if (cmn_SafeOpenDirectory(path, &dir) != cmn_kPathRefused || ::lstat(path.c_str(), &st) != 0) {
      mark.Rollback();
      continue;
    }
    if (std::string line = mark.LastText(); !line.empty()) {
      line += '\n';
      // Best effort: standard error is the last place to say it.
      (void)!::write(2, line.data(), line.size());
    }
    break;
  }
  return data;
}

StringC EnvMSWPreferencesC::InstallDirectory() {
  StringC text;
  return ReadRootText("InstallDir", &text) ? text : Ascii(c_DefaultInstallDirectory);
}

StringC EnvMSWPreferencesC::RunDirectory() {
  const StringC run = DataDirectory() + Ascii("/run");
  // Only root creates the data and run directories (0755 whatever the umask): one an ordinary
  // user made would belong to that user, and root's runs would refuse it.
  if (::geteuid() != 0) return run;
  cmn_ErrMarkC mark;
  const RcT rc = cmn_SafeMakeDirectories(run.ToUtf8(), 0755, nullptr);
  // A refused run directory stays the answer: the lock file's open below it reports why.
  if (rc == RC_OK || rc == cmn_kPathRefused) {
    if (rc == RC_OK) mark.Rollback();
    return run;
  }
  // The fallback is the answer to a failure, so the failure is not left behind. It is a
  // directory of root's own, never the bare shared /var/tmp, and it is checked like any other.
  mark.Rollback();
  TraceV(TrcRegKey, "EnvMSWPreferencesC::RunDirectory(): cannot create \"%S\"", &run);
  if (cmn_SafeMakeDirectories(c_DefaultRunDirectory, 0755, nullptr) == RC_OK) mark.Rollback();
  return Ascii(c_DefaultRunDirectory);
}

StringC EnvMSWPreferencesC::SemaphorePath(const StringC& name) {
  const StringC flat = TranslateChars(name, Ascii("/ \\"), Ascii("___"), true);
  return RunDirectory() + Ascii("/") + flat;
}

// ---- Start-up

RcT EnvMSWPreferencesC::SetUpConfigurationStore(bool correct) {
  QLM_DCHECK_MAIN_THREAD();
  // HKLM\Software\Quillmarsh Corp\Quillmarsh: the hive, the root key and its parent, to
  // which the configuration files are attached.
  const StringC rootPath = SectionKey(s_Root, s_AllUsers);
  StringC hive, key;
  (void)SplitKeyPath(rootPath, &hive, &key);  // always has a backslash
  const StringC parent = key.Substring(0, key.FindCharBackwards(U'\\'));
  const std::string hiveName = hive.ToUtf8();
  const std::string rootKey = key.ToUtf8();
  const std::string parentKey = parent.ToUtf8();

  EnvUnixC::s_ExecutionPath = EnvironmentVariable("QUILLMARSHEXECPATH");

  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) {
    Trace(TrcRegKey, "EnvMSWPreferencesC::SetUpConfigurationStore(): no configuration store");
    return RC_FAIL;
  }
  const cmn_RegHandleT root = reg->RootByName(hiveName);
  AttachPolicyFiles(*reg);
  // A tool that only reads gets no corrections written.
  // The corrections are optional: an ordinary user's run cannot write the machine's files.
  auto* store = dynamic_cast<cmn_ConfigStoreC*>(reg);
  auto WriteIfDifferent = [correct, store](cmn_RegistryI& r, cmn_RegHandleT h, const std::string& k,
                                           const char* n, const StringC& t) {
    if (!correct) return;
    if (store != nullptr) store->SetWritesOptional(true);
    WriteIfDifferentTo(r, h, k, n, t);
    if (store != nullptr) store->SetWritesOptional(false);
  };

  const StringC configIni = EnvironmentVariable("QUILLMARSHCONFIGINI");
  const cmn_ErrMarkC mark;
  if (IsRegularFile(configIni)) {
    const uint32_t rc = reg->AttachFile(configIni.ToUtf8(), hiveName, parentKey);
    ReportRefusals(mark);
    TraceV(TrcRegKey, "EnvMSWPreferencesC::SetUpConfigurationStore(): attached \"%S\": 0x%08x",
           &configIni, rc);
    const StringC installDir = EnvironmentVariable("QUILLMARSHINSTALLDIR");
    if (!installDir.IsEmpty()) {
      WriteIfDifferent(*reg, root, rootKey, "InstallDir", installDir);
      WriteIfDifferent(*reg, root, rootKey, "ETCPInstallDir", installDir);
      SetCryptoLibraryDirectory(installDir);
    }
    const StringC dataDir = EnvironmentVariable("QUILLMARSHDATADIR");
    if (!dataDir.IsEmpty()) WriteIfDifferent(*reg, root, rootKey, "CommonAppDataFolder", dataDir);
    return RC_OK;
  }

  StringC installIni = Ascii(EnvUnixC::s_InstallIni);
  if (const StringC other = EnvironmentVariable("QUILLMARSHINI"); IsRegularFile(other)) {
    installIni = other;
  }
  const uint32_t attached = reg->AttachFile(installIni.ToUtf8(), hiveName, parentKey);
  ReportRefusals(mark);
  TraceV(TrcRegKey, "EnvMSWPreferencesC::SetUpConfigurationStore(): attached \"%S\": 0x%08x",
         &installIni, attached);

  std::string installDir, dataDir, version;
  RcT rc = reg->ReadText(root, rootKey, "InstallDir", &installDir);
  if (rc == RC_OK) rc = reg->ReadText(root, rootKey, "CommonAppDataFolder", &dataDir);
  if (reg->ReadText(root, rootKey, "ETCPVersion", &version) != RC_OK) version.clear();

  // An empty or relative data directory would put the data directory's file at
  // "/etc/config.ini" or below the working directory, and every later write with it.
  if (rc == RC_OK && !dataDir.empty() && dataDir.front() == '/') {
    const StringC dataIni =
        StringC::FromUtf8(dataDir) + StringC(EnvUnixC::s_CommonAppDataIni, StringC::CC_ASCII);
    const cmn_ErrMarkC dataMark;
    const uint32_t rcData = reg->AttachFile(dataIni.ToUtf8(), hiveName, parentKey);
    ReportRefusals(dataMark);
    TraceV(TrcRegKey, "EnvMSWPreferencesC::SetUpConfigurationStore(): attached \"%S\": 0x%08x",
           &dataIni, rcData);
    const StringC install = StringC::FromUtf8(installDir);
    WriteIfDifferent(*reg, root, rootKey, "InstallDir", install);
    WriteIfDifferent(*reg, root, rootKey, "ETCPInstallDir", install);
    WriteIfDifferent(*reg, root, rootKey, "CommonAppDataFolder", StringC::FromUtf8(dataDir));
    if (!version.empty()) {
      WriteIfDifferent(*reg, root, rootKey, "ETCPVersion", StringC::FromUtf8(version));
    }
  }
  if (!installDir.empty()) SetCryptoLibraryDirectory(StringC::FromUtf8(installDir));
  return rc;
}
