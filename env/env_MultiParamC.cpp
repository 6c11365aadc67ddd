#include "env/env_MultiParamC.h"

env_MultiParamC::env_MultiParamC(const env_EnvOptsC& key) : m_oKey(key) {}

env_MultiParamC::env_MultiParamC(const env_EnvOptsC& key, const StringC& first)
    : m_oKey(key), m_aValues{first}, m_nPos(0) {}

env_MultiParamC::~env_MultiParamC() = default;

const StringC& env_MultiParamC::NullValue() noexcept {
  // Never destroyed: parameters may be read while other statics are torn down at exit.
  static const StringC* const empty = new StringC();
  return *empty;
}

void env_MultiParamC::SetValue(const StringC& value) {
  if (HasCurrent()) {
    m_aValues[m_nPos] = value;
  } else {
    m_aValues.push_back(value);
    m_nPos = m_aValues.size();
  }
}

StringC env_MultiParamC::GetValue() {
  return HasCurrent() ? m_aValues[m_nPos] : NullValue();
}

bool env_MultiParamC::AddValue(const StringC& value) {
  m_aValues.push_back(value);
  m_nPos = m_aValues.size();
  return true;
}

void env_MultiParamC::RemoveValue() {
  if (HasCurrent()) RemoveCurrent();
}

void env_MultiParamC::RemoveCurrent() {
  const size_t at = m_nPos;
  m_aValues.erase(m_aValues.begin() + static_cast<std::ptrdiff_t>(at));
  // From the first value the position stays at index 0, the new first value (or past the end
  // of an emptied list); otherwise it moves to the value before the removed one.
  m_nPos = at == 0 ? 0 : at - 1;
}

void env_MultiParamC::InsertAt(size_t index, const StringC& value) {
  if (index > m_aValues.size()) index = m_aValues.size();
  m_aValues.insert(m_aValues.begin() + static_cast<std::ptrdiff_t>(index), value);
  m_nPos = m_aValues.size();
}

size_t env_MultiParamC::IndexOfExact(const StringC& value) const noexcept {
  for (size_t i = 0; i < m_aValues.size(); ++i) {
    if (m_aValues[i].Equals(value)) return i;
  }
  return m_aValues.size();
}

void env_MultiParamC::MoveFirst() {
  m_nPos = 0;
}

void env_MultiParamC::MoveEnd() {
  m_nPos = m_aValues.size();
}

void env_MultiParamC::MoveNext() {
  if (HasCurrent() && m_nPos + 1 < m_aValues.size()) ++m_nPos;
}

void env_MultiParamC::MovePrev() {
  if (HasCurrent() && m_nPos > 0) --m_nPos;
}

bool env_MultiParamC::IsFirst() const {
  return m_aValues.empty() || m_nPos == 0;
}

bool env_MultiParamC::IsLast() const {
  return m_aValues.empty() || !HasCurrent() || m_nPos + 1 == m_aValues.size();
}

bool env_MultiParamC::IsEmpty() const {
  return m_aValues.empty();
}

int env_MultiParamC::GetCount() const {
  return static_cast<int>(m_aValues.size());
}

void env_MultiParamC::Apply(env_FunctionI& function) {
  // Index-based: the function only sees one value at a time and cannot change the list.
  for (size_t i = 0; i < m_aValues.size(); ++i) (void)function.Apply(m_aValues[i]);
  MoveFirst();
}

bool env_MultiParamC::Find(env_FunctionI& function) {
  for (; HasCurrent(); ++m_nPos) {
    if (function.Apply(m_aValues[m_nPos])) return true;
  }
  MoveEnd();
  return false;
}
