#include "env/env_EnvOptsC.h"

env_EnvOptsC::env_EnvOptsC(const StringC& name, uint64_t options) noexcept
    : m_sName(name), m_nOptions(options) {}

env_EnvOptsC::env_EnvOptsC(const env_EnvOptsC& other)
    : m_sName(other.GetName()), m_nOptions(other.GetOptions()) {}

env_EnvOptsC& env_EnvOptsC::operator=(const env_EnvOptsC& other) {
  if (this != &other) {
    m_sName = other.GetName();
    m_nOptions = other.GetOptions();
  }
  return *this;
}

env_EnvOptsC::~env_EnvOptsC() = default;

StringC env_EnvOptsC::GetName() const {
  return m_sName;
}

void env_EnvOptsC::SetName(const StringC& name) {
  m_sName = name;
}

bool env_EnvOptsC::HasOption(uint64_t mask) const noexcept {
  return (m_nOptions & mask) == mask;
}

void env_EnvOptsC::SetOption(uint64_t mask, bool on) noexcept {
  if (on) {
    m_nOptions |= mask;
  } else {
    m_nOptions &= ~mask;
  }
}

uint64_t env_EnvOptsC::GetOptions() const noexcept {
  return m_nOptions;
}

StringC env_EnvOptsC::GetKey() const {
  return m_sName;
}
