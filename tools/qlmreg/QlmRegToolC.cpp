#include "tools/qlmreg/QlmRegToolC.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "base/StringC.h"
#include "cmn/cmn_ConfigStoreC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_IniDocumentC.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_StoreFile_posix.h"
#include "context/RKContextC.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/RklEnvParamI.h"
#include "env/env_EnvironmentC.h"
#include "env/env_OptFunctionI.h"
#include "policy/PlcPreferencesC.h"
#include "policy/VersionC.h"
#include "servers/LkiServerManagerC.h"

namespace {

constexpr const char* kConfigIniVariable = "QUILLMARSHCONFIGINI";
constexpr uint32_t kReadAccess = 0x20019;
constexpr uint32_t kWriteAccess = 0x20006;

const char kUsage[] =
    R"(NAME
    qlmreg - read and change the Quillmarsh configuration store

SYNOPSIS
    qlmreg [OPTIONS] list KEY
    qlmreg [OPTIONS] query KEY
    qlmreg [OPTIONS] get KEY NAME
    qlmreg [OPTIONS] set KEY NAME [-t TYPE] [--] VALUE...
    qlmreg [OPTIONS] delete KEY NAME
    qlmreg [OPTIONS] delete-key KEY
    qlmreg [OPTIONS] effective [-t Machine|User] [-o Name=Value]...
    qlmreg check [FILE...]
    qlmreg --version | -h | --help

DESCRIPTION
    qlmreg works on the configuration store of the agent, set up exactly as the
    policy client sets it up. Files, lowest precedence first:
      HKLM\Software\Quillmarsh Corp       /etc/quillmarsh.ini (or QUILLMARSHINI,
                                          or -c FILE), then the data directory's
                                          etc/config.ini
      HKLM\Software\Policies\Quillmarsh Corp
                                          /etc/quillmarsh-policy.ini (or
                                          QUILLMARSHPOLICYINI)
      HKCU                                ~/.config/quillmarsh/user.ini
      HKCU\Software\Policies\Quillmarsh Corp
                                          ~/.config/quillmarsh/policy.ini
    A value is read from the file of highest precedence that holds it. Every
    change is written to its file durably before qlmreg exits; a value that is
    already stored with the same data leaves the file untouched (not even
    locked). Reading commands never write.

COMMANDS
    list KEY             Print the names of KEY's direct subkeys, one per line.
    query KEY            Print KEY's values, one per line: name, type and data,
                         separated by tabs. The texts of a REG_MULTI_SZ value are
                         separated by \0; control characters are shown as \n, \r,
                         \t or \xHH. The unnamed value is shown as (Default).
    get KEY NAME         Print only the data of value NAME: a text as it is, a
                         DWORD in decimal, binary data as hexadecimal bytes, each
                         text of a REG_MULTI_SZ on its own line.
    set KEY NAME [-t TYPE] VALUE...
                         Create KEY when it is missing and store value NAME.
                         TYPE is SZ (the default), EXPAND_SZ, DWORD (decimal or
                         0x-hexadecimal, 0 to 4294967295), BINARY (hexadecimal
                         bytes such as "0a ff 00"; several VALUEs are joined) or
                         MULTI_SZ (one non-empty text per VALUE). SZ, EXPAND_SZ
                         and DWORD take exactly one VALUE. Use -- before a VALUE
                         that begins with -. Without a scope the value goes to
                         the file that already holds it, else to the file of
                         highest precedence for KEY. Prints the file written.
    delete KEY NAME      Delete value NAME of KEY (from every file holding it).
    delete-key KEY       Delete KEY with all its subkeys and values. A KEY that
                         holds a whole file (such as HKLM\Software) needs --force.
    effective [-t Machine|User] [-o Name=Value]...
                         Print every preference the policy client would use for
                         a run with that policy type and those -o options, after
                         its defaults, the stored settings in their order, the
                         command line and the "Fixed" locks: name, value, where
                         it comes from and "fixed" when the store locks it. The
                         policy client's own code computes it.
    check [FILE...]      Parse only: print every line that would be ignored with
                         its file, line number and reason; exit 1 when there is
                         any. Without FILE, every attached file is checked.

SCOPES (for set, delete and delete-key)
    --system     the machine file (/etc/quillmarsh.ini, QUILLMARSHINI or -c)
    --data       the data directory's etc/config.ini
    --user       ~/.config/quillmarsh/user.ini
    --policy     the policy file of KEY's root (machine or user)
    --file FILE  FILE, attached where the machine file is (HKLM) or at the root
                 (HKCU)

OPTIONS
    -c FILE        Use FILE as the machine configuration file for this run
                   (sets QUILLMARSHCONFIGINI). FILE must exist.
    --show-origin  get, query: print each value's FILE:LINE first, then a tab
                   ("memory" for a value kept in no file).
    --json         list, effective: print a JSON document instead.
    --force        delete-key: allow deleting a key that holds a whole file.
    --version      Print the version and exit.
    -h, --help     Print this text and exit.

KEYS
    KEY is a root key name, a backslash and the path below it, for example
    "HKLM\Software\Quillmarsh Corp\Quillmarsh\Policy Client\CurrentVersion".
    Root names: HKLM, HKCU, HKCR, HKU, HKCC or their long forms
    (HKEY_LOCAL_MACHINE, ...), in any case. Key and value names ignore case.
    Quote KEY in the shell: it contains backslashes and often blanks.

ENVIRONMENT
    QUILLMARSHCONFIGINI, QUILLMARSHINSTALLDIR, QUILLMARSHDATADIR, QUILLMARSHINI,
    QUILLMARSHPOLICYINI
                 Read when the store is set up, as by the policy client.
    HOME         Locates the current user's files.

EXIT STATUS
    0 on success, 1 on any failure or misuse, and for check when a line would
    be ignored; the reason is written to standard error, naming the file first.

EXAMPLES
    qlmreg --show-origin query 'HKLM\Software\Quillmarsh Corp\Quillmarsh'
    qlmreg get 'HKLM\Software\Quillmarsh Corp\Quillmarsh' InstallDir
    qlmreg --system set 'HKLM\Software\Quillmarsh Corp\Quillmarsh\Policy Client\CurrentVersion' \
        PolicyServerURL http://server.example.com/policies
    qlmreg --policy set 'HKLM\Software\Policies\Quillmarsh Corp\Quillmarsh\Common' \
        LogLevel 3
    qlmreg set 'HKCU\Software\Quillmarsh Corp\Quillmarsh\Common' Retries -t DWORD 5
    qlmreg effective -t Machine -o LogLevel=5
    qlmreg check /srv/cm/quillmarsh.ini
)";

// Sets QUILLMARSHCONFIGINI for the life of the object and restores its previous state.
class ConfigIniScopeC {
 public:
  explicit ConfigIniScopeC(const char* file) {
    if (file == nullptr) return;
    if (const char* old = std::getenv(kConfigIniVariable)) previous_ = old;
    ::setenv(kConfigIniVariable, file, 1);
    active_ = true;
  }
  ~ConfigIniScopeC() {
    if (!active_) return;
    if (previous_) {
      ::setenv(kConfigIniVariable, previous_->c_str(), 1);
    } else {
      ::unsetenv(kConfigIniVariable);
    }
  }
  ConfigIniScopeC(const ConfigIniScopeC&) = delete;
  ConfigIniScopeC& operator=(const ConfigIniScopeC&) = delete;

 private:
  bool active_ = false;
  std::optional<std::string> previous_;
};

struct KeyS {
  cmn_RegHandleT root = 0;
  std::string path;  // below the root, may be empty
  std::string text;  // as the user wrote it, for messages
};

class CommandC {
 public:
  CommandC(cmn_RegistryI& reg, std::ostream& out, std::ostream& err)
      : reg_(reg), out_(out), err_(err) {}

  int List(const KeyS& key, bool json);
  int Query(const KeyS& key, bool origin);
  int Get(const KeyS& key, const std::string& name, bool origin);
  int Set(const KeyS& key, const std::string& name, uint32_t type,
          const std::vector<std::string>& values);
  int Delete(const KeyS& key, const std::string& name);
  int DeleteKey(const KeyS& key, bool force);

  int Fail(const std::string& message) {
    err_ << "qlmreg: " << message << "\n";
    return 1;
  }
  // The store's own account of a failure names the file and the reason; it comes first.
  int StoreFailure(const std::string& what, uint32_t rc) {
    if (auto* store = dynamic_cast<cmn_ConfigStoreC*>(&reg_)) {
      bool said = false;
      for (const auto& d : store->TakeDiagnostics()) {
        if (d.severity < 4) {
          err_ << "qlmreg: warning: " << d.text << "\n";
          continue;
        }
        Fail(d.text);
        said = true;
      }
      if (said) return 1;
    }
    return Fail(what + ": " + QlmRegToolC::ErrorText(rc));
  }
  // "FILE:LINE" of a value, "memory" when it lives in no file.
  std::string OriginOf(const KeyS& key, const std::string& name);
  // Prints which file a successful write went to.
  void ReportWrite();

 private:
  // Opens an existing key; prints the failure.
  bool OpenKey(const KeyS& key, uint32_t access, cmn_RegHandleT* handle);
  // Whether changes below `key` reach a file (a change kept only in this process's memory
  // would be lost when the tool exits).
  bool IsKeptInFile(const KeyS& key);
  bool ReadValue(cmn_RegHandleT handle, const std::string& name, uint32_t* type, std::string* data,
                 uint32_t* rc);

  cmn_RegistryI& reg_;
  std::ostream& out_;
  std::ostream& err_;
};

// Text for a query line: control characters made visible.
std::string Visible(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned char>(c));
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out;
}

// A JSON string literal (UTF-8 passed through, control characters escaped).
std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
          out += buf;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
    if (i != 0) out += ' ';
    out += buf;
  }
  return out;
}

// Splits the wire form of a MULTI_SZ value into its texts.
std::vector<std::string> MultiTexts(std::string_view wire) {
  std::vector<std::string> texts;
  size_t start = 0;
  while (start < wire.size()) {
    const size_t end = wire.find('\0', start);
    if (end == std::string_view::npos) {
      texts.emplace_back(wire.substr(start));
      break;
    }
    if (end == start) break;  // the final terminator
    texts.emplace_back(wire.substr(start, end - start));
    start = end + 1;
  }
  return texts;
}

std::string SingleText(std::string_view wire) {
  const size_t end = wire.find('\0');
  return std::string(end == std::string_view::npos ? wire : wire.substr(0, end));
}

uint32_t DwordOf(std::string_view wire) {
  uint32_t v = 0;
  if (wire.size() >= sizeof v) std::memcpy(&v, wire.data(), sizeof v);
  return v;
}

bool CommandC::OpenKey(const KeyS& key, uint32_t access, cmn_RegHandleT* handle) {
  const uint32_t rc = reg_.Open(key.root, key.path, access, handle);
  if (rc == RC_OK) return true;
  if (rc == cmn_kRegNoSuchKey) {
    Fail("key '" + key.text + "' not found");
  } else {
    StoreFailure("cannot open key '" + key.text + "'", rc);
  }
  return false;
}

bool CommandC::IsKeptInFile(const KeyS& key) {
  auto* store = dynamic_cast<cmn_ConfigStoreC*>(&reg_);
  if (store == nullptr) return true;  // another store keeps its own values
  const std::string path = cmn_IniDocumentC::Fold(cmn_IniDocumentC::NormalisePath(key.path));
  for (const auto& a : store->Attachments()) {
    const std::string at = cmn_IniDocumentC::Fold(a.key);
    if (a.root != key.root) continue;
    if (at.empty() || path == at ||
        (path.size() > at.size() && path.compare(0, at.size(), at) == 0 &&
         path[at.size()] == '\\')) {
      return true;
    }
  }
  return false;
}

bool CommandC::ReadValue(cmn_RegHandleT handle, const std::string& name, uint32_t* type,
                         std::string* data, uint32_t* rc) {
  size_t size = 0;
  *rc = reg_.QueryValue(handle, name, nullptr, &size, type);
  if (*rc != RC_OK) return false;
  data->assign(size, '\0');
  *rc = reg_.QueryValue(handle, name, data->data(), &size, type);
  if (*rc != RC_OK) return false;
  data->resize(size);
  return true;
}

std::string CommandC::OriginOf(const KeyS& key, const std::string& name) {
  auto* store = dynamic_cast<cmn_ConfigStoreC*>(&reg_);
  std::string file;
  size_t line = 0;
  if (store == nullptr || !store->Origin(key.root, key.path, name, &file, &line)) return "?";
  return file.empty() ? "memory" : file + ":" + std::to_string(line);
}

void CommandC::ReportWrite() {
  auto* store = dynamic_cast<cmn_ConfigStoreC*>(&reg_);
  if (store == nullptr) return;
  std::string file;
  bool changed = false;
  store->LastWrite(&file, &changed);
  if (file.empty()) return;
  out_ << (changed ? "wrote " : "unchanged ") << file << "\n";
}

int CommandC::List(const KeyS& key, bool json) {
  cmn_RegHandleT h = 0;
  if (!OpenKey(key, kReadAccess, &h)) return 1;
  std::string name;
  std::vector<std::string> names;
  for (uint32_t i = 0; reg_.EnumerateSubkeys(h, i, &name) == RC_OK; ++i) names.push_back(name);
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg_.Close(h);
  if (json) {
    out_ << "[";
    for (size_t i = 0; i < names.size(); ++i) out_ << (i ? ", " : "") << JsonString(names[i]);
    out_ << "]\n";
  } else {
    for (const auto& n : names) out_ << n << "\n";
  }
  return 0;
}

int CommandC::Query(const KeyS& key, bool origin) {
  cmn_RegHandleT h = 0;
  if (!OpenKey(key, kReadAccess, &h)) return 1;
  std::vector<std::string> names;
  std::string name;
  for (uint32_t i = 0; reg_.EnumerateValues(h, i, &name) == RC_OK; ++i) names.push_back(name);
  int status = 0;
  for (const auto& n : names) {
    uint32_t type = 0, rc = 0;
    std::string wire;
    if (!ReadValue(h, n, &type, &wire, &rc)) {
      status = StoreFailure("cannot read value '" + n + "'", rc);
      continue;
    }
    std::string data;
    switch (type) {
      case cmn_kRegSz:
      case cmn_kRegExpandSz:
        data = Visible(SingleText(wire));
        break;
      case cmn_kRegDword:
        data = std::to_string(DwordOf(wire));
        break;
      case cmn_kRegMultiSz: {
        const auto texts = MultiTexts(wire);
        for (size_t i = 0; i < texts.size(); ++i) {
          if (i != 0) data += "\\0";
          data += Visible(texts[i]);
        }
        break;
      }
      default:
        data = HexBytes(wire);
    }
    if (origin) out_ << OriginOf(key, n) << "\t";
    out_ << (n.empty() ? "(Default)" : n) << "\t" << QlmRegToolC::TypeName(type) << "\t" << data
         << "\n";
  }
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg_.Close(h);
  return status;
}

int CommandC::Get(const KeyS& key, const std::string& name, bool origin) {
  cmn_RegHandleT h = 0;
  if (!OpenKey(key, kReadAccess, &h)) return 1;
  uint32_t type = 0, rc = 0;
  std::string wire;
  const bool ok = ReadValue(h, name, &type, &wire, &rc);
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg_.Close(h);
  if (!ok) {
    if (rc == cmn_kRegNoSuchValue)
      return Fail("value '" + name + "' not found in '" + key.text + "'");
    return StoreFailure("cannot read value '" + name + "'", rc);
  }
  if (origin) out_ << OriginOf(key, name) << "\t";
  switch (type) {
    case cmn_kRegSz:
    case cmn_kRegExpandSz:
      out_ << SingleText(wire) << "\n";
      break;
    case cmn_kRegDword:
      out_ << DwordOf(wire) << "\n";
      break;
    case cmn_kRegMultiSz:
      for (const auto& t : MultiTexts(wire)) out_ << t << "\n";
      break;
    default:
      out_ << HexBytes(wire) << "\n";
  }
  return 0;
}

int CommandC::Set(const KeyS& key, const std::string& name, uint32_t type,
                  const std::vector<std::string>& values) {
  cmn_RegValueS value;
  value.type = type;
  switch (type) {
    case cmn_kRegSz:
    case cmn_kRegExpandSz:
      value.texts.push_back(values.front());
      break;
    case cmn_kRegDword:
      if (!QlmRegToolC::ParseDword(values.front(), &value.dword)) {
        return Fail("'" + values.front() +
                    "' is not a DWORD (0 to 4294967295, or 0x0 to 0xffffffff)");
      }
      break;
    case cmn_kRegBinary: {
      std::string joined;
      for (const auto& v : values) joined += v + " ";
      if (!QlmRegToolC::ParseBinary(joined, &value.bytes)) {
        return Fail("'" + joined.substr(0, joined.size() - 1) +
                    "' is not a list of hexadecimal bytes (e.g. \"0a ff 00\")");
      }
      break;
    }
    case cmn_kRegMultiSz:
      for (const auto& v : values) {
        if (v.empty()) return Fail("a REG_MULTI_SZ value cannot hold an empty text");
        value.texts.push_back(v);
      }
      break;
    default:
      return Fail("unsupported type");
  }
  // Everything is checked before the store is touched, so a refused command changes no byte.
  if (!cmn_IniDocumentC::CanWrite(key.path, name, value)) {
    return Fail("'" + name + "' cannot be stored under '" + key.text +
                "': a name must not be empty, start or end with a blank, start with [ ; or #, "
                "or hold = { } or control characters, and a key path must not hold [ or ]");
  }
  if (!IsKeptInFile(key)) {
    return Fail("'" + key.text +
                "' is not kept in any configuration file, so the change would be lost when "
                "qlmreg exits (files are attached to HKLM\\Software\\Quillmarsh Corp, "
                "HKLM\\Software\\Policies\\Quillmarsh Corp and, with a usable home directory, to "
                "HKCU)");
  }
  cmn_RegHandleT h = 0;
  uint32_t rc = reg_.Create(key.root, key.path, &h);
  if (rc != RC_OK) return StoreFailure("cannot create key '" + key.text + "'", rc);
  const std::string wire = value.ToWire();
  rc = reg_.WriteValue(h, name, type, wire.data(), wire.size());
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg_.Close(h);
  if (rc != RC_OK) return StoreFailure("cannot write value '" + name + "'", rc);
  ReportWrite();
  return 0;
}

int CommandC::Delete(const KeyS& key, const std::string& name) {
  cmn_RegHandleT h = 0;
  if (!OpenKey(key, kWriteAccess, &h)) return 1;
  const uint32_t rc = reg_.DeleteValue(h, name);
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg_.Close(h);
  if (rc == cmn_kRegNoSuchValue)
    return Fail("value '" + name + "' not found in '" + key.text + "'");
  if (rc != RC_OK) return StoreFailure("cannot delete value '" + name + "'", rc);
  ReportWrite();
  return 0;
}

int CommandC::DeleteKey(const KeyS& key, bool force) {
  const std::string path = cmn_IniDocumentC::NormalisePath(key.path);
  if (path.empty()) {
    return Fail("'" + key.text + "' is a root key; root keys cannot be deleted");
  }
  if (auto* store = dynamic_cast<cmn_ConfigStoreC*>(&reg_); store != nullptr && !force) {
    // A key at or above an attachment point would take a whole file with it.
    const std::string folded = cmn_IniDocumentC::Fold(path);
    std::string held;
    for (const auto& a : store->Attachments()) {
      const std::string at = cmn_IniDocumentC::Fold(a.key);
      if (a.root != key.root || at.size() < folded.size() ||
          at.compare(0, folded.size(), folded) != 0 ||
          (at.size() > folded.size() && at[folded.size()] != '\\')) {
        continue;
      }
      held += (held.empty() ? "'" : ", '") + a.file + "'";
    }
    if (!held.empty()) {
      return Fail("'" + key.text + "' holds the whole of " + held +
                  "; deleting it would empty them (use --force to do so)");
    }
  }
  const uint32_t rc = reg_.DeleteKey(key.root, key.path, true);
  if (rc == cmn_kRegNoSuchKey) return Fail("key '" + key.text + "' not found");
  if (rc != RC_OK) return StoreFailure("cannot delete key '" + key.text + "'", rc);
  return 0;
}

// check: parses each file; one line per ignored line. Exit 1 when any, or a file is unreadable.
int Check(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
  int status = 0;
  for (const std::string& file : files) {
    std::string content;
    cmn_FileStampS stamp;
    const RcT rc = cmn_ReadStoreFile(file, &content, &stamp);
    if (rc != RC_OK) {
      err << "qlmreg: cannot read '" << file << "': "
          << (rc == cmn_kPathRefused ? "refused as unsafe"
                                     : std::strerror(static_cast<int>(rc & 0xFFFF)))
          << "\n";
      status = 1;
      continue;
    }
    if (!stamp.exists) {
      err << "qlmreg: cannot read '" << file << "': " << std::strerror(ENOENT) << "\n";
      status = 1;
      continue;
    }
    cmn_IniDocumentC doc;
    doc.Parse(content);
    for (const auto& bad : doc.BadLines()) {
      out << file << ":" << bad.line_number << ": " << bad.reason << ": " << Visible(bad.text)
          << "\n";
      status = 1;
    }
  }
  return status;
}

// One preference as the policy client would use it.
struct EffectiveS {
  std::string name, value, source;
  bool fixed = false;
};

class CollectNamesC final : public env_OptFunctionI {
 public:
  bool Apply(const StringC& name, RklEnvParamI&) override {
    names.push_back(name);
    return true;
  }
  std::vector<StringC> names;
};

// effective: the policy client's own loading (PlcPreferencesC::Load) over a fresh environment,
// then each preference with the place its value comes from.
int Effective(cmn_RegistryI& reg, const std::string& type, const std::vector<std::string>& options,
              bool json, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args = {"qlmpolicy"};
  if (!type.empty()) args.insert(args.end(), {"-t", type});
  for (const auto& o : options) args.insert(args.end(), {"-o", o});
  std::vector<const char*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);

  env_EnvironmentC environment;
  RKContextC::Current()->SetEnvironment(&environment);
  // Loading must not rewrite the bootstrap download locations as a run does.
  PlcSetBootstrapServersHook(nullptr);
  std::vector<EffectiveS> rows;
  int status = 0;
  {
    PlcPreferencesC preferences;
    if (preferences.Load(static_cast<int>(args.size()), argv.data()) != 0) {
      err << "qlmreg: the policy client would refuse these options\n";
      status = 1;
    } else {
      CollectNamesC names;
      if (env_EnvironmentI* used = preferences.Environment()) used->ForEach(names);
      // The stored sections in the order the policy client loads them (later wins).
      std::vector<std::pair<cmn_RegHandleT, std::string>> keys;
      for (int hive : {EnvMSWPreferencesC::s_AllUsers, EnvMSWPreferencesC::s_CurrentUser}) {
        for (const char* section :
             {EnvMSWPreferencesC::s_Common, EnvMSWPreferencesC::s_PolicyAgent}) {
          for (const StringC& k : {EnvMSWPreferencesC::SectionKey(section, hive),
                                   EnvMSWPreferencesC::AlternateSectionKey(section, hive)}) {
            StringC h, path;
            if (EnvMSWPreferencesC::SplitKeyPath(k, &h, &path)) {
              keys.emplace_back(reg.RootByName(h.ToUtf8()), path.ToUtf8());
            }
          }
        }
      }
      auto* store = dynamic_cast<cmn_ConfigStoreC*>(&reg);
      for (const StringC& n : names.names) {
        EffectiveS row;
        row.name = n.ToUtf8();
        row.value = preferences.GetValue(n, false).ToUtf8();
        row.fixed = preferences.IsFixed(env_EnvOptsC(n));
        std::string stored;
        for (const auto& [root, path] : keys) {
          std::string file;
          size_t line = 0;
          if (store != nullptr && store->Origin(root, path, row.name, &file, &line)) {
            stored = file.empty() ? "memory" : file + ":" + std::to_string(line);
          }
        }
        bool given = false;
        for (const auto& o : options) {
          const std::string on = o.substr(0, o.find('='));
          given = given || cmn_IniDocumentC::Fold(on) == cmn_IniDocumentC::Fold(row.name);
        }
        if (!type.empty() && cmn_IniDocumentC::Fold(row.name) == "policytype") given = true;
        if (given && !(row.fixed && !stored.empty())) {
          row.source = "command line";
        } else if (!stored.empty()) {
          row.source = stored;
        } else {
          row.source = "built-in default";
        }
        rows.push_back(std::move(row));
      }
    }
  }
  PlcSetBootstrapServersHook(&LkiSetBootstrapServersHook);
  RKContextC::Current()->SetEnvironment(nullptr);
  if (status != 0) return status;
  if (json) {
    out << "[\n";
    for (size_t i = 0; i < rows.size(); ++i) {
      out << "  {\"name\": " << JsonString(rows[i].name)
          << ", \"value\": " << JsonString(rows[i].value)
          << ", \"source\": " << JsonString(rows[i].source)
          << ", \"fixed\": " << (rows[i].fixed ? "true" : "false") << "}"
          << (i + 1 < rows.size() ? "," : "") << "\n";
    }
    out << "]\n";
  } else {
    for (const auto& r : rows) {
      out << r.name << "\t" << Visible(r.value) << "\t" << r.source << (r.fixed ? "\tfixed" : "")
          << "\n";
    }
  }
  return 0;
}

// The store's warnings and errors collected during the run, for standard error: the store's
// own list (each names its file and line), then anything else in the error buffer.
void PrintStoreMessages(std::ostream& err) {
  if (auto* store = dynamic_cast<cmn_ConfigStoreC*>(EnvMSWPreferencesC::Registry())) {
    for (const auto& d : store->TakeDiagnostics()) {
      err << "qlmreg: " << (d.severity == 3 ? "warning: " : "") << d.text << "\n";
    }
  }
  cmn_ErrBufI* errors = getErrBuf();
  if (errors == nullptr) return;
  for (size_t i = 0; i < errors->Count(); ++i) {
    const cmn_ErrEntryI* e = errors->Entry(i);
    if (e == nullptr || e->Severity() < 3) continue;
    if (e->MessageNumber() == cmn_kRegBadLine || e->MessageNumber() == cmn_kRegWriteFailed)
      continue;
    err << "qlmreg: " << (e->Severity() == 3 ? "warning: " : "") << e->Text() << "\n";
  }
  errors->Clear();
}

int Misuse(std::ostream& err, const std::string& message) {
  err << "qlmreg: " << message << "\n\n" << kUsage;
  return 1;
}

}  // namespace

const char* QlmRegToolC::UsageText() noexcept {
  return kUsage;
}

bool QlmRegToolC::ParseDword(std::string_view text, uint32_t* value) {
  if (text.empty()) return false;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t v = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    if (v > 0xFFFFFFFFull) return false;
  }
  *value = static_cast<uint32_t>(v);
  return true;
}

bool QlmRegToolC::ParseBinary(std::string_view text, std::string* bytes) {
  std::string out;
  int high = -1;
  for (const char c : text) {
    int nibble;
    if (c >= '0' && c <= '9') {
      nibble = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      nibble = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      nibble = c - 'A' + 10;
    } else if (c == ' ' || c == '\t' || c == ':') {
      if (high >= 0) return false;  // a separator inside a byte
      continue;
    } else {
      return false;
    }
    if (high < 0) {
      high = nibble;
    } else {
      out.push_back(static_cast<char>(high << 4 | nibble));
      high = -1;
    }
  }
  if (high >= 0) return false;
  *bytes = std::move(out);
  return true;
}

std::string QlmRegToolC::TypeName(uint32_t type) {
  switch (type) {
    case cmn_kRegSz:
      return "REG_SZ";
    case cmn_kRegExpandSz:
      return "REG_EXPAND_SZ";
    case cmn_kRegBinary:
      return "REG_BINARY";
    case cmn_kRegDword:
      return "REG_DWORD";
    case cmn_kRegMultiSz:
      return "REG_MULTI_SZ";
    default: {
      char buf[24];
      std::snprintf(buf, sizeof buf, "REG_0x%x", type);
      return buf;
    }
  }
}

uint32_t QlmRegToolC::TypeFromName(std::string_view name) {
  std::string n = cmn_IniDocumentC::Fold(name);
  if (n.rfind("reg_", 0) == 0) n.erase(0, 4);
  if (n == "sz") return cmn_kRegSz;
  if (n == "expand_sz") return cmn_kRegExpandSz;
  if (n == "dword") return cmn_kRegDword;
  if (n == "binary") return cmn_kRegBinary;
  if (n == "multi_sz") return cmn_kRegMultiSz;
  return 0;
}

std::string QlmRegToolC::ErrorText(uint32_t rc) {
  switch (rc) {
    case RC_FAIL:
      return "the process has no configuration store";
    case cmn_kRegNoSuchKey:
      return "no such key";
    case cmn_kRegNoSuchValue:
      return "no such value";
    case cmn_kRegBadHandle:
      return "invalid key handle";
    case cmn_kRegBadArgument:
      return "invalid name or argument";
    case cmn_kRegWrongType:
      return "the value has another type";
    case cmn_kRegWriteFailed:
      return "the configuration file could not be written (check its permissions and that its "
             "directory exists)";
    case cmn_kRegKeyNotEmpty:
      return "the key is not empty";
    case cmn_kRegAccessDenied:
      return "access denied";
    case cmn_kRegFileRefused:
      return "the configuration file is refused as unsafe";
    default: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "error 0x%08X", rc);
      return buf;
    }
  }
}

int QlmRegToolC::Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] != nullptr ? argv[i] : "");

  // Global options, before the command.
  const char* configFile = nullptr;
  std::string scope, scopeFile;
  bool showOrigin = false, json = false, force = false;
  size_t at = 0;
  auto isHelp = [](const std::string& a) { return a == "-h" || a == "--help"; };
  while (at < args.size() && !args[at].empty() && args[at][0] == '-') {
    const std::string& a = args[at];
    if (isHelp(a)) {
      out << kUsage;
      return 0;
    }
    if (a == "--version") {
      char* version = VersionC::Get(VersionC::c_Version);
      out << "qlmreg " << (version != nullptr ? version : "") << "\n";
      VersionC::Free(version);
      return 0;
    }
    if (a == "-c" || a == "--file") {
      if (at + 1 >= args.size()) return Misuse(err, "option " + a + " needs a FILE");
      if (a == "-c") {
        configFile = args[at + 1].c_str();
      } else {
        if (!scope.empty()) return Misuse(err, "give at most one scope");
        scope = a;
        scopeFile = args[at + 1];
      }
      at += 2;
      continue;
    }
    if (a == "--system" || a == "--data" || a == "--user" || a == "--policy") {
      if (!scope.empty()) return Misuse(err, "give at most one scope");
      scope = a;
    } else if (a == "--show-origin") {
      showOrigin = true;
    } else if (a == "--json") {
      json = true;
    } else if (a == "--force") {
      force = true;
    } else {
      return Misuse(err, "unknown option '" + a + "'");
    }
    ++at;
  }
  if (at >= args.size()) return Misuse(err, "no command given");
  const std::string command = args[at++];
  std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(at), args.end());

  // Check the command line completely before touching the store.
  size_t wantArgs = 0;
  const bool writes = command == "set" || command == "delete" || command == "delete-key";
  if (command == "list" || command == "query" || command == "delete-key") {
    wantArgs = 1;
  } else if (command == "get" || command == "delete") {
    wantArgs = 2;
  } else if (command != "set" && command != "check" && command != "effective") {
    return Misuse(err, "unknown command '" + command + "'");
  }
  if (!scope.empty() && !writes)
    return Misuse(err, scope + " applies to set, delete and delete-key");
  if (showOrigin && command != "get" && command != "query") {
    return Misuse(err, "--show-origin applies to get and query");
  }
  if (json && command != "list" && command != "effective") {
    return Misuse(err, "--json applies to list and effective");
  }
  // Help asked for after the command (but not as a value after "--").
  for (const auto& a : rest) {
    if (a == "--") break;
    if (isHelp(a)) {
      out << kUsage;
      return 0;
    }
  }
  uint32_t type = cmn_kRegSz;
  std::vector<std::string> values;
  std::string policyType;
  if (command == "check") {
    if (!rest.empty()) return Check(rest, out, err);
  } else if (command == "effective") {
    for (size_t i = 0; i < rest.size(); i += 2) {
      if ((rest[i] != "-t" && rest[i] != "-o") || i + 1 >= rest.size()) {
        return Misuse(err, "effective takes -t Machine|User and -o Name=Value");
      }
      if (rest[i] == "-t") {
        policyType = rest[i + 1];
      } else {
        values.push_back(rest[i + 1]);
      }
    }
  } else if (command == "set") {
    if (rest.size() < 2) return Misuse(err, "set needs KEY, NAME and a VALUE");
    size_t i = 2;
    bool typeGiven = false;
    while (i < rest.size() && rest[i].size() > 1 && rest[i][0] == '-') {
      if (rest[i] == "--") {
        ++i;
        break;
      }
      if (rest[i] != "-t" || typeGiven) return Misuse(err, "unexpected option '" + rest[i] + "'");
      if (i + 1 >= rest.size()) return Misuse(err, "option -t needs a TYPE");
      type = TypeFromName(rest[i + 1]);
      if (type == 0) return Misuse(err, "unknown value type '" + rest[i + 1] + "'");
      typeGiven = true;
      i += 2;
    }
    values.assign(rest.begin() + static_cast<std::ptrdiff_t>(i), rest.end());
    if (values.empty()) return Misuse(err, "set needs KEY, NAME and a VALUE");
    if (values.size() > 1 && type != cmn_kRegMultiSz && type != cmn_kRegBinary) {
      return Misuse(err, TypeName(type) + " takes exactly one VALUE (quote a text with blanks)");
    }
    rest.resize(2);
  } else if (rest.size() != wantArgs) {
    return Misuse(err, command + " needs " + (wantArgs == 1 ? "KEY" : "KEY and NAME"));
  }

  if (configFile != nullptr) {
    struct stat st;
    if (::stat(configFile, &st) != 0 || !S_ISREG(st.st_mode)) {
      err << "qlmreg: configuration file '" << configFile
          << "' does not exist or is not a regular file\n";
      return 1;
    }
  }
  ConfigIniScopeC configScope(configFile);

  if (cmn_ErrBufI* errors = getErrBuf()) errors->Clear();
  cmn_RegistryI* reg = EnvMSWPreferencesC::Registry();
  if (reg == nullptr) {
    err << "qlmreg: " << ErrorText(RC_FAIL) << "\n";
    return 1;
  }
  // The store is set up as for the policy client; a missing machine file is not an error
  // here. Only a command that writes lets the set-up correct the directories it finds.
  (void)EnvMSWPreferencesC::SetUpConfigurationStore(writes);
  auto* store = dynamic_cast<cmn_ConfigStoreC*>(reg);
  // Reading commands never write, whatever the code they run would store.
  struct ReadOnlyScopeS {
    cmn_ConfigStoreC* store;
    ~ReadOnlyScopeS() {
      if (store != nullptr) store->SetReadOnly(false);
    }
  } readOnly{writes ? nullptr : store};
  if (readOnly.store != nullptr) readOnly.store->SetReadOnly(true);

  if (command == "check") {
    std::vector<std::string> files;
    if (store != nullptr) {
      for (const auto& a : store->Attachments()) {
        struct stat st;
        if (::stat(a.file.c_str(), &st) == 0) files.push_back(a.file);
      }
    }
    if (store != nullptr) (void)store->TakeDiagnostics();  // check reports them itself
    if (cmn_ErrBufI* errors = getErrBuf()) errors->Clear();
    return Check(files, out, err);
  }
  if (command == "effective") {
    const int status = Effective(*reg, policyType, values, json, out, err);
    PrintStoreMessages(err);
    return status;
  }

  KeyS key;
  key.text = rest[0];
  {
    const size_t slash = key.text.find('\\');
    const std::string rootName = key.text.substr(0, slash);
    key.root = reg->RootByName(rootName);
    if (key.root == 0) {
      PrintStoreMessages(err);
      return Misuse(
          err,
          "'" + rootName + "' is not a root key (HKLM, HKCU, HKCR, HKU, HKCC or their long names)");
    }
    if (slash != std::string::npos) key.path = key.text.substr(slash + 1);
  }

  if (!scope.empty()) {
    // The scope names a file; it must be attached where KEY lives.
    std::string target;
    if (store == nullptr) return Misuse(err, scope + " needs the file-backed store");
    const auto attachments = store->Attachments();
    auto find = [&](auto pred) {
      for (auto it = attachments.rbegin(); it != attachments.rend(); ++it) {
        if (pred(*it)) return it->file;
      }
      return std::string();
    };
    const std::string policyParent = "software\\policies\\quillmarsh corp";
    auto isPolicy = [&](const cmn_ConfigStoreC::AttachmentS& a) {
      return cmn_IniDocumentC::Fold(a.key) == policyParent;
    };
    if (scope == "--system" || scope == "--data") {
      std::vector<std::string> machine;
      for (const auto& a : attachments) {
        if (a.root == cmn_kHKLM && !isPolicy(a)) machine.push_back(a.file);
      }
      if (scope == "--system" && !machine.empty()) target = machine.front();
      if (scope == "--data" && machine.size() > 1) target = machine.back();
    } else if (scope == "--user") {
      target = find([&](const auto& a) { return a.root == cmn_kHKCU && a.key.empty(); });
    } else if (scope == "--policy") {
      target = find([&](const auto& a) { return a.root == key.root && isPolicy(a); });
    } else {
      // --file: attached where the key's root keeps its ordinary file.
      std::string point = key.root == cmn_kHKLM ? "Software\\Quillmarsh Corp" : "";
      for (const auto& a : attachments) {
        if (a.root == key.root && !isPolicy(a)) point = a.key;
      }
      if (reg->AttachFile(scopeFile, key.root == cmn_kHKLM ? "HKLM" : "HKCU", point) == RC_OK) {
        target = scopeFile;
      }
    }
    if (target.empty() || !store->SetWriteTarget(target)) {
      PrintStoreMessages(err);
      err << "qlmreg: " << scope << ": no such file is attached for '" << key.text << "'\n";
      return 1;
    }
    std::string relative;
    bool covered = false;
    for (const auto& a : store->Attachments()) {
      if (a.file != target || a.root != key.root) continue;
      const std::string k = cmn_IniDocumentC::Fold(a.key);
      const std::string p = cmn_IniDocumentC::Fold(cmn_IniDocumentC::NormalisePath(key.path));
      covered = covered || k.empty() || p == k ||
                (p.size() > k.size() && p.compare(0, k.size(), k) == 0 && p[k.size()] == '\\');
    }
    if (!covered) {
      err << "qlmreg: '" << key.text << "' is not kept in '" << target << "' (" << scope << ")\n";
      return 1;
    }
  }

  CommandC run(*reg, out, err);
  int status = 1;
  if (command == "list") {
    status = run.List(key, json);
  } else if (command == "query") {
    status = run.Query(key, showOrigin);
  } else if (command == "get") {
    status = run.Get(key, rest[1], showOrigin);
  } else if (command == "set") {
    status = run.Set(key, rest[1], type, values);
  } else if (command == "delete") {
    status = run.Delete(key, rest[1]);
  } else {
    status = run.DeleteKey(key, force);
  }
  // Clears the target; cannot fail for an empty name.
  if (store != nullptr) (void)store->SetWriteTarget("");
  PrintStoreMessages(err);
  return status;
}
