#include "registry/RegValueC.h"

#include <strings.h>

#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "registry/RegKeyC.h"

RegValueC::~RegValueC() = default;

RcT RegValueC::QueryInterface(const GuidC& iid, void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  if (iid == IID_ZelRegValue || iid == IID_IUnknown) {
    AddRef();
    *out = static_cast<ZelRegValueI*>(this);
    return RC_OK;
  }
  *out = nullptr;
  return RC_NOINTERFACE;
}

uint32_t RegValueC::AddRef() noexcept {
  return refs_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t RegValueC::Release() noexcept {
  uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

uint32_t RegValueC::TypeCode(const char* name) noexcept {
  if (name == nullptr) return 0;
  static const struct {
    const char* name;
    uint32_t code;
  } kTypes[] = {{"SZ", 1}, {"EXPAND_SZ", 2}, {"BINARY", 3}, {"DWORD", 4}, {"MULTI_SZ", 7}};
  for (const auto& t : kTypes) {
    if (::strcasecmp(name, t.name) == 0) return t.code;
  }
  return 0;
}

const char* RegValueC::TypeName(uint32_t code) noexcept {
  switch (code) {
    case 1:
      return "SZ";
    case 2:
      return "EXPAND_SZ";
    case 3:
      return "BINARY";
    case 4:
      return "DWORD";
    case 7:
      return "MULTI_SZ";
    default:
      return "";
  }
}

RegStatusC RegValueC::GenericRead(cmn_RegHandleT key, const StringC& name, uint32_t expected_type,
                                  std::vector<uint8_t>* buffer) const {
  if (buffer == nullptr) {
    TraceV(TrcRegValGet,
           "RegValueC::ReadRegistry() called with invalid params. Buffer passed in, but not its "
           "size");
    return RegStatusC::Failure(REG_E_READ_VALUE);
  }
  cmn_RegistryI* reg = RegKeyC::Registry();
  if (reg == nullptr) return RegStatusC::Failure(REG_E_UNAVAILABLE);
  size_t size = 0;
  uint32_t type = 0;
  std::string utf8 = name.ToUtf8();
  uint32_t rc = reg->QueryValue(key, utf8, nullptr, &size, &type);
  if (rc != RC_OK) return RegStatusC::Failure(REG_E_READ_VALUE, rc);
  if (type != expected_type) return RegStatusC::Failure(REG_E_WRONG_TYPE);
  if (size == 0) size = 1;
  if (buffer->size() < size) buffer->resize(size);
  (*buffer)[0] = 0;
  rc = reg->QueryValue(key, utf8, buffer->data(), &size, &type);
  if (rc != RC_OK) return RegStatusC::Failure(REG_E_READ_VALUE, rc);
  buffer->resize(size);
  TraceV(TrcRegValGet,
         "RegValueC::ReadRegistry(): succeeded: Type = %s, Name = %s, Data stored @ %p",
         TypeName(type), utf8.c_str(), static_cast<const void*>(buffer->data()));
  return RegStatusC();
}

RegStatusC RegValueC::GenericWrite(cmn_RegHandleT key, const StringC& name, uint32_t type,
                                   const void* data, size_t size) const {
  cmn_RegistryI* reg = RegKeyC::Registry();
  if (reg == nullptr) return RegStatusC::Failure(REG_E_UNAVAILABLE);
  uint32_t rc = reg->WriteValue(key, name.ToUtf8(), type, data, size);
  if (rc != RC_OK) return RegStatusC::Failure(REG_E_WRITE_VALUE, rc);
  TraceV(TrcRegValSet, "RegValueC::WriteRegistry");
  return RegStatusC();
}
