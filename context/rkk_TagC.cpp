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
    : name_(Copy(name != nullptr ? name : "")), value_(Copy(value)) {}

rkk_TagC::~rkk_TagC() = default;

void rkk_TagC::SetName(const char* text) {
  name_ = Copy(text != nullptr ? text : "");
}

void rkk_TagC::SetValue(const char* text) {
  value_ = Copy(text);
}

const char* rkk_TagC::GetName() const noexcept {
  return name_.get();
}

const char* rkk_TagC::GetValue() const noexcept {
  return value_.get();
}
