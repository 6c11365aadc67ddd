#include "env/env_FunStrToIntC.h"

#include "base/TextUtil.h"
#include "cmn/cmn_Unicode.h"

env_FunStrToIntC::~env_FunStrToIntC() = default;

bool env_FunStrToIntC::IsNumber(const StringC& text) noexcept {
  if (text.IsAscii()) {
    for (const char ch : text.Utf8View()) {
      if (ch < '0' || ch > '9') return false;
    }
    return true;
  }
  const int64_t n = text.Length();
  for (int64_t i = 0; i < n; ++i) {
    if (!cmn_IsDigit(text.CharAt(i))) return false;
  }
  return true;
}

int64_t env_FunStrToIntC::ToInt(const StringC& text, int64_t fallback) noexcept {
  if (text.IsEmpty() || !IsNumber(text)) return fallback;
  // Only digits reach here, so the one failure ToInteger can report is trailing characters
  // (an octal reading stopped by 8 or 9) or range; either way the value read so far is used.
  RcT rc = RC_OK;
  return ToInteger(text, &rc, 0);
}
