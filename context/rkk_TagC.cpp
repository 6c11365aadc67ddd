#include "context/rkk_TagC.h"

#include <cstring>

namespace {

std::unique_ptr<char[]> Copy(const char* text) {
  if (text == nullptr) return nullptr;
  const size_t n = std::strlen(text) + 1;
  std::unique_ptr<char[]> copy(new char[n]);
  std::memcpy(copy.get(), text, n);
  return copy;
}

}  // namespace

rkk_TagC::rkk_TagC(const char* name, const char* value)
    : m_pName(Copy(name != nullptr ? name : "")), m_pValue(Copy(value)) {}

rkk_TagC::~rkk_TagC() = default;

void rkk_TagC::SetName(const char* text) {
  m_pName = Copy(text != nullptr ? text : "");
}

void rkk_TagC::SetValue(const char* text) {
  m_pValue = Copy(text);
}

const char* rkk_TagC::GetName() const noexcept {
  return m_pName.get();
}

const char* rkk_TagC::GetValue() const noexcept {
  return m_pValue.get();
}
