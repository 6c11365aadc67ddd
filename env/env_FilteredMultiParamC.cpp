#include "env/env_FilteredMultiParamC.h"

env_FilteredMultiParamC::env_FilteredMultiParamC(const env_EnvOptsC& key) : env_MultiParamC(key) {}

env_FilteredMultiParamC::env_FilteredMultiParamC(const env_EnvOptsC& key, const StringC& first)
    : env_MultiParamC(key, first) {}

env_FilteredMultiParamC::~env_FilteredMultiParamC() = default;

StringC env_FilteredMultiParamC::Filter(const StringC& value) {
  return value;
}

size_t env_FilteredMultiParamC::PlaceFor(const StringC& v) const noexcept {
  if (!m_oKey.HasOption(env_EnvOptsC::values_sorted)) return m_aValues.size();
  size_t at = m_aValues.size();
  while (at > 0 && m_aValues[at - 1].Compare(v) > 0) --at;
  return at;
}

bool env_FilteredMultiParamC::AddValue(const StringC& value) {
  const StringC v = Filter(value);
  if (RefusesEmpty(v)) return false;
  if (m_oKey.HasOption(env_EnvOptsC::values_unique) && IndexOfExact(v) < m_aValues.size()) {
    return false;
  }
  InsertAt(PlaceFor(v), v);
  return true;
}

void env_FilteredMultiParamC::SetValue(const StringC& value) {
  const StringC v = Filter(value);
  if (RefusesEmpty(v)) return;
  if (!HasCurrent()) {
    InsertAt(PlaceFor(v), v);
    return;
  }
  if (m_aValues[m_nPos].Equals(v)) return;
  if (m_oKey.HasOption(env_EnvOptsC::values_unique) && IndexOfExact(v) < m_aValues.size()) {
    RemoveCurrent();
    return;
  }
  if (!m_oKey.HasOption(env_EnvOptsC::values_sorted)) {
    m_aValues[m_nPos] = v;
    return;
  }
  // Sorted: the new value may belong elsewhere; move it there and keep the position on it.
  RemoveCurrent();
  const size_t at = PlaceFor(v);
  InsertAt(at, v);
  m_nPos = at;
}
