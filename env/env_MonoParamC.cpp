#include "env/env_MonoParamC.h"

env_MonoParamC::env_MonoParamC(const env_EnvOptsC& key) : key_(key) {}

env_MonoParamC::~env_MonoParamC() = default;

void env_MonoParamC::SetValue(const StringC& value) {
  value_ = value;
}

StringC env_MonoParamC::GetValue() {
  return value_;
}

bool env_MonoParamC::AddValue(const StringC& value) {
  if (!value_.IsEmpty()) return false;
  value_ = value;
  return true;
}

void env_MonoParamC::RemoveValue() {
  value_.MakeEmpty();
}

bool env_MonoParamC::IsEmpty() const {
  return value_.IsEmpty();
}

int env_MonoParamC::GetCount() const {
  return value_.IsEmpty() ? 0 : 1;
}

void env_MonoParamC::Apply(env_FunctionI& function) {
  // The function's answer is the value it rewrote.
  (void)function.Apply(value_);
}

bool env_MonoParamC::Find(env_FunctionI& function) {
  return function.Apply(value_);
}
