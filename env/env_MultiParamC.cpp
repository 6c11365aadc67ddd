#include "env/env_MultiParamC.h"

env_MultiParamC::env_MultiParamC(const env_EnvOptsC& key) : key_(key) {}

env_MultiParamC::env_MultiParamC(const env_EnvOptsC& key, const StringC& first)
    : key_(key), values_{first}, pos_(0) {}

env_MultiParamC::~env_MultiParamC() = default;

const StringC& env_MultiParamC::NullValue() noexcept {
  // Never destroyed: parameters may be read while other statics are torn down at exit.
  static const StringC* const empty = new StringC();
  return *empty;
}

void env_MultiParamC::SetValue(const StringC& value) {
  if (HasCurrent()) {
    values_[pos_] = value;
  } else {
    values_.push_back(value);
    pos_ = values_.size();
  }
}

StringC env_MultiParamC::GetValue() {
  return HasCurrent() ? values_[pos_] : NullValue();
}

bool env_MultiParamC::AddValue(const StringC& value) {
  values_.push_back(value);
  pos_ = values_.size();
  return true;
}

void env_MultiParamC::RemoveValue() {
  if (HasCurrent()) RemoveCurrent();
}

void env_MultiParamC::RemoveCurrent() {
  const size_t at = pos_;
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(at));
  // From the first value the position stays at index 0, the new first value (or past the end
  // of an emptied list); otherwise it moves to the value before the removed one.
  pos_ = at == 0 ? 0 : at - 1;
}

void env_MultiParamC::InsertAt(size_t index, const StringC& value) {
  if (index > values_.size()) index = values_.size();
  values_.insert(values_.begin() + static_cast<std::ptrdiff_t>(index), value);
  pos_ = values_.size();
}

size_t env_MultiParamC::IndexOfExact(const StringC& value) const noexcept {
  for (size_t i = 0; i < values_.size(); ++i) {
    if (values_[i].Equals(value)) return i;
  }
  return values_.size();
}

void env_MultiParamC::MoveFirst() {
  pos_ = 0;
}

void env_MultiParamC::MoveEnd() {
  pos_ = values_.size();
}

void env_MultiParamC::MoveNext() {
  if (HasCurrent() && pos_ + 1 < values_.size()) ++pos_;
}

void env_MultiParamC::MovePrev() {
  if (HasCurrent() && pos_ > 0) --pos_;
}

bool env_MultiParamC::IsFirst() const {
  return values_.empty() || pos_ == 0;
}

bool env_MultiParamC::IsLast() const {
  return values_.empty() || !HasCurrent() || pos_ + 1 == values_.size();
}

bool env_MultiParamC::IsEmpty() const {
  return values_.empty();
}

int env_MultiParamC::GetCount() const {
  return static_cast<int>(values_.size());
}

void env_MultiParamC::Apply(env_FunctionI& function) {
  // Index-based: the function only sees one value at a time and cannot change the list.
  for (size_t i = 0; i < values_.size(); ++i) (void)function.Apply(values_[i]);
  MoveFirst();
}

bool env_MultiParamC::Find(env_FunctionI& function) {
  for (; HasCurrent(); ++pos_) {
    if (function.Apply(values_[pos_])) return true;
  }
  MoveEnd();
  return false;
}
