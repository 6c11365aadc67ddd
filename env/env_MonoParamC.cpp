#include "env/env_MonoParamC.h"

env_MonoParamC::env_MonoParamC(const env_EnvOptsC& key) : m_oKey(key) {}

env_MonoParamC::~env_MonoParamC() = default;

void env_MonoParamC::SetValue(const StringC& value) {
  m_sValue = value;
}

StringC env_MonoParamC::GetValue() {
  return m_sValue;
}

bool env_MonoParamC::AddValue(const StringC& value) {
  if (!m_sValue.IsEmpty()) return false;
  m_sValue = value;
  return true;
}

void env_MonoParamC::RemoveValue() {
  m_sValue.MakeEmpty();
}

bool env_MonoParamC::IsEmpty() const {
  return m_sValue.IsEmpty();
}

int env_MonoParamC::GetCount() const {
  return m_sValue.IsEmpty() ? 0 : 1;
}

void env_MonoParamC::Apply(env_FunctionI& function) {
  // The function's answer is the value it rewrote.
  (void)function.Apply(m_sValue);
}

bool env_MonoParamC::Find(env_FunctionI& function) {
  return function.Apply(m_sValue);
}
