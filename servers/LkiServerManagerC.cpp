#include "servers/LkiServerManagerC.h"

#include <string>
#include <utility>
#include <vector>

#include "base/ArgListC.h"
#include "base/StringArrayC.h"
#include "cmn/cmn_Check.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_Services.h"
#include "env/EnvMSWPreferencesC.h"
#include "env/env_EnvironmentC.h"
#include "env/env_ExpandValue.h"
#include "log/ErrMessages.h"
#include "net/UrlC.h"
#include "registry/RegKeyC.h"
#include "security/RKEncryptionC.h"
#include "servers/LkiServerErrors.h"
#include "servers/LkiServerLocationC.h"
#include "servers/LkiServerResolutionC.h"
#include "servers/LkiServerStore.h"

LkiServerManagerC* LkiServerManagerC::s_DownloadManager = nullptr;
LkiServerManagerC* LkiServerManagerC::s_UploadManager = nullptr;

namespace {

constexpr const char* kServerLocationVar = "ServerLocation";
constexpr const char* kServerLocationRef = "$(ServerLocation)";

unsigned char Fold(char c) noexcept {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u + 32) : u;
}

bool EqualNoCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

bool StartsNoCase(std::string_view text, std::string_view prefix) noexcept {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool ContainsNoCase(std::string_view text, std::string_view part) noexcept {
  if (part.size() > text.size()) return false;
  for (size_t i = 0; i + part.size() <= text.size(); ++i) {
    if (EqualNoCase(text.substr(i, part.size()), part)) return true;
  }
  return false;
}

bool IsBootstrapName(std::string_view name) noexcept {
  return StartsNoCase(name, LkiServerManagerC::c_BootstrapPrefix);
}

StringC Utf8(std::string_view text) {
  return StringC::FromUtf8(text);
}

[[nodiscard]] RcT Report(uint32_t number, const char* text, const StringC& name) {
  ArgListC args;
  args.AddString(name);
  return ErrReport(number, text, args);
}

// Passwords remembered by URL text; wiped when dropped.
class PasswordMapC {
 public:
  PasswordMapC() = default;
  PasswordMapC(const PasswordMapC&) = delete;
  PasswordMapC& operator=(const PasswordMapC&) = delete;
  ~PasswordMapC() {
    for (auto& [url, password] : entries_) LkiWipe(&password);
  }
  // The first mapping of a URL wins.
  void Remember(std::string url, std::string_view password) {
    if (Find(url) != nullptr) return;
    entries_.emplace_back(std::move(url), std::string(password));
  }
  const std::string* Find(std::string_view url) const noexcept {
    for (const auto& entry : entries_) {
      if (entry.first == url) return &entry.second;
    }
    return nullptr;
  }

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

struct KeyValueS {
  const char* name;
  std::string text;
};

// The stored form of `plain` for the key `where`: the key's current "Password" when it is the
// stored form of the same password (so that an unchanged password is not rewritten), else a
// new encryption. False when encryption fails. The decrypted old password lives only in a
// wiping buffer.
bool StoredPassword(RKEncryptionC& crypt, const LkiStoreKeyS& where, std::string_view plain,
                    std::string* stored) {
  stored->clear();
  if (plain.empty()) return true;
  cmn_ErrMarkC mark;
  std::string old;
  if (LkiReadValueText(where, Utf8(LkiServerLocationC::c_Password), &old) && !old.empty()) {
    std::unique_ptr<sec_BlobC> decrypted;
    if (RcSucceeded(crypt.Decrypt(old, &decrypted)) && decrypted->TextView() == plain) {
      stored->swap(old);
      return true;
    }
    // An old form that does not decrypt is simply replaced.
    mark.Rollback();
  }
  LkiWipe(&old);
  return RcSucceeded(crypt.Encrypt(plain, stored));
}

// The stored form of a password a location holds: kept when it already is one, encrypted
// when it is a clear text (a location added from a URL by an older build, or a store value
// an administrator typed in). Empty when encryption fails.
std::string AsStoredForm(RKEncryptionC& crypt, const std::string& held) {
  if (held.empty() || RKEncryptionC::IsStoredForm(held)) return held;
  std::string stored;
  if (RcFailed(crypt.Encrypt(held, &stored))) stored.clear();
  return stored;
}

// Writes the location key of `url` below the machine key `directionKey`. With `passwords`,
// the key is made to hold exactly the location's values (others are deleted) and an empty
// password is replaced by the one remembered for the location's URL.
[[nodiscard]] RcT WriteLocationKey(const StringC& directionKey, const StringC& name,
                                   std::string_view url, int64_t priority,
                                   const PasswordMapC* passwords) {
  if (name.IsEmpty()) return RC_FAIL;
  UrlC parsed;
  if (RcFailed(parsed.Parse(url))) return Report(LKI_E_BAD_URL, LKI_T_BAD_URL, name);

  LkiStoreKeyS where;
  where.root = cmn_kHKLM;
  where.path = directionKey + Utf8("\\") + name;

  auto text = [](const char* p) { return std::string(p != nullptr ? p : ""); };
  std::vector<KeyValueS> values = {
      {LkiServerLocationC::c_Protocol, text(parsed.Scheme())},
      {LkiServerLocationC::c_Priority, std::to_string(priority)},
      {LkiServerLocationC::c_AutoPriority, "False"},
      {LkiServerLocationC::c_Host, text(parsed.Host())},
      {LkiServerLocationC::c_Port, std::to_string(parsed.Port())},
      {LkiServerLocationC::c_User, text(parsed.User())},
      {LkiServerLocationC::c_Directory, text(parsed.Path())},
  };
  RKEncryptionC crypt(RKEncryptionC::mAES_128);
  std::string stored;
  bool encrypted =
      StoredPassword(crypt, where, parsed.Password() ? parsed.Password() : "", &stored);
  if (passwords != nullptr && stored.empty()) {
    // The URL this location resolves to, as the manager computes it for loaded locations.
    LkiServerLocationC* probe = new LkiServerLocationC(name.Utf8View());
    for (const auto& v : values) probe->Set(v.name, v.text);
    const std::string* remembered =
        passwords->Find(LkiServerManagerC::ResolveText("", *probe, true));
    probe->Release();
    // The store receives passwords in the stored form only.
    if (remembered != nullptr) {
      stored = AsStoredForm(crypt, *remembered);
      encrypted = encrypted && (remembered->empty() || !stored.empty());
    }
  }
  // Reported for the caller; the code it returns is not this function's result.
  if (!encrypted) (void)Report(LKI_W_ENCRYPT, LKI_T_ENCRYPT, name);
  if (passwords != nullptr) {
    values.push_back({LkiServerLocationC::c_Password, stored});
  } else if (encrypted) {
    values.push_back({LkiServerLocationC::c_Password, stored});
  }
  LkiWipe(&stored);

  RcT rc = RC_OK;
  RegKeyC key(where.root, where.path);
  RegStatusC st = key.Create();
  if (!st.IsOk()) {
    rc = st.Code() != 0 ? st.Code() : RC_FAIL;
  } else {
    for (const auto& v : values) {
      rc = LkiWriteTextIfChanged(key, where, Utf8(v.name), v.text);
      if (RcFailed(rc)) break;
    }
    if (RcSucceeded(rc) && passwords != nullptr) {
      StringArrayC names;
      if (key.EnumerateValues(&names).IsOk()) {
        for (uint64_t i = 0; i < names.Count(); ++i) {
          bool wanted = false;
          for (const auto& v : values) wanted = wanted || EqualNoCase(names[i].Utf8View(), v.name);
          if (!wanted && !key.DeleteValue(&names[i]).IsOk()) rc = RC_FAIL;
        }
      }
    }
  }
  for (auto& v : values) LkiWipe(&v.text);
  if (RcFailed(rc)) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)Report(LKI_E_WRITE, LKI_T_WRITE, name);
    return rc;
  }
  return RC_OK;
}

// Removes from `array` every location whose name begins with the bootstrap prefix.
void DropBootstrap(LkiServerArrayC& array) {
  for (size_t i = 0; i < array.Count();) {
    if (IsBootstrapName(array.At(i)->Name())) {
      array.RemoveAt(i);
    } else {
      ++i;
    }
  }
}

}  // namespace

LkiServerManagerC::LkiServerManagerC() = default;

LkiServerManagerC::~LkiServerManagerC() = default;

uint32_t LkiServerManagerC::AddRef() noexcept {
  return count_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t LkiServerManagerC::Release() noexcept {
  const uint32_t left = count_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

bool LkiServerManagerC::IsUploadKind(const char* kind) noexcept {
  return kind != nullptr && EqualNoCase(kind, c_Upload);
}

StringC LkiServerManagerC::DirectionKey(bool upload) {
  const StringC full =
      EnvMSWPreferencesC::SectionKey(upload ? EnvMSWPreferencesC::s_CommonUploadSettings
                                            : EnvMSWPreferencesC::s_CommonDownloadSettings,
                                     EnvMSWPreferencesC::s_AllUsers);
  const int64_t slash = full.FindChar(U'\\');
  return full.Substring(slash + 1);
}

RcT LkiServerManagerC::LoadDownloads() {
  return Load(Utf8("HKLM\\") + DirectionKey(false), Utf8(c_Download));
}

RcT LkiServerManagerC::LoadUploads() {
  return Load(Utf8("HKLM\\") + DirectionKey(true), Utf8(c_Upload));
}

RcT LkiServerManagerC::RestoreSetAside() {
  while (!second_side_.IsEmpty()) {
    LkiLocationRefC location(second_side_.DetachAt(0), true);
    // Locations set aside were in the list before, so they fit again.
    (void)AddLocation(location.get());
  }
  return RC_OK;
}

RcT LkiServerManagerC::Load(const StringC& keyPath, const StringC& kind) {
  LkiStoreKeyS where;
  if (!LkiSplitStorePath(keyPath, &where)) return RC_FAIL;
  RegKeyC key(where.root, where.path);
  bool exists = false;
  if (!key.Exists(&exists, nullptr).IsOk() || !exists) return RC_FAIL;
  StringArrayC subkeys;
  if (!key.EnumerateSubkeys(&subkeys).IsOk()) return RC_OK;
  for (uint64_t i = 0; i < subkeys.Count(); ++i) {
    // A store that cannot be read loads no locations; no message.
    (void)LoadLocation(keyPath + Utf8("\\") + subkeys[i], kind);
  }
  return RC_OK;
}

RcT LkiServerManagerC::AddLocation(LkiServerLocationC* location) {
  if (location == nullptr) return RC_INVALIDARG;
  LkiLocationRefC hold(location, false);
  const StringC name = location->NameString();
  if (names_.Contains(name)) {
    for (size_t i = 0; i < active_.Count();) {
      if (EqualNoCase(active_.At(i)->Name(), location->Name())) {
        RemoveActiveAt(i);
      } else {
        ++i;
      }
    }
  }
  names_.Add(name);
  if (location->Attribute(LkiServerLocationC::c_Priority).empty()) {
    location->Set(LkiServerLocationC::c_Priority, c_DefaultPriority);
  }
  active_.Insert(location);
  return RC_OK;
}

RcT LkiServerManagerC::AddFromUrl(const StringC& name, const StringC& url,
                                  const StringC& priority) {
  if (names_.Contains(name)) return RC_FAIL;
  UrlC parsed;
  const RcT rc = parsed.Parse(url.Utf8View());
  if (RcFailed(rc)) return rc;
  auto text = [](const char* p) { return std::string_view(p != nullptr ? p : ""); };
  // Locations hold passwords in the stored form only, as those loaded from the store do.
  std::string stored;
  if (parsed.Password() != nullptr && parsed.Password()[0] != '\0') {
    RKEncryptionC crypt(RKEncryptionC::mAES_128);
    if (RcFailed(crypt.Encrypt(parsed.Password(), &stored))) {
      // Reported for the caller; the code it returns is not this function's result.
      (void)Report(LKI_W_ENCRYPT, LKI_T_ENCRYPT, name);
    }
  }
  LkiLocationRefC location(new LkiServerLocationC(name.Utf8View()), true);
  location->Set(LkiServerLocationC::c_Protocol, text(parsed.Scheme()));
  location->Set(LkiServerLocationC::c_Host, text(parsed.Host()));
  location->Set(LkiServerLocationC::c_Port, std::to_string(parsed.Port()));
  location->Set(LkiServerLocationC::c_User, text(parsed.User()));
  location->Set(LkiServerLocationC::c_Password, stored);
  location->Set(LkiServerLocationC::c_Directory, text(parsed.Path()));
  location->Set(LkiServerLocationC::c_Priority,
                priority.IsEmpty() ? std::string_view(c_DefaultPriority) : priority.Utf8View());
  active_.Insert(location.get());
  names_.Add(name);
  return RC_OK;
}

void LkiServerManagerC::RemoveActiveAt(size_t index) {
  LkiServerLocationC* location = active_.At(index);
  if (location == nullptr) return;
  names_.Remove(location->NameString());
  if (index < current_) --current_;
  active_.RemoveAt(index);
}

RcT LkiServerManagerC::RemoveLocation(LkiServerLocationC* location) {
  if (location == nullptr) return RC_INVALIDARG;
  const int64_t index = active_.IndexOf(location);
  if (index < 0) return RC_FAIL;
  RemoveActiveAt(static_cast<size_t>(index));
  return RC_OK;
}

LkiServerLocationC* LkiServerManagerC::FindByName(const StringC& name) {
  for (size_t i = 0; i < active_.Count(); ++i) {
    if (EqualNoCase(active_.At(i)->Name(), name.Utf8View())) return active_.At(i);
  }
  return nullptr;
}

void LkiServerManagerC::Reset() {
  current_ = 0;
  active_.Clear();
  names_.Clear();
}

uint32_t LkiServerManagerC::Count() {
  return static_cast<uint32_t>(active_.Count());
}

std::string LkiServerManagerC::LocationUrl(const LkiServerLocationC& location) {
  const std::string& protocol = location.Attribute(LkiServerLocationC::c_Protocol);
  const std::string& host = location.Attribute(LkiServerLocationC::c_Host);
  const std::string& directory = location.Attribute(LkiServerLocationC::c_Directory);
  std::string url = protocol + "://";
  if (!host.empty()) {
    if (EqualNoCase(protocol, "file")) {
      url += "//" + host;
    } else {
      const std::string& user = location.Attribute(LkiServerLocationC::c_User);
      const std::string& port = location.Attribute(LkiServerLocationC::c_Port);
      if (!user.empty()) url += user + "@";
      // An IPv6 literal goes in brackets, or its ":" would read as the port's.
      if (host.find(':') != std::string::npos) {
        url += '[';
        AppendBracketedHost(&url, host);
        url += ']';
      } else {
        url += host;
      }
      if (!port.empty()) url += ":" + port;
    }
  }
  if (directory.empty() || directory.front() != '/') url += '/';
  url += directory;
  if (!url.empty() && url.back() == '/') url.pop_back();
  return url;
}

std::string LkiServerManagerC::ResolveText(std::string_view path,
                                           const LkiServerLocationC& location, bool prefix) {
  std::string text(path);
  if (prefix && !ContainsNoCase(text, kServerLocationRef)) {
    text.insert(0, (!text.empty() && text.front() == '/') ? kServerLocationRef
                                                          : std::string(kServerLocationRef) + "/");
  }
  // A private variable set: only the location's URL is defined; any other reference stays as
  // written for the caller to expand in its own environment.
  env_EnvironmentC variables;
  variables.SetValue(Utf8(kServerLocationVar), Utf8(LocationUrl(location)));
  return ExpandValue(variables, false, Utf8(text), false, 10).ToUtf8();
}

std::unique_ptr<LkiServerResolutionC> LkiServerManagerC::Resolve(std::string_view path,
                                                                 LkiServerLocationC* location,
                                                                 bool prefix) {
  if (location == nullptr) location = Current();
  if (location == nullptr) return nullptr;
  return std::make_unique<LkiServerResolutionC>(ResolveText(path, *location, prefix), location,
                                                this);
}

std::unique_ptr<LkiServerResolutionC> LkiServerManagerC::ResolveByRule(
    const StringC& path, LkiServerLocationC* location) {
  const std::optional<std::string> target = rules_.Lookup(path.Utf8View());
  if (!target || target->empty()) return nullptr;
  return Resolve(*target, location, false);
}

std::unique_ptr<LkiServerResolutionC> LkiServerManagerC::ResolvePath(const StringC& path,
                                                                     LkiServerLocationC* location) {
  return Resolve(path.Utf8View(), location, true);
}

void LkiServerManagerC::FreeResolution(LkiServerResolutionC* resolution) {
  delete resolution;
}

LkiServerLocationC* LkiServerManagerC::Get(uint32_t index) {
  return active_.At(index);
}

LkiServerLocationC* LkiServerManagerC::Current() {
  return active_.At(current_);
}

RcT LkiServerManagerC::SetAside(LkiServerLocationC* location, bool second) {
  if (location == nullptr) location = Current();
  if (location == nullptr) return RC_FAIL;
  const int64_t index = active_.IndexOf(location);
  if (index < 0) return RC_FAIL;
  (second ? second_side_ : first_side_).Insert(location);
  RemoveActiveAt(static_cast<size_t>(index));
  return RC_OK;
}

void LkiServerManagerC::Sort() {
  active_.Sort();
}

RcT LkiServerManagerC::LoadRules() {
  return LoadRules(EnvMSWPreferencesC::SectionKey(EnvMSWPreferencesC::s_CommonRules,
                                                  EnvMSWPreferencesC::s_AllUsers));
}

RcT LkiServerManagerC::LoadRules(const StringC& keyPath) {
  return rules_.Load(keyPath);
}

RcT LkiServerManagerC::LoadLocation(const StringC& keyPath, const StringC& kind) {
  LkiStoreKeyS where;
  if (!LkiSplitStorePath(keyPath, &where)) return RC_FAIL;
  RegKeyC key(where.root, where.path);
  StringArrayC names;
  if (!key.Open(REG_ACCESS_READ).IsOk() || !key.EnumerateValues(&names).IsOk()) return RC_FAIL;
  const int64_t slash = keyPath.FindCharBackwards(U'\\');
  LkiLocationRefC location(new LkiServerLocationC(keyPath.Substring(slash + 1).Utf8View()), true);
  for (uint64_t i = 0; i < names.Count(); ++i) {
    std::string text;
    if (LkiReadValueText(where, names[i], &text)) location->Set(names[i].Utf8View(), text);
    LkiWipe(&text);
  }
  if (!kind.IsEmpty()) location->Set(LkiServerLocationC::c_Type, kind.Utf8View());

  const std::string& protocol = location->Attribute(LkiServerLocationC::c_Protocol);
  const std::string& host = location->Attribute(LkiServerLocationC::c_Host);
  const std::string& directory = location->Attribute(LkiServerLocationC::c_Directory);
  if (protocol.empty() || (host.empty() && directory.empty())) return RC_FAIL;
  if (EqualNoCase(protocol, "file")) {
    if (!host.empty()) return RC_FAIL;
    if (directory.size() > 2 &&
        (directory.compare(0, 2, "\\\\") == 0 || directory.compare(0, 2, "//") == 0)) {
      return RC_FAIL;
    }
  }
  return AddLocation(location.get());
}

LkiServerManagerC* LkiServerManagerC::DownloadManager() {
  QLM_DCHECK_MAIN_THREAD();
  if (s_DownloadManager == nullptr) {
    auto* manager = new LkiServerManagerC();
    // A store that cannot be read loads no locations; no message.
    (void)manager->LoadDownloads();
    (void)manager->LoadRules();
    s_DownloadManager = manager;
  }
  return s_DownloadManager;
}

LkiServerManagerC* LkiServerManagerC::UploadManager() {
  QLM_DCHECK_MAIN_THREAD();
  if (s_UploadManager == nullptr) {
    auto* manager = new LkiServerManagerC();
    // A store that cannot be read loads no locations; no message.
    (void)manager->LoadUploads();
    (void)manager->LoadRules();
    s_UploadManager = manager;
  }
  return s_UploadManager;
}

void LkiServerManagerC::ReleaseUploadManager() noexcept {
  QLM_DCHECK_MAIN_THREAD();
  if (LkiServerManagerC* manager = std::exchange(s_UploadManager, nullptr)) manager->Release();
}

void LkiServerManagerC::ReleaseManagers() noexcept {
  ReleaseUploadManager();
  if (LkiServerManagerC* manager = std::exchange(s_DownloadManager, nullptr)) manager->Release();
}

RcT LkiServerManagerC::AddDownloadLocation(const StringC& name, const StringC& url,
                                           int64_t priority) {
  return WriteLocationKey(DirectionKey(false), name, url.Utf8View(), priority, nullptr);
}

RcT LkiServerManagerC::AddUploadLocation(const StringC& name, const StringC& url,
                                         int64_t priority) {
  return WriteLocationKey(DirectionKey(true), name, url.Utf8View(), priority, nullptr);
}

RcT LkiServerManagerC::SetBootstrapServers(const StringC& list, const char* kind) {
  const bool upload = IsUploadKind(kind);
  LkiServerManagerC* manager = upload ? UploadManager() : DownloadManager();
  const StringC directionKey = DirectionKey(upload);
  const StringC loadKind = Utf8(upload ? c_Upload : c_Download);

  // The passwords of the known locations, by the URL each resolves to.
  PasswordMapC passwords;
  for (const LkiServerArrayC* array :
       {&manager->active_, &manager->first_side_, &manager->second_side_}) {
    for (size_t i = 0; i < array->Count(); ++i) {
      const LkiServerLocationC* location = array->At(i);
      passwords.Remember(ResolveText("", *location, true),
                         location->Attribute(LkiServerLocationC::c_Password));
    }
  }

  // The old bootstrap entries: those the manager holds and those in the store that it
  // did not load (unusable ones included), so that none is left behind.
  std::vector<std::string> old;
  for (size_t i = 0; i < manager->active_.Count(); ++i) {
    if (IsBootstrapName(manager->active_.At(i)->Name()))
      old.push_back(manager->active_.At(i)->Name());
  }
  {
    RegKeyC key(cmn_kHKLM, directionKey);
    StringArrayC subkeys;
    bool exists = false;
    if (key.Exists(&exists, nullptr).IsOk() && exists && key.EnumerateSubkeys(&subkeys).IsOk()) {
      for (uint64_t i = 0; i < subkeys.Count(); ++i) {
        if (IsBootstrapName(subkeys[i].Utf8View())) old.push_back(subkeys[i].ToUtf8());
      }
    }
  }
  for (size_t i = 0; i < manager->active_.Count();) {
    if (IsBootstrapName(manager->active_.At(i)->Name())) {
      manager->RemoveActiveAt(i);
    } else {
      ++i;
    }
  }
  DropBootstrap(manager->first_side_);
  DropBootstrap(manager->second_side_);

  // The new entries, numbered from 1 over the items that could be written.
  std::vector<std::string> written;
  std::string text = list.ToUtf8();  // may hold passwords: wiped below
  size_t start = 0;
  int64_t n = 1;
  while (start <= text.size()) {
    size_t end = text.find_first_of(";,", start);
    if (end == std::string::npos) end = text.size();
    std::string_view item(text.data() + start, end - start);
    start = end + 1;
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (item.empty()) continue;
    const std::string name = std::string(c_BootstrapPrefix) + " " + std::to_string(n);
    if (RcFailed(WriteLocationKey(directionKey, Utf8(name), item, s_LowPriority, &passwords))) {
      continue;
    }
    ++n;
    written.push_back(name);
    // A store that cannot be read loads no locations; no message.
    (void)manager->LoadLocation(Utf8("HKLM\\") + directionKey + Utf8("\\") + Utf8(name), loadKind);
  }

  LkiWipe(&text);

  // Every older bootstrap key that was not rewritten.
  for (const std::string& name : old) {
    bool kept = false;
    for (const std::string& w : written) kept = kept || EqualNoCase(w, name);
    if (kept) continue;
    const StringC path = directionKey + Utf8("\\") + Utf8(name);
    RegKeyC key(cmn_kHKLM, path);
    bool exists = false;
    if (!key.Exists(&exists, nullptr).IsOk() || !exists) continue;
    if (!RegKeyC::Destroy(cmn_kHKLM, path).IsOk()) {
      // Reported for the caller; the code it returns is not this function's result.
      (void)Report(LKI_W_REMOVE, LKI_T_REMOVE, Utf8(name));
    }
  }
  return RC_OK;
}

StringC LkiServerManagerC::BootstrapServers(const char* kind) {
  LkiServerManagerC* manager = IsUploadKind(kind) ? UploadManager() : DownloadManager();
  std::string out;
  for (size_t i = 0; i < manager->active_.Count(); ++i) {
    const LkiServerLocationC* location = manager->active_.At(i);
    if (!IsBootstrapName(location->Name())) continue;
    if (!out.empty()) out += "; ";
    out += ResolveText("", *location, true);
  }
  return Utf8(out);
}

void LkiSetBootstrapServersHook(const StringC& urls, const char* kind) noexcept {
  try {
    // The hook has no caller to answer; the manager reported the failure.
    (void)LkiServerManagerC::SetBootstrapServers(urls, kind);
  } catch (...) {
    // Out of memory or the like: the bootstrap entries stay as they were written so far.
  }
}
