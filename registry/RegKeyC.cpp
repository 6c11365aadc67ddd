#include "registry/RegKeyC.h"

#include <strings.h>

#include "cmn/cmn_ConfigurationI.h"
#include "cmn/cmn_Services.h"
#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "registry/BinaryRegValueC.h"
#include "registry/DwordRegValueC.h"
#include "registry/StringRegValueC.h"

std::atomic<cmn_RegistryI*> RegKeyC::m_Reg{nullptr};
std::atomic<bool> RegKeyC::m_TriedReg{false};

namespace {

struct RootNameS {
  cmn_RegHandleT handle;
  const char* long_name;
  const char* short_name;
};
constexpr RootNameS kRoots[] = {
    {cmn_kHKCR, "HKEY_CLASSES_ROOT", "HKCR"},   {cmn_kHKCU, "HKEY_CURRENT_USER", "HKCU"},
    {cmn_kHKLM, "HKEY_LOCAL_MACHINE", "HKLM"},  {cmn_kHKU, "HKEY_USERS", "HKU"},
    {cmn_kHKCC, "HKEY_CURRENT_CONFIG", "HKCC"},
};

}  // namespace

cmn_RegistryI* RegKeyC::Registry() noexcept {
  bool expected = false;
  if (m_TriedReg.compare_exchange_strong(expected, true)) {
    cmn_ConfigurationI* config = getConfiguration(1);
    if (config == nullptr) {
      TraceV(TrcRegKey, "getConfiguration(%d) failed", 1);
    } else if (cmn_RegistryI* reg = config->Registry(); reg == nullptr) {
      TraceV(TrcRegKey, "getConfiguration(%d)->registry() failed", 1);
    } else {
      m_Reg.store(reg);
    }
  }
  return m_Reg.load();
}

void RegKeyC::SetRegistryForTest(cmn_RegistryI* registry) noexcept {
  m_Reg.store(registry);
  m_TriedReg.store(registry != nullptr);
}

cmn_RegHandleT RegKeyC::RootHandle(const char* name) noexcept {
  if (name == nullptr) return 0;
  for (const auto& r : kRoots) {
    if (::strcasecmp(name, r.long_name) == 0 || ::strcasecmp(name, r.short_name) == 0) {
      return r.handle;
    }
  }
  return 0;
}

const char* RegKeyC::RootLongName(cmn_RegHandleT root) noexcept {
  for (const auto& r : kRoots) {
    if (r.handle == root) return r.long_name;
  }
  return "";
}

StringC RegKeyC::RootShortName(cmn_RegHandleT root) {
  for (const auto& r : kRoots) {
    if (r.handle == root) return StringC(r.short_name, StringC::CC_ASCII);
  }
  return StringC();
}

RegKeyC::RegKeyC(cmn_RegHandleT root, const StringC& path) : root_(root), path_(path) {
  TraceV(TrcRegKey, "RegKeyC::RegKeyC(%s, \"%S\") @ %p", RootLongName(root), &path_,
         static_cast<const void*>(this));
}

RegKeyC::~RegKeyC() {
  // Best effort: a failed close leaves nothing to undo here.
  (void)Close();
  TraceV(TrcRegKey, "RegKeyC::~RegKeyC() @ %p", static_cast<const void*>(this));
}

RegStatusC RegKeyC::Close() {
  cmn_RegistryI* reg = Registry();
  RegStatusC st;
  if (reg != nullptr && key_ != 0 && reg->Close(key_) != RC_OK) {
    st = RegStatusC::Failure(REG_E_CLOSE_KEY);
  }
  key_ = 0;
  access_ = 0;
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  if (reg != nullptr && root_key_ != 0) (void)reg->Close(root_key_);
  root_key_ = 0;
  root_access_ = 0;
  return st;
}

RegStatusC RegKeyC::Open(uint32_t access) {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RegStatusC::Failure(REG_E_UNAVAILABLE);
  if (key_ != 0) {
    if ((access_ & access) == access) return RegStatusC();
    TraceV(TrcRegKeyOpen, "RegKeyC::OpenKey(): different access mode required.");
    // Best effort: a handle this call opened; a failed close leaves nothing to undo.
    (void)reg->Close(key_);
    key_ = 0;
  }
  if (root_ == 0) return RegStatusC::Failure(REG_E_INVALID_KEY);
  access_ |= access;
  uint32_t rc = reg->Open(Base(), path_.ToUtf8(), access_ | REG_ACCESS_READ, &key_);
  if (rc != RC_OK) {
    key_ = 0;
    StringC error = RegStatusC::Failure(REG_E_OPEN_KEY, rc).Detail();
    TraceV(TrcRegKeyOpen, "RegKeyC::OpenKey(): RegOpenKeyEx failed (%S) for key \"%s\\%S\".",
           &error, RootLongName(root_), &path_);
    return RegStatusC::Failure(REG_E_OPEN_KEY, rc);
  }
  return RegStatusC();
}

RegStatusC RegKeyC::OpenRoot(uint32_t access) {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RegStatusC::Failure(REG_E_UNAVAILABLE);
  if (root_ == 0) return RegStatusC::Failure(REG_E_INVALID_KEY);
  if ((root_access_ & access) == access && root_key_ != 0) return RegStatusC();
  TraceV(TrcRegKeyOpen, "RegKeyC::OpenRoot(): different access mode required.");
  cmn_RegHandleT reopened = 0;
  uint32_t mask = root_access_ | access;
  uint32_t rc = reg->Open(root_, "", mask | REG_ACCESS_READ, &reopened);
  if (rc != RC_OK) return RegStatusC::Failure(REG_E_OPEN_KEY, rc);
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  if (root_key_ != 0) (void)reg->Close(root_key_);
  root_key_ = reopened;
  root_access_ = mask;
  return RegStatusC();
}

RegStatusC RegKeyC::Create() {
  TraceV(TrcRegKeyCreateSubKey, "RegKeyC::CreateKey(): Creating: \"%s\\%S\"", RootLongName(root_),
         &path_);
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RegStatusC::Failure(REG_E_UNAVAILABLE);
  if (key_ != 0) return RegStatusC();
  RegStatusC st = OpenRoot(REG_ACCESS_READ_WRITE);
  if (!st.IsOk()) {
    TraceV(TrcRegKeyCreateSubKey, "RegKeyC::CreateKey(): Invalid Key!");
    return st;
  }
  access_ |= REG_ACCESS_READ_WRITE;
  uint32_t rc = reg->Create(Base(), path_.ToUtf8(), &key_);
  if (rc != RC_OK) {
    key_ = 0;
    return RegStatusC::Failure(REG_E_OPEN_KEY, rc);
  }
  return RegStatusC();
}

RegStatusC RegKeyC::Exists(bool* exists, StringC* missing) {
  if (root_ == 0) {
    TraceV(TrcRegKey, "RegKeyC::ExistsKey(): Invalid Key!");
    return RegStatusC::Failure(REG_E_INVALID_KEY);
  }
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RegStatusC::Failure(REG_E_UNAVAILABLE);
  if (Open(access_ == 0 ? REG_ACCESS_READ : access_).IsOk()) {
    TraceV(TrcRegKey, "RegKeyC::ExistsKey(): \"%s\\%S\" exists.", RootLongName(root_), &path_);
    if (exists) *exists = true;
    if (missing) missing->MakeEmpty();
    return RegStatusC();
  }
  TraceV(TrcRegKey, "RegKeyC::ExistsKey(): OpenKey failed -> key does not exist.");
  if (exists) *exists = false;
  if (missing != nullptr) {
    // Cut components off the end until a key opens; the component after it is missing.
    StringC prefix = path_;
    StringC first_missing = path_;
    for (;;) {
      int64_t cut = prefix.FindCharBackwards(U'\\');
      if (cut < 0) {
        first_missing = prefix;
        break;
      }
      first_missing = prefix.Substring(cut + 1);
      prefix = prefix.Substring(0, cut);
      cmn_RegHandleT h = 0;
      if (reg->Open(Base(), prefix.ToUtf8(), REG_ACCESS_READ, &h) == RC_OK) {
        // Best effort: a handle this call opened; a failed close leaves nothing to undo.
        (void)reg->Close(h);
        break;
      }
    }
    *missing = first_missing;
  }
  return RegStatusC();
}

RegStatusC RegKeyC::Delete() {
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RegStatusC::Failure(REG_E_UNAVAILABLE);
  if (key_ != 0) {
    // Best effort: a handle this call opened; a failed close leaves nothing to undo.
    (void)reg->Close(key_);
    key_ = 0;
    access_ = 0;
  }
  RegStatusC st = OpenRoot(REG_ACCESS_READ_WRITE);
  if (!st.IsOk()) {
    TraceV(TrcRegKeyDeleteKey, "RegKeyC::DeleteKey(): Invalid Key!");
    return st;
  }
  cmn_RegHandleT h = 0;
  std::string path = path_.ToUtf8();
  uint32_t rc = reg->OpenForEnumeration(Base(), path, &h);
  if (rc != RC_OK) return RegStatusC::Failure(REG_E_DELETE_KEY, rc);
  std::string name;
  bool empty = reg->EnumerateSubkeys(h, 0, &name) == cmn_kRegNoMoreItems &&
               reg->EnumerateValues(h, 0, &name) == cmn_kRegNoMoreItems;
  // Best effort: a handle this call opened; a failed close leaves nothing to undo.
  (void)reg->CloseEnumeration(h);
  if (!empty) return RegStatusC::Failure(REG_E_KEY_NOT_EMPTY);
  rc = reg->DeleteKey(Base(), path, false);
  if (rc != RC_OK) return RegStatusC::Failure(REG_E_DELETE_KEY, rc);
  return RegStatusC();
}

RegStatusC RegKeyC::Destroy(cmn_RegHandleT root, const StringC& path) {
  TraceV(TrcRegKeyDeleteKey, "RegKeyC::DestroyKey(\"%s\\%S\")", RootLongName(root), &path);
  cmn_RegistryI* reg = Registry();
  if (reg == nullptr) return RegStatusC::Failure(REG_E_UNAVAILABLE);
  if (root == 0) return RegStatusC::Failure(REG_E_INVALID_KEY);
  uint32_t rc = reg->DeleteKey(root, path.ToUtf8(), true);
  if (rc != RC_OK) {
    RegStatusC st = RegStatusC::Failure(REG_E_DELETE_KEY, rc);
    TraceV(TrcRegKeyDeleteKey, "RegKeyC::DestroyKey(): RegDeleteKey() failed! (%S)", &st.Detail());
    return st;
  }
  return RegStatusC();
}

RegStatusC RegKeyC::Destroy() {
  if (!Close().IsOk()) TraceV(TrcRegKeyDeleteKey, "RegKeyC::DestroyKey(): failed to close key!");
  if (root_ == 0) {
    TraceV(TrcRegKeyDeleteKey, "RegKeyC::DestroyKey(): Invalid Key!");
    return RegStatusC::Failure(REG_E_INVALID_KEY);
  }
  return Destroy(root_, path_);
}

RegStatusC RegKeyC::EnumerateValues(StringArrayC* names) {
  RegStatusC st = Open(access_ == 0 ? REG_ACCESS_READ : access_);
  if (!st.IsOk()) return st;
  cmn_RegistryI* reg = Registry();
  std::string name;
  for (uint32_t i = 0;; ++i) {
    uint32_t rc = reg->EnumerateValues(key_, i, &name);
    if (rc == cmn_kRegNoMoreItems) return RegStatusC();
    if (rc != RC_OK) return RegStatusC::Failure(REG_E_ENUMERATE, rc);
    names->Append(StringC::FromUtf8(name));
  }
}

RegStatusC RegKeyC::EnumerateSubkeys(StringArrayC* names) {
  RegStatusC st = Open(access_ == 0 ? REG_ACCESS_READ : access_);
  if (!st.IsOk()) return st;
  cmn_RegistryI* reg = Registry();
  std::string name;
  for (uint32_t i = 0;; ++i) {
    uint32_t rc = reg->EnumerateSubkeys(key_, i, &name);
    if (rc == cmn_kRegNoMoreItems) return RegStatusC();
    if (rc != RC_OK) return RegStatusC::Failure(REG_E_ENUMERATE, rc);
    names->Append(StringC::FromUtf8(name));
  }
}

RegStatusC RegKeyC::ReadValue(const StringC& name, RegValueC** value) {
  if (value == nullptr) return RegStatusC::Failure(REG_E_READ_VALUE);
  *value = nullptr;
  RegStatusC st = Open(access_ == 0 ? REG_ACCESS_READ : access_);
  if (!st.IsOk()) return st;
  uint32_t type = 0;
  size_t size = 0;
  uint32_t rc = Registry()->QueryValue(key_, name.ToUtf8(), nullptr, &size, &type);
  if (rc != RC_OK) return RegStatusC::Failure(REG_E_QUERY_VALUE, rc);
  RegValueC* made = nullptr;
  switch (type) {
    case 1:
    case 2:
    case 7:
      made = new StringRegValueC(type);
      break;
    case 3:
      made = new BinaryRegValueC();
      break;
    case 4:
      made = new DwordRegValueC();
      break;
    default:
      return RegStatusC::Failure(REG_E_WRONG_TYPE);
  }
  made->AddRef();
  st = made->ReadRegistry(key_, name);
  if (!st.IsOk()) {
    made->Release();
    return st;
  }
  *value = made;
  return st;
}

RegStatusC RegKeyC::ReadValue(const StringC& name, RegValueC* value) {
  RegStatusC st = Open(access_ == 0 ? REG_ACCESS_READ : access_);
  if (!st.IsOk()) return st;
  return value->ReadRegistry(key_, name);
}

RegStatusC RegKeyC::WriteValue(const StringC& name, RegValueC* value) {
  RegStatusC st = Open(REG_ACCESS_WRITE);
  if (!st.IsOk()) return st;
  return value->WriteRegistry(key_, name);
}

RegStatusC RegKeyC::ValueExists(const StringC& name, bool* exists) {
  RegStatusC st = Open(access_ == 0 ? REG_ACCESS_READ : access_);
  if (!st.IsOk()) return st;
  uint32_t rc = Registry()->ValueExists(key_, name.ToUtf8());
  if (rc == RC_OK) {
    *exists = true;
  } else if (rc == cmn_kRegNoSuchValue) {
    *exists = false;
  } else {
    return RegStatusC::Failure(REG_E_QUERY_VALUE, rc);
  }
  return RegStatusC();
}

RegStatusC RegKeyC::DeleteValue(const StringC* name) {
  if (name != nullptr) {
    TraceV(TrcRegKeyDeleteVal, "RegKeyC::DeleteValue(%S)", name);
  } else {
    TraceV(TrcRegKeyDeleteVal, "RegKeyC::DeleteValue(%s)", "(Default)");
  }
  RegStatusC st = Open(REG_ACCESS_WRITE);
  if (!st.IsOk()) return st;
  uint32_t rc = Registry()->DeleteValue(key_, name != nullptr ? name->ToUtf8() : std::string());
  if (rc != RC_OK) return RegStatusC::Failure(REG_E_DELETE_VALUE, rc);
  return RegStatusC();
}
