#include "cmn/cmn_ConfigStoreC.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "cmn/cmn_ArgsI.h"
#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "cmn/cmn_TracerI.h"
#include "cmn/cmn_UniqueFdC.h"

namespace {

constexpr uint32_t kAccessWriteBits = 0x6;  // KEY_SET_VALUE | KEY_CREATE_SUB_KEY
constexpr uint32_t kAccessRead = 0x20019;
constexpr uint32_t kAccessReadWrite = 0x2001F;

cmn_TraceCategoryS g_trc_registry{{nullptr}, "Configuring/Registry"};

// A one-argument list for tracing an already formatted text.
class TextArgC final : public cmn_ArgsI {
 public:
  explicit TextArgC(const std::string& text) {
    value_.type = ARG_CHARSTAR;
    value_.cstr = text.c_str();
  }
  size_t Count() const override { return 1; }
  const cmn_ArgValueS* At(size_t i) const override { return i == 0 ? &value_ : nullptr; }

 private:
  cmn_ArgValueS value_;
};

bool IsRoot(cmn_RegHandleT h) {
  return h >= 0x80000000ull && h <= 0x80000005ull && h != 0x80000004ull;
}

std::string Join(const std::string& base, std::string_view rel) {
  std::string r = cmn_IniDocumentC::NormalisePath(rel);
  if (base.empty()) return r;
  if (r.empty()) return base;
  return base + "\\" + r;
}

bool EqualsFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// True when `path` is `parent` or lies below it; *rest gets the part below.
bool IsAtOrBelow(const std::string& path, const std::string& parent, std::string* rest) {
  if (parent.empty()) {
    if (rest) *rest = path;
    return true;
  }
  if (path.size() < parent.size() ||
      !EqualsFolded(std::string_view(path).substr(0, parent.size()), parent)) {
    return false;
  }
  if (path.size() == parent.size()) {
    if (rest) rest->clear();
    return true;
  }
  if (path[parent.size()] != '\\') return false;
  if (rest) *rest = path.substr(parent.size() + 1);
  return true;
}

// True when NormalisePath(path) == path, without building it.
bool IsNormalised(std::string_view path) {
  if (path.empty()) return true;
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  if (blank(path.front()) || blank(path.back()) || path.front() == '\\' || path.back() == '\\') {
    return false;
  }
  for (size_t i = 1; i < path.size(); ++i) {
    if (path[i] == '\\' && (path[i - 1] == '\\' || blank(path[i - 1]))) return false;
    if (path[i - 1] == '\\' && blank(path[i])) return false;
  }
  return true;
}

// The safe-open helper's refusal added to `errors` since `mark`: it names the path and the real
// reason (owner, mode, link).
std::string RefusalReason(const cmn_ErrMarkC& mark) {
  std::string why = mark.LastText();
  return why.empty() ? "it could be changed by another user" : why;
}

void AddUnique(std::vector<std::string>* names, std::set<std::string>* seen, const std::string& n) {
  if (seen->insert(cmn_IniDocumentC::Fold(n)).second) names->push_back(n);
}

}  // namespace

struct cmn_ConfigStoreC::BackingS {
  cmn_RegHandleT root = 0;
  std::string key;  // normalised attachment point
  std::string file;
  mode_t create_mode = 0644;
  mode_t dir_mode = 0;  // 0: missing directories are not made
  cmn_IniDocumentC doc;
  cmn_UniqueFdC fd;  // from the last read; its fstat tells whether the file changed
  cmn_FileStampS stamp;
  bool loaded = false;
  bool unreadable = false;
  std::set<std::string> warned;  // bad lines already reported ("<line>:<text>")
};

cmn_ConfigStoreC::cmn_ConfigStoreC(std::string user_file) {
  if (!user_file.empty()) {
    auto b = std::make_unique<BackingS>();
    b->root = cmn_kHKCU;
    b->file = std::move(user_file);
    b->create_mode = 0600;
    b->dir_mode = 0700;
    files_.push_back(std::move(b));
  }
}

cmn_ConfigStoreC::~cmn_ConfigStoreC() = default;

std::string cmn_ConfigStoreC::UserFileFromHome() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/' || std::strcmp(home, "/") == 0) return {};
  struct stat st;
  if (::stat(home, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return {};
  std::string path = home;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path + "/.config/quillmarsh/user.ini";
}

void cmn_ConfigStoreC::Warn(const std::string& text) {
  Report(3, {}, 0, text);
}

void cmn_ConfigStoreC::Report(int severity, const std::string& file, size_t line,
                              const std::string& text) {
  if (cmn_ErrBufI* buf = getErrBuf()) {
    buf->Add(severity >= 4 ? cmn_kRegWriteFailed : cmn_kRegBadLine, severity, text);
  }
  if (cmn_TracerI* tr = getTracer()) {
    TextArgC arg(text);
    tr->Trace(g_trc_registry.name, &g_trc_registry, "%s", &arg);
  }
  diagnostics_.push_back(DiagnosticS{severity, file, line, text});
}

void cmn_ConfigStoreC::Refresh(BackingS& b) {
  if (b.loaded) {
    cmn_FileStampS now;
    if (b.fd.IsValid()) {
      // The common case: one fstat of the file read last time.
      if (cmn_StampOpenStoreFile(b.fd.Get(), &now) == RC_OK && now == b.stamp) return;
    } else if (cmn_StampStoreFile(b.file, &now) == RC_OK && now == b.stamp) {
      // Unchanged since this store wrote it (or still missing): keep a descriptor of the
      // file for the next checks when it is the same version.
      if (now.exists && !b.unreadable) {
        cmn_UniqueFdC fd;
        cmn_FileStampS opened;
        if (cmn_SafeOpen(b.file, O_RDONLY, 0, &fd) == RC_OK &&
            cmn_StampOpenStoreFile(fd.Get(), &opened) == RC_OK && opened == b.stamp) {
          b.fd = std::move(fd);
        }
      }
      return;
    }
  }
  std::string content;
  cmn_FileStampS stamp;
  int kept = -1;
  const cmn_ErrMarkC mark;
  RcT rc = cmn_ReadStoreFile(b.file, &content, &stamp, &kept);
  b.fd.Reset(kept);
  b.loaded = true;
  if (rc != RC_OK) {
    // Keep working without the file; report once until it becomes readable again. A refusal
    // says the rule's reason, as for a file refused when it is attached.
    if (!b.unreadable) {
      if (rc == cmn_kPathRefused) {
        Warn("Configuration file '" + b.file + "' is not used: " + RefusalReason(mark));
      } else {
        Warn("Cannot read configuration file '" + b.file + "'; continuing without it");
      }
    }
    b.unreadable = true;
    b.doc.Parse("");
    // Best effort: without a stamp the next look reads the file again.
    (void)cmn_StampStoreFile(b.file, &b.stamp);
    return;
  }
  Load(b, content, stamp);
}

void cmn_ConfigStoreC::Load(BackingS& b, const std::string& content, const cmn_FileStampS& stamp) {
  b.loaded = true;
  b.unreadable = false;
  b.stamp = stamp;
  b.doc.Parse(content);
  for (const auto& bad : b.doc.BadLines()) {
    std::string id = std::to_string(bad.line_number) + ":" + bad.text;
    if (!b.warned.insert(id).second) continue;
    Report(3, b.file, bad.line_number,
           "Ignoring line " + std::to_string(bad.line_number) + " of '" + b.file + "' (" +
               bad.reason + "): \"" + bad.text + "\"");
  }
}

void cmn_ConfigStoreC::RefreshAll() {
  if (read_scopes_ > 0) {
    if (scope_validated_) return;
    scope_validated_ = true;
  }
  for (auto& b : files_) Refresh(*b);
}

void cmn_ConfigStoreC::BeginReadScope() {
  cmn_MutexLockC lock(mu_);
  if (read_scopes_++ == 0) scope_validated_ = false;
}

void cmn_ConfigStoreC::EndReadScope() {
  cmn_MutexLockC lock(mu_);
  if (read_scopes_ > 0) --read_scopes_;
}

bool cmn_ConfigStoreC::Covers(const BackingS& b, cmn_RegHandleT root, const std::string& path,
                              std::string* relative) const {
  return b.root == root && IsAtOrBelow(path, b.key, relative);
}

uint32_t cmn_ConfigStoreC::Resolve(cmn_RegHandleT handle, std::string_view path, KeyRefS* out) {
  if (IsRoot(handle)) {
    out->root = handle;
    if (IsNormalised(path)) {
      out->path.assign(path);
    } else {
      out->path = cmn_IniDocumentC::NormalisePath(path);
    }
    out->access = kAccessReadWrite;
    return RC_OK;
  }
  auto it = handles_.find(handle);
  if (it == handles_.end()) return cmn_kRegBadHandle;
  out->root = it->second.root;
  out->path = Join(it->second.path, path);
  out->access = it->second.access;
  return RC_OK;
}

bool cmn_ConfigStoreC::KeyExists(cmn_RegHandleT root, const std::string& path) {
  if (path.empty()) return true;
  std::string rel;
  for (auto& b : files_) {
    if (b->root != root) continue;
    if (IsAtOrBelow(path, b->key, &rel)) {
      if (b->doc.HasKey(rel)) return true;
    } else if (IsAtOrBelow(b->key, path, nullptr)) {
      return true;  // an attachment point implies the keys above it
    }
  }
  auto m = memory_.find(root);
  return m != memory_.end() && m->second.HasKey(path);
}

const cmn_RegValueS* cmn_ConfigStoreC::FindValue(cmn_RegHandleT root, const std::string& path,
                                                 std::string_view name) {
  std::string& rel = scratch_rel_;  // reused: reads of many values allocate nothing here
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
    if (!Covers(**it, root, path, &rel)) continue;
    if (const cmn_RegValueS* v = (*it)->doc.FindValue(rel, name)) return v;
  }
  auto m = memory_.find(root);
  return m == memory_.end() ? nullptr : m->second.FindValue(path, name);
}

cmn_ConfigStoreC::BackingS* cmn_ConfigStoreC::WriteTarget(cmn_RegHandleT root,
                                                          const std::string& path,
                                                          std::string_view name,
                                                          std::string* relative) {
  if (!write_target_.empty()) {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
      if ((*it)->file == write_target_ && Covers(**it, root, path, relative)) return it->get();
    }
  }
  // The file that already holds the value keeps it, so a write never leaves an older line
  // shadowing or shadowed in another file.
  if (!name.empty()) {
    for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
      if (Covers(**it, root, path, relative) && (*it)->doc.FindValue(*relative, name) != nullptr) {
        return it->get();
      }
    }
  }
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
    if (Covers(**it, root, path, relative)) return it->get();
  }
  *relative = path;
  return nullptr;
}

uint32_t cmn_ConfigStoreC::Edit(BackingS* b, cmn_RegHandleT root,
                                const std::function<bool(cmn_IniDocumentC&)>& edit) {
  last_changed_ = false;
  if (read_only_) return cmn_kRegAccessDenied;
  if (b == nullptr) {
    last_written_.clear();
    if (!edit(memory_[root])) return cmn_kRegBadArgument;
    last_changed_ = true;
    return RC_OK;
  }
  last_written_ = b->file;
  bool valid = true;
  bool written = false;
  std::string content, error;
  cmn_FileStampS stamp;
  cmn_IniDocumentC last;  // the document of the last edit, which is what gets written
  RcT rc = cmn_EditStoreFile(
      b->file, b->create_mode, b->dir_mode,
      [&](std::string* text) {
        cmn_IniDocumentC doc;
        doc.Parse(*text);
        if (!edit(doc)) {
          valid = false;
          return false;
        }
        std::string out = doc.Serialize();
        if (out == *text) return false;  // unchanged: nothing is written
        *text = std::move(out);
        last = std::move(doc);
        return true;
      },
      &stamp, &content, &written, &error);
  if (!valid) return cmn_kRegBadArgument;
  if (rc != RC_OK) {
    if (!writes_optional_) ++write_failures_;
    std::string text = error.empty() ? "cannot write '" + b->file + "'" : error;
    text[0] = static_cast<char>(text[0] - 'a' + 'A');
    Report(writes_optional_ ? 3 : 4, b->file, 0, text);
    return rc == cmn_kPathRefused ? cmn_kRegFileRefused : cmn_kRegWriteFailed;
  }
  last_changed_ = written;
  if (written) {
    b->doc = std::move(last);  // what was written, without parsing it again
  } else {
    b->doc.Parse(content);
  }
  b->stamp = stamp;
  b->fd.Reset();  // the next read opens the new file and keeps its descriptor
  b->loaded = true;
  b->unreadable = false;
  return RC_OK;
}

uint32_t cmn_ConfigStoreC::NewHandle(const KeyRefS& ref, uint32_t access, cmn_RegHandleT* out) {
  cmn_RegHandleT h = next_handle_++;
  handles_.emplace(h, HandleS{ref.root, ref.path, access, {}, {}});
  *out = h;
  return RC_OK;
}

uint32_t cmn_ConfigStoreC::ValueExists(cmn_RegHandleT key, std::string_view value) {
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(key, {}, &ref); rc != RC_OK) return rc;
  RefreshAll();
  return FindValue(ref.root, ref.path, value) != nullptr ? RC_OK : cmn_kRegNoSuchValue;
}

uint32_t cmn_ConfigStoreC::QueryValue(cmn_RegHandleT key, std::string_view value, void* data,
                                      size_t* size, uint32_t* type) {
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(key, {}, &ref); rc != RC_OK) return rc;
  RefreshAll();
  const cmn_RegValueS* v = FindValue(ref.root, ref.path, value);
  if (v == nullptr) return cmn_kRegNoSuchValue;
  if (type != nullptr) *type = v->type;
  std::string wire = v->ToWire();
  if (data != nullptr) {
    if (size == nullptr) return cmn_kRegBadArgument;
    if (*size < wire.size()) {
      *size = wire.size();
      return cmn_kRegMoreData;
    }
    std::memcpy(data, wire.data(), wire.size());
  }
  if (size != nullptr) *size = wire.size();
  return RC_OK;
}

uint32_t cmn_ConfigStoreC::ReadText(cmn_RegHandleT root, std::string_view path,
                                    std::string_view value, std::string* text) {
  cmn_MutexLockC lock(mu_);
  KeyRefS& ref = scratch_ref_;  // reused under the lock: no allocation per read
  if (uint32_t rc = Resolve(root, path, &ref); rc != RC_OK) return rc;
  RefreshAll();
  const cmn_RegValueS* v = FindValue(ref.root, ref.path, value);
  if (v == nullptr) return KeyExists(ref.root, ref.path) ? cmn_kRegNoSuchValue : cmn_kRegNoSuchKey;
  switch (v->type) {
    case cmn_kRegSz:
    case cmn_kRegExpandSz:
      *text = v->texts.empty() ? std::string() : v->texts.front();
      return RC_OK;
    case cmn_kRegDword:
      *text = std::to_string(v->dword);
      return RC_OK;
    default:
      return cmn_kRegWrongType;
  }
}

uint32_t cmn_ConfigStoreC::ReadTextList(cmn_RegHandleT key, std::string_view value,
                                        std::vector<std::string>* texts) {
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(key, {}, &ref); rc != RC_OK) return rc;
  RefreshAll();
  const cmn_RegValueS* v = FindValue(ref.root, ref.path, value);
  if (v == nullptr) return cmn_kRegNoSuchValue;
  if (v->type != cmn_kRegMultiSz && v->type != cmn_kRegSz && v->type != cmn_kRegExpandSz) {
    return cmn_kRegWrongType;
  }
  *texts = v->texts;
  return RC_OK;
}

uint32_t cmn_ConfigStoreC::OpenForEnumeration(cmn_RegHandleT parent, std::string_view path,
                                              cmn_RegHandleT* key) {
  return Open(parent, path, kAccessRead, key);
}

void cmn_ConfigStoreC::CollectValueNames(cmn_RegHandleT root, const std::string& path,
                                         std::vector<std::string>* out) {
  std::set<std::string> seen;
  std::string rel;
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
    if (!Covers(**it, root, path, &rel)) continue;
    if (const auto* sec = (*it)->doc.FindSection(rel)) {
      for (const auto& v : sec->values) AddUnique(out, &seen, v.name);
    }
  }
  auto m = memory_.find(root);
  if (m != memory_.end()) {
    if (const auto* sec = m->second.FindSection(path)) {
      for (const auto& v : sec->values) AddUnique(out, &seen, v.name);
    }
  }
}

void cmn_ConfigStoreC::CollectSubkeys(cmn_RegHandleT root, const std::string& path,
                                      std::vector<std::string>* out) {
  std::set<std::string> seen;
  std::string rel;
  std::vector<std::string> children;
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
    const BackingS& b = **it;
    if (b.root != root) continue;
    children.clear();
    if (IsAtOrBelow(path, b.key, &rel)) {
      b.doc.ChildKeys(rel, &children);
    } else if (IsAtOrBelow(b.key, path, &rel) && !rel.empty()) {
      children.push_back(rel.substr(0, rel.find('\\')));
    }
    for (const auto& c : children) AddUnique(out, &seen, c);
  }
  auto m = memory_.find(root);
  if (m != memory_.end()) {
    children.clear();
    m->second.ChildKeys(path, &children);
    for (const auto& c : children) AddUnique(out, &seen, c);
  }
}

uint32_t cmn_ConfigStoreC::EnumerateValues(cmn_RegHandleT key, uint32_t index, std::string* name) {
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(key, {}, &ref); rc != RC_OK) return rc;
  HandleS* h = nullptr;
  if (auto it = handles_.find(key); it != handles_.end()) h = &it->second;
  std::vector<std::string> local;
  std::vector<std::string>* names = h != nullptr ? &h->value_names : &local;
  if (index == 0 || h == nullptr) {
    RefreshAll();
    names->clear();
    CollectValueNames(ref.root, ref.path, names);
  }
  if (index >= names->size()) return cmn_kRegNoMoreItems;
  *name = (*names)[index];
  return RC_OK;
}

uint32_t cmn_ConfigStoreC::EnumerateSubkeys(cmn_RegHandleT key, uint32_t index, std::string* name) {
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(key, {}, &ref); rc != RC_OK) return rc;
  HandleS* h = nullptr;
  if (auto it = handles_.find(key); it != handles_.end()) h = &it->second;
  std::vector<std::string> local;
  std::vector<std::string>* names = h != nullptr ? &h->subkey_names : &local;
  if (index == 0 || h == nullptr) {
    RefreshAll();
    names->clear();
    CollectSubkeys(ref.root, ref.path, names);
  }
  if (index >= names->size()) return cmn_kRegNoMoreItems;
  *name = (*names)[index];
  return RC_OK;
}

uint32_t cmn_ConfigStoreC::CloseEnumeration(cmn_RegHandleT key) {
  return Close(key);
}

uint32_t cmn_ConfigStoreC::Create(cmn_RegHandleT parent, std::string_view path,
                                  cmn_RegHandleT* key) {
  if (key == nullptr) return cmn_kRegBadArgument;
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(parent, path, &ref); rc != RC_OK) return rc;
  RefreshAll();
  if (!KeyExists(ref.root, ref.path)) {
    std::string rel;
    BackingS* b = WriteTarget(ref.root, ref.path, {}, &rel);
    uint32_t rc = Edit(b, ref.root, [&](cmn_IniDocumentC& d) { return d.EnsureSection(rel); });
    if (rc != RC_OK) return rc;
  }
  return NewHandle(ref, kAccessReadWrite, key);
}

uint32_t cmn_ConfigStoreC::WriteValue(cmn_RegHandleT key, std::string_view value, uint32_t type,
                                      const void* data, size_t size) {
  cmn_RegValueS v;
  if (!cmn_RegValueS::FromWire(type, data, size, &v)) return cmn_kRegBadArgument;
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(key, {}, &ref); rc != RC_OK) return rc;
  if ((ref.access & kAccessWriteBits) == 0) return cmn_kRegAccessDenied;
  RefreshAll();
  std::string rel;
  BackingS* b = WriteTarget(ref.root, ref.path, value, &rel);
  if (!cmn_IniDocumentC::CanWrite(rel, value, v)) return cmn_kRegBadArgument;
  return Edit(b, ref.root, [&](cmn_IniDocumentC& d) { return d.SetValue(rel, value, v); });
}

uint32_t cmn_ConfigStoreC::WriteText(cmn_RegHandleT key_or_root, std::string_view path,
                                     std::string_view value, std::string_view text) {
  cmn_RegValueS v;
  v.type = cmn_kRegSz;
  v.texts.emplace_back(text);
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(key_or_root, path, &ref); rc != RC_OK) return rc;
  if ((ref.access & kAccessWriteBits) == 0) return cmn_kRegAccessDenied;
  RefreshAll();
  std::string rel;
  BackingS* b = WriteTarget(ref.root, ref.path, value, &rel);
  if (!cmn_IniDocumentC::CanWrite(rel, value, v)) return cmn_kRegBadArgument;
  return Edit(b, ref.root, [&](cmn_IniDocumentC& d) { return d.SetValue(rel, value, v); });
}

uint32_t cmn_ConfigStoreC::DeleteValue(cmn_RegHandleT key, std::string_view value) {
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(key, {}, &ref); rc != RC_OK) return rc;
  if ((ref.access & kAccessWriteBits) == 0) return cmn_kRegAccessDenied;
  RefreshAll();
  // Every source that holds the value loses it, so an older file cannot show through.
  bool found = false;
  std::string rel;
  for (auto& b : files_) {
    if (!Covers(*b, ref.root, ref.path, &rel) || b->doc.FindValue(rel, value) == nullptr) continue;
    found = true;
    if (uint32_t rc = Edit(b.get(), ref.root,
                           [&](cmn_IniDocumentC& d) {
                             d.DeleteValue(rel, value);
                             return true;
                           });
        rc != RC_OK) {
      return rc;
    }
  }
  auto m = memory_.find(ref.root);
  if (m != memory_.end() && m->second.DeleteValue(ref.path, value)) found = true;
  return found ? RC_OK : cmn_kRegNoSuchValue;
}

uint32_t cmn_ConfigStoreC::DeleteKey(cmn_RegHandleT parent, std::string_view path, bool recursive) {
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(parent, path, &ref); rc != RC_OK) return rc;
  if (ref.path.empty()) return cmn_kRegBadArgument;  // roots cannot be deleted
  RefreshAll();
  if (!KeyExists(ref.root, ref.path)) return cmn_kRegNoSuchKey;
  if (!recursive) {
    std::vector<std::string> names;
    CollectValueNames(ref.root, ref.path, &names);
    CollectSubkeys(ref.root, ref.path, &names);
    if (!names.empty()) return cmn_kRegKeyNotEmpty;
  }
  std::string rel;
  for (auto& b : files_) {
    if (b->root != ref.root) continue;
    if (IsAtOrBelow(ref.path, b->key, &rel)) {
      if (!b->doc.HasKey(rel)) continue;
      if (uint32_t rc = Edit(b.get(), ref.root,
                             [&](cmn_IniDocumentC& d) {
                               d.DeleteSection(rel, recursive);
                               return true;
                             });
          rc != RC_OK) {
        return rc;
      }
    } else if (recursive && IsAtOrBelow(b->key, ref.path, nullptr)) {
      // The whole file lies below the deleted key: it is emptied of values and sections.
      if (uint32_t rc = Edit(b.get(), ref.root,
                             [&](cmn_IniDocumentC& d) {
                               d.DeleteSection("", true);
                               return true;
                             });
          rc != RC_OK) {
        return rc;
      }
    }
  }
  auto m = memory_.find(ref.root);
  if (m != memory_.end()) m->second.DeleteSection(ref.path, recursive);
  return RC_OK;
}

cmn_RegHandleT cmn_ConfigStoreC::RootByName(std::string_view name) {
  static const struct {
    const char* long_name;
    const char* short_name;
    cmn_RegHandleT handle;
  } kRoots[] = {
      {"HKEY_CLASSES_ROOT", "HKCR", cmn_kHKCR},   {"HKEY_CURRENT_USER", "HKCU", cmn_kHKCU},
      {"HKEY_LOCAL_MACHINE", "HKLM", cmn_kHKLM},  {"HKEY_USERS", "HKU", cmn_kHKU},
      {"HKEY_CURRENT_CONFIG", "HKCC", cmn_kHKCC},
  };
  for (const auto& r : kRoots) {
    if (EqualsFolded(name, r.long_name) || EqualsFolded(name, r.short_name)) return r.handle;
  }
  return 0;
}

uint32_t cmn_ConfigStoreC::Open(cmn_RegHandleT parent, std::string_view path, uint32_t access,
                                cmn_RegHandleT* key) {
  if (key == nullptr) return cmn_kRegBadArgument;
  cmn_MutexLockC lock(mu_);
  KeyRefS ref;
  if (uint32_t rc = Resolve(parent, path, &ref); rc != RC_OK) return rc;
  RefreshAll();
  if (!KeyExists(ref.root, ref.path)) return cmn_kRegNoSuchKey;
  return NewHandle(ref, access | kAccessRead, key);
}

uint32_t cmn_ConfigStoreC::Close(cmn_RegHandleT key) {
  if (IsRoot(key)) return RC_OK;
  cmn_MutexLockC lock(mu_);
  return handles_.erase(key) != 0 ? RC_OK : cmn_kRegBadHandle;
}

uint32_t cmn_ConfigStoreC::AttachFile(std::string_view file, std::string_view root_name,
                                      std::string_view path) {
  cmn_RegHandleT root = RootByName(root_name);
  if (root == 0 || file.empty()) return cmn_kRegBadArgument;
  cmn_MutexLockC lock(mu_);
  std::string key = cmn_IniDocumentC::NormalisePath(path);
  // Attaching the same file to the same key again makes it the newest.
  for (auto it = files_.begin(); it != files_.end(); ++it) {
    if ((*it)->root == root && (*it)->file == file && EqualsFolded((*it)->key, key)) {
      auto b = std::move(*it);
      files_.erase(it);
      files_.push_back(std::move(b));
      return RC_OK;
    }
  }
  auto b = std::make_unique<BackingS>();
  b->root = root;
  b->key = key;
  b->file.assign(file);
  b->create_mode = root == cmn_kHKCU ? 0600 : 0644;
  b->dir_mode = root == cmn_kHKCU ? 0700 : 0;
  // A file the safe-open rules refuse is not attached at all.
  std::string content;
  cmn_FileStampS stamp;
  int kept = -1;
  const cmn_ErrMarkC mark;
  RcT rc = cmn_ReadStoreFile(b->file, &content, &stamp, &kept);
  if (rc == cmn_kPathRefused) {
    // The refusal names the real reason (owner, mode, link); the program logs the warning.
    Warn("Configuration file '" + b->file + "' is not used: " + RefusalReason(mark));
    return cmn_kRegFileRefused;
  }
  if (rc == RC_OK) {
    b->fd.Reset(kept);
    Load(*b, content, stamp);
  } else {
    Refresh(*b);
  }
  files_.push_back(std::move(b));
  return RC_OK;
}

std::vector<std::string> cmn_ConfigStoreC::AttachedFiles(cmn_RegHandleT root) {
  cmn_MutexLockC lock(mu_);
  std::vector<std::string> out;
  for (const auto& b : files_) {
    if (b->root == root) out.push_back(b->file);
  }
  return out;
}

std::vector<cmn_ConfigStoreC::AttachmentS> cmn_ConfigStoreC::Attachments() {
  cmn_MutexLockC lock(mu_);
  std::vector<AttachmentS> out;
  for (const auto& b : files_) out.push_back(AttachmentS{b->root, b->key, b->file});
  return out;
}

bool cmn_ConfigStoreC::Origin(cmn_RegHandleT root, std::string_view path, std::string_view name,
                              std::string* file, size_t* line) {
  cmn_MutexLockC lock(mu_);
  const std::string normal = cmn_IniDocumentC::NormalisePath(path);
  RefreshAll();
  std::string rel;
  for (auto it = files_.rbegin(); it != files_.rend(); ++it) {
    if (!Covers(**it, root, normal, &rel) || (*it)->doc.FindValue(rel, name) == nullptr) continue;
    *file = (*it)->file;
    *line = (*it)->doc.LineOfValue(rel, name);
    return true;
  }
  auto m = memory_.find(root);
  if (m == memory_.end() || m->second.FindValue(normal, name) == nullptr) return false;
  file->clear();
  *line = 0;
  return true;
}

bool cmn_ConfigStoreC::SetWriteTarget(std::string_view file) {
  cmn_MutexLockC lock(mu_);
  if (file.empty()) {
    write_target_.clear();
    return true;
  }
  for (const auto& b : files_) {
    if (b->file == file) {
      write_target_.assign(file);
      return true;
    }
  }
  return false;
}

void cmn_ConfigStoreC::LastWrite(std::string* file, bool* changed) {
  cmn_MutexLockC lock(mu_);
  *file = last_written_;
  *changed = last_changed_;
}

std::vector<cmn_ConfigStoreC::DiagnosticS> cmn_ConfigStoreC::TakeDiagnostics() {
  cmn_MutexLockC lock(mu_);
  return std::exchange(diagnostics_, {});
}

size_t cmn_ConfigStoreC::WriteFailures() {
  cmn_MutexLockC lock(mu_);
  return write_failures_;
}

void cmn_ConfigStoreC::SetWritesOptional(bool optional) {
  cmn_MutexLockC lock(mu_);
  writes_optional_ = optional;
}

void cmn_ConfigStoreC::SetReadOnly(bool read_only) {
  cmn_MutexLockC lock(mu_);
  read_only_ = read_only;
}
