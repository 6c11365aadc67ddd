#include "registry/BinaryRegValueC.h"

#include <cstring>

#include "log/Trace.h"
#include "log/TraceCategories.h"

namespace {
int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

RegStatusC BinaryRegValueC::WriteRegistry(cmn_RegHandleT key, const StringC& name) {
  TraceV(TrcRegValSet, "BinaryRegValueC::SetRegValue(%p, %S)", static_cast<const void*>(this),
         &name);
  return GenericWrite(key, name, 3, bytes_.data(), bytes_.size());
}

RegStatusC BinaryRegValueC::ReadRegistry(cmn_RegHandleT key, const StringC& name) {
  std::vector<uint8_t> buffer;
  RegStatusC st = GenericRead(key, name, 3, &buffer);
  if (!st.IsOk()) return st;
  bytes_ = std::move(buffer);
  TraceV(TrcRegValGet, "BinaryRegValueC::GetRegValue(%p, %S): got %d bytes @%p",
         static_cast<const void*>(this), &name, static_cast<int>(bytes_.size()),
         static_cast<const void*>(bytes_.data()));
  return st;
}

RegStatusC BinaryRegValueC::GetText(std::string* text) const {
  static const char kHex[] = "0123456789ABCDEF";
  text->clear();
  for (uint8_t b : bytes_) {
    *text += kHex[b >> 4];
    *text += kHex[b & 15];
  }
  return RegStatusC();
}

RegStatusC BinaryRegValueC::SetFromText(const char* text) {
  if (text == nullptr) text = "";
  size_t n = std::strlen(text);
  std::vector<uint8_t> bytes;
  bytes.reserve((n + 1) / 2);
  for (size_t i = 0; i < n; i += 2) {
    int hi = Hex(text[i]);
    if (hi < 0) return RegStatusC::Failure(REG_E_WRONG_TYPE);
    if (i + 1 == n) {
      bytes.push_back(static_cast<uint8_t>(hi));  // an odd final digit stands alone
      break;
    }
    int lo = Hex(text[i + 1]);
    if (lo < 0) return RegStatusC::Failure(REG_E_WRONG_TYPE);
    bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
  }
  bytes_ = std::move(bytes);
  return RegStatusC();
}
