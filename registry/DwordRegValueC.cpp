#include "registry/DwordRegValueC.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "log/Trace.h"
#include "log/TraceCategories.h"

RegStatusC DwordRegValueC::WriteRegistry(cmn_RegHandleT key, const StringC& name) {
  std::string utf8 = name.ToUtf8();
  TraceV(TrcRegValSet, "DwordRegValueC::SetRegValue(%p, %s)", static_cast<const void*>(this),
         utf8.c_str());
  return GenericWrite(key, name, 4, &value_, sizeof value_);
}

RegStatusC DwordRegValueC::ReadRegistry(cmn_RegHandleT key, const StringC& name) {
  std::vector<uint8_t> buffer;
  RegStatusC st = GenericRead(key, name, 4, &buffer);
  if (!st.IsOk()) return st;
  if (buffer.size() != sizeof value_) return RegStatusC::Failure(REG_E_READ_VALUE);
  std::memcpy(&value_, buffer.data(), sizeof value_);
  TraceV(TrcRegValGet, "DwordRegValueC::GetRegValue(%p, %S): got %08lx",
         static_cast<const void*>(this), &name, static_cast<unsigned long>(value_));
  return st;
}

RegStatusC DwordRegValueC::GetText(std::string* text) const {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08lx", static_cast<unsigned long>(value_));
  *text = buf;
  return RegStatusC();
}

RegStatusC DwordRegValueC::SetFromText(const char* text) {
  if (text == nullptr) return RegStatusC::Failure(REG_E_WRONG_TYPE);
  const char* p = text;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) p += 2;
  uint64_t v = 0;
  int digits = 0;
  for (; *p != '\0'; ++p, ++digits) {
    char c = *p;
    int d = (c >= '0' && c <= '9')   ? c - '0'
            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                     : -1;
    if (d < 0) return RegStatusC::Failure(REG_E_WRONG_TYPE);
    v = v * 16 + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return RegStatusC::Failure(REG_E_WRONG_TYPE);
  }
  if (digits == 0) return RegStatusC::Failure(REG_E_WRONG_TYPE);
  value_ = static_cast<uint32_t>(v);
  return RegStatusC();
}
