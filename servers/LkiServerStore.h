// Store helpers of the server layer: key paths ("HKLM\Software\...") taken apart, value texts
// read, and text values written only when the stored text differs (so that an unchanged
// location leaves its file untouched).
#ifndef QLM_SERVERS_LKISERVERSTORE_H_
#define QLM_SERVERS_LKISERVERSTORE_H_

#include <string>
#include <string_view>

#include "base/StringC.h"
#include "cmn/cmn_RegistryI.h"
#include "cmn/cmn_Result.h"

class RegKeyC;

// A key of the store: its root handle and the path below the root.
struct LkiStoreKeyS {
  cmn_RegHandleT root = 0;
  StringC path;
};

// Splits `keyPath` at its first backslash into the root (long or short name) and the path.
// False for a path without a backslash or with an unknown root.
bool LkiSplitStorePath(const StringC& keyPath, LkiStoreKeyS* out);

// The text of value `name` of `where`: texts as stored, a DWORD in decimal, a list of texts in
// the registry value's text form. False (and `text` empty) when it cannot be read.
bool LkiReadValueText(const LkiStoreKeyS& where, const StringC& name, std::string* text);

// Writes `text` as the text value `name` of the open key `key` unless the key already holds
// that text as a text value. 0 or the store's failure (as a registry message number).
[[nodiscard]] RcT LkiWriteTextIfChanged(RegKeyC& key, const LkiStoreKeyS& where,
                                        const StringC& name, std::string_view text);

#endif  // QLM_SERVERS_LKISERVERSTORE_H_
