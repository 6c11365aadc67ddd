#include "servers/LkiServerStore.h"

#include "registry/RegKeyC.h"
#include "registry/RegValueC.h"
#include "registry/StringRegValueC.h"
#include "servers/LkiServerLocationC.h"

bool LkiSplitStorePath(const StringC& keyPath, LkiStoreKeyS* out) {
  const int64_t slash = keyPath.FindChar(U'\\');
  if (slash <= 0) return false;
  const std::string hive = keyPath.Substring(0, slash).ToUtf8();
  const cmn_RegHandleT root = RegKeyC::RootHandle(hive.c_str());
  if (root == 0) return false;
  out->root = root;
  out->path = keyPath.Substring(slash + 1);
  return true;
}

bool LkiReadValueText(const LkiStoreKeyS& where, const StringC& name, std::string* text) {
  text->clear();
  cmn_RegistryI* reg = RegKeyC::Registry();
  if (reg == nullptr) return false;
  const uint32_t rc = reg->ReadText(where.root, where.path.Utf8View(), name.Utf8View(), text);
  if (rc == RC_OK) return true;
  LkiWipe(text);
  if (rc != cmn_kRegWrongType) return false;
  // A list of texts or a binary value: the value object's text form.
  RegKeyC key(where.root, where.path);
  RegValueC* value = nullptr;
  if (!key.ReadValue(name, &value).IsOk() || value == nullptr) return false;
  const bool ok = value->GetText(text).IsOk();
  value->Release();
  if (!ok) LkiWipe(text);
  return ok;
}

RcT LkiWriteTextIfChanged(RegKeyC& key, const LkiStoreKeyS& where, const StringC& name,
                          std::string_view text) {
  cmn_RegistryI* reg = RegKeyC::Registry();
  if (reg == nullptr) return REG_E_UNAVAILABLE;
  std::string old;
  const uint32_t rc = reg->ReadText(where.root, where.path.Utf8View(), name.Utf8View(), &old);
  if (rc == RC_OK && old == text) {
    // Same text; make sure it is a plain text value and not a DWORD read as decimal.
    uint32_t type = 0;
    size_t size = 0;
    RegStatusC st = key.Open(REG_ACCESS_READ);
    const uint32_t q =
        st.IsOk() ? reg->QueryValue(key.Handle(), name.Utf8View(), nullptr, &size, &type) : RC_FAIL;
    if ((q == RC_OK || q == cmn_kRegMoreData) && (type == cmn_kRegSz || type == cmn_kRegExpandSz)) {
      LkiWipe(&old);
      return RC_OK;
    }
  }
  LkiWipe(&old);
  auto* value = new StringRegValueC(cmn_kRegSz, StringC::FromUtf8(text));
  value->AddRef();
  const RegStatusC st = key.WriteValue(name, value);
  value->Release();
  return st.IsOk() ? RC_OK : st.Code();
}
