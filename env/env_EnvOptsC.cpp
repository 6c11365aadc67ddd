#include "env/env_EnvOptsC.h"

env_EnvOptsC::env_EnvOptsC(const StringC& name, uint64_t options) noexcept
    : name_(name), options_(options) {}

env_EnvOptsC::env_EnvOptsC(const env_EnvOptsC& other)
    : name_(other.GetName()), options_(other.GetOptions()) {}

env_EnvOptsC& env_EnvOptsC::operator=(const env_EnvOptsC& other) {
  if (this != &other) {
    name_ = other.GetName();
    options_ = other.GetOptions();
  }
  return *this;
}

env_EnvOptsC::~env_EnvOptsC() = default;

StringC env_EnvOptsC::GetName() const {
  return name_;
}

void env_EnvOptsC::SetName(const StringC& name) {
  name_ = name;
}

bool env_EnvOptsC::HasOption(uint64_t mask) const noexcept {
  return (options_ & mask) == mask;
}

void env_EnvOptsC::SetOption(uint64_t mask, bool on) noexcept {
  if (on) {
    options_ |= mask;
  } else {
    options_ &= ~mask;
  }
}

uint64_t env_EnvOptsC::GetOptions() const noexcept {
  return options_;
}

StringC env_EnvOptsC::GetKey() const {
  return name_;
}
