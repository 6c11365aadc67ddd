#include "cmn/cmn_Encodings.h"

#include <langinfo.h>
#include <strings.h>

#include <cctype>
#include <string>

namespace {

struct EncodingNameS {
  const char* name;
  cmn_EncodingE code;
};

constexpr EncodingNameS kNames[] = {
    {cmn_kEncUtf8, cmn_EncodingE::kUtf8},     {cmn_kEncValidUtf8, cmn_EncodingE::kValidUtf8},
    {cmn_kEncAscii, cmn_EncodingE::kAscii},   {cmn_kEncSys8, cmn_EncodingE::kSys8},
    {cmn_kEncLatin1, cmn_EncodingE::kLatin1}, {cmn_kEncWchar, cmn_EncodingE::kWchar},
    {cmn_kEncUtf16, cmn_EncodingE::kUtf16},
};

// The C library's codeset, upper-cased without "-" and "_": "ISO-8859-15" -> "ISO885915".
cmn_EncodingE DecideSystemEncoding() noexcept {
  const char* codeset = nl_langinfo(CODESET);
  std::string key;
  for (const char* p = codeset ? codeset : ""; *p != '\0'; ++p) {
    if (*p == '-' || *p == '_') continue;
    key += static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
  }
  return (key == "ISO88591" || key == "ISO885915") ? cmn_EncodingE::kLatin1 : cmn_EncodingE::kUtf8;
}

}  // namespace

cmn_EncodingE cmn_EncodingOf(const char* name) noexcept {
  if (name == nullptr) return cmn_EncodingE::kUnknown;
  // Callers almost always pass the constants themselves.
  for (const EncodingNameS& n : kNames) {
    if (name == n.name) return n.code;
  }
  for (const EncodingNameS& n : kNames) {
    if (strcasecmp(name, n.name) == 0) return n.code;
  }
  return cmn_EncodingE::kUnknown;
}

cmn_EncodingE cmn_SystemEncoding() noexcept {
  static const cmn_EncodingE encoding = DecideSystemEncoding();
  return encoding;
}
