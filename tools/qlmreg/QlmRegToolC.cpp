#include "tools/qlmreg/QlmRegToolC.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "base/StringC.h"
#include "cmn/cmn_ConfigStoreC.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_IniDocumentC.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_Services.h"
#include "env/EnvMSWPreferencesC.h"

namespace {

constexpr const char* kConfigIniVariable = "QUILLMARSHCONFIGINI";
constexpr uint32_t kReadAccess = 0x20019;
constexpr uint32_t kWriteAccess = 0x20006;

const char kUsage[] =
    R"(NAME
    qlmreg - read and change the Quillmarsh configuration store

SYNOPSIS
    qlmreg [-c FILE] list KEY
    qlmreg [-c FILE] query KEY
    qlmreg [-c FILE] get KEY NAME
    qlmreg [-c FILE] set KEY NAME [-t TYPE] [--] VALUE...
    qlmreg [-c FILE] delete KEY NAME
    qlmreg [-c FILE] delete-key KEY
    qlmreg -h | --help

DESCRIPTION
    qlmreg works on the configuration store of the agent, set up exactly as the
    policy client sets it up: the machine configuration file (/etc/quillmarsh.ini,
    or the file named by QUILLMARSHCONFIGINI or QUILLMARSHINI) and the data
    directory's etc/config.ini are attached to HKLM\Software\Quillmarsh Corp, and
    HKCU is kept in ~/.config/quillmarsh/user.ini. Every change is written to its
    file durably before qlmreg exits; a value that is already stored with the
    same data leaves the file untouched.

COMMANDS
    list KEY             Print the names of KEY's direct subkeys, one per line.
    query KEY            Print KEY's values, one per line: name, type and data,
                         separated by tabs. The texts of a REG_MULTI_SZ value are
                         separated by \0; control characters are shown as \n, \r,
                         \t or \xHH. The unnamed value is shown as (Default).
    get KEY NAME         Print the data of value NAME: a text as it is, a DWORD in
                         decimal, binary data as hexadecimal bytes, each text of a
                         REG_MULTI_SZ on its own line.
    set KEY NAME [-t TYPE] VALUE...
                         Create KEY when it is missing and store value NAME.
                         TYPE is SZ (the default), EXPAND_SZ, DWORD (decimal or
                         0x-hexadecimal, 0 to 4294967295), BINARY (hexadecimal
                         bytes such as "0a ff 00"; several VALUEs are joined) or
                         MULTI_SZ (one text per VALUE). SZ, EXPAND_SZ and DWORD take
                         exactly one VALUE. Use -- before a VALUE that begins with -.
                         Only keys kept in a file can be set: HKLM keys below
                         Software\Quillmarsh Corp, and HKCU when the home
                         directory is usable.
    delete KEY NAME      Delete value NAME of KEY.
    delete-key KEY       Delete KEY with all its subkeys and values.

KEYS
    KEY is a root key name, a backslash and the path below it, for example
    "HKLM\Software\Quillmarsh Corp\Quillmarsh\Policy Client\CurrentVersion".
    Root names: HKLM, HKCU, HKCR, HKU, HKCC or their long forms
    (HKEY_LOCAL_MACHINE, ...), in any case. Key and value names ignore case.
    Quote KEY in the shell: it contains backslashes and often blanks.

OPTIONS
    -c FILE      Use FILE as the machine configuration file for this run (sets
                 QUILLMARSHCONFIGINI). FILE must exist.
    -h, --help   Print this text and exit.

ENVIRONMENT
    QUILLMARSHCONFIGINI, QUILLMARSHINSTALLDIR, QUILLMARSHDATADIR, QUILLMARSHINI
                 Read when the store is set up, as by the policy client.
    HOME         Locates the current user's file for HKCU.

EXIT STATUS
    0 on success, 1 on any failure or misuse; the reason is written to standard
    error.

EXAMPLES
    qlmreg query 'HKLM\Software\Quillmarsh Corp\Quillmarsh'
    qlmreg get 'HKLM\Software\Quillmarsh Corp\Quillmarsh' InstallDir
    qlmreg set 'HKLM\Software\Quillmarsh Corp\Quillmarsh\Policy Client\CurrentVersion' \
        PolicyServerURL http://server.example.com/policies
    qlmreg set 'HKCU\Software\Quillmarsh Corp\Quillmarsh\Common' Retries -t DWORD 5
    qlmreg -c /tmp/test.ini delete-key 'HKLM\Software\Quillmarsh Corp\Quillmarsh\Common\Run'
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

  int List(const KeyS& key);
  int Query(const KeyS& key);
  int Get(const KeyS& key, const std::string& name);
  int Set(const KeyS& key, const std::string& name, uint32_t type,
          const std::vector<std::string>& values);
  int Delete(const KeyS& key, const std::string& name);
  int DeleteKey(const KeyS& key);

  int Fail(const std::string& message) {
    err_ << "qlmreg: " << message << "\n";
    return 1;
  }
  int StoreFailure(const std::string& what, uint32_t rc) {
    return Fail(what + ": " + QlmRegToolC::ErrorText(rc));
  }

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
  if (store->AttachedFiles(key.root).empty()) return false;
  if (key.root != cmn_kHKLM) return key.root == cmn_kHKCU;
  // The machine's files are attached to the parent of the product's root key.
  const StringC rootKey = StringC(EnvMSWPreferencesC::s_QuillmarshRoot, StringC::CC_ASCII);
  const std::string parent = cmn_IniDocumentC::NormalisePath(
      rootKey.Substring(0, rootKey.FindCharBackwards(U'\\')).ToUtf8());
  const std::string path = cmn_IniDocumentC::NormalisePath(key.path);
  if (path.size() < parent.size()) return false;
  if (cmn_IniDocumentC::Fold(path.substr(0, parent.size())) != cmn_IniDocumentC::Fold(parent)) {
    return false;
  }
  return path.size() == parent.size() || path[parent.size()] == '\\';
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

int CommandC::List(const KeyS& key) {
  cmn_RegHandleT h = 0;
  if (!OpenKey(key, kReadAccess, &h)) return 1;
  std::string name;
  for (uint32_t i = 0; reg_.EnumerateSubkeys(h, i, &name) == RC_OK; ++i) out_ << name << "\n";
  (void)reg_.Close(h);
  return 0;
}

int CommandC::Query(const KeyS& key) {
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
    out_ << (n.empty() ? "(Default)" : n) << "\t" << QlmRegToolC::TypeName(type) << "\t" << data
         << "\n";
  }
  (void)reg_.Close(h);
  return status;
}

int CommandC::Get(const KeyS& key, const std::string& name) {
  cmn_RegHandleT h = 0;
  if (!OpenKey(key, kReadAccess, &h)) return 1;
  uint32_t type = 0, rc = 0;
  std::string wire;
  const bool ok = ReadValue(h, name, &type, &wire, &rc);
  (void)reg_.Close(h);
  if (!ok) {
    if (rc == cmn_kRegNoSuchValue)
      return Fail("value '" + name + "' not found in '" + key.text + "'");
    return StoreFailure("cannot read value '" + name + "'", rc);
  }
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
  if (!IsKeptInFile(key)) {
    return Fail("'" + key.text +
                "' is not kept in any configuration file, so the change would be lost when "
                "qlmreg exits (files are attached to HKLM\\Software\\Quillmarsh Corp and, with a "
                "usable home directory, to HKCU)");
  }
  cmn_RegHandleT h = 0;
  uint32_t rc = reg_.Create(key.root, key.path, &h);
  if (rc != RC_OK) return StoreFailure("cannot create key '" + key.text + "'", rc);
  const std::string wire = value.ToWire();
  rc = reg_.WriteValue(h, name, type, wire.data(), wire.size());
  (void)reg_.Close(h);
  if (rc != RC_OK) return StoreFailure("cannot write value '" + name + "'", rc);
  return 0;
}

int CommandC::Delete(const KeyS& key, const std::string& name) {
  cmn_RegHandleT h = 0;
  if (!OpenKey(key, kWriteAccess, &h)) return 1;
  const uint32_t rc = reg_.DeleteValue(h, name);
  (void)reg_.Close(h);
  if (rc == cmn_kRegNoSuchValue)
    return Fail("value '" + name + "' not found in '" + key.text + "'");
  if (rc != RC_OK) return StoreFailure("cannot delete value '" + name + "'", rc);
  return 0;
}

int CommandC::DeleteKey(const KeyS& key) {
  if (cmn_IniDocumentC::NormalisePath(key.path).empty()) {
    return Fail("'" + key.text + "' is a root key; root keys cannot be deleted");
  }
  const uint32_t rc = reg_.DeleteKey(key.root, key.path, true);
  if (rc == cmn_kRegNoSuchKey) return Fail("key '" + key.text + "' not found");
  if (rc != RC_OK) return StoreFailure("cannot delete key '" + key.text + "'", rc);
  return 0;
}

// The store's warnings and errors collected during the run, for standard error.
void PrintStoreMessages(std::ostream& err) {
  cmn_ErrBufI* errors = getErrBuf();
  if (errors == nullptr) return;
  for (size_t i = 0; i < errors->Count(); ++i) {
    const cmn_ErrEntryI* e = errors->Entry(i);
    if (e == nullptr || e->Severity() < 3) continue;
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
  size_t at = 0;
  auto isHelp = [](const std::string& a) { return a == "-h" || a == "--help"; };
  while (at < args.size() && !args[at].empty() && args[at][0] == '-') {
    if (isHelp(args[at])) {
      out << kUsage;
      return 0;
    }
    if (args[at] == "-c") {
      if (at + 1 >= args.size()) return Misuse(err, "option -c needs a FILE");
      configFile = args[at + 1].c_str();
      at += 2;
    } else {
      return Misuse(err, "unknown option '" + args[at] + "'");
    }
  }
  if (at >= args.size()) return Misuse(err, "no command given");
  const std::string command = args[at++];
  std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(at), args.end());

  // Check the command line completely before touching the store.
  size_t wantArgs = 0;
  if (command == "list" || command == "query" || command == "delete-key") {
    wantArgs = 1;
  } else if (command == "get" || command == "delete") {
    wantArgs = 2;
  } else if (command != "set") {
    return Misuse(err, "unknown command '" + command + "'");
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
  if (command == "set") {
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
  ConfigIniScopeC scope(configFile);

  if (cmn_ErrBufI* errors = getErrBuf()) errors->Clear();
  cmn_RegistryI* reg = EnvMSWPreferencesC::Registry();
  if (reg == nullptr) {
    err << "qlmreg: " << ErrorText(RC_FAIL) << "\n";
    return 1;
  }
  // The store is set up as for the policy client; a missing machine file is not an error here.
  (void)EnvMSWPreferencesC::SetUpConfigurationStore();

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

  CommandC run(*reg, out, err);
  int status = 1;
  if (command == "list") {
    status = run.List(key);
  } else if (command == "query") {
    status = run.Query(key);
  } else if (command == "get") {
    status = run.Get(key, rest[1]);
  } else if (command == "set") {
    status = run.Set(key, rest[1], type, values);
  } else if (command == "delete") {
    status = run.Delete(key, rest[1]);
  } else {
    status = run.DeleteKey(key);
  }
  PrintStoreMessages(err);
  return status;
}
