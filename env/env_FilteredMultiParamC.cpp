#include "env/env_FilteredMultiParamC.h"

env_FilteredMultiParamC::env_FilteredMultiParamC(const env_EnvOptsC& key) : env_MultiParamC(key) {}

env_FilteredMultiParamC::env_FilteredMultiParamC(const env_EnvOptsC& key, const StringC& first)
    : env_MultiParamC(key, first) {}

env_FilteredMultiParamC::~env_FilteredMultiParamC() = default;

StringC env_FilteredMultiParamC::Filter(const StringC& value) {
  return value;
}

size_t env_FilteredMultiParamC::PlaceFor(const StringC& v) const noexcept {
  if (!key_.HasOption(env_EnvOptsC::values_sorted)) return values_.size();
  size_t at = values_.size();
  while (at > 0 && values_[at - 1].Compare(v) > 0) --at;
  return at;
}

bool env_FilteredMultiParamC::AddValue(const StringC& value) {
  const StringC v = Filter(value);
  if (RefusesEmpty(v)) return false;
  if (key_.HasOption(env_EnvOptsC::values_unique) && IndexOfExact(v) < values_.size()) {
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
  if (values_[pos_].Equals(v)) return;
  if (key_.HasOption(env_EnvOptsC::values_unique) && IndexOfExact(v) < values_.size()) {
    RemoveCurrent();
    return;
  }
  if (!key_.HasOption(env_EnvOptsC::values_sorted)) {
    values_[pos_] = v;
    return;
  }
  // Sorted: the new value may belong elsewhere; move it there and keep the position on it.
  RemoveCurrent();
  const size_t at = PlaceFor(v);
  InsertAt(at, v);
  pos_ = at;
}
