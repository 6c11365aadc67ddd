#include "env/env_ParamRefC.h"

#include "env/env_FilteredMonoParamC.h"
#include "env/env_FilteredMultiParamC.h"

env_ParamRefC::env_ParamRefC(const env_EnvOptsC& key)
    : multi_(key.HasOption(env_EnvOptsC::values_multi)) {
  const env_EnvOptsC own(key.GetName(), key.GetOptions());
  if (multi_) {
    param_ = std::make_unique<env_FilteredMultiParamC>(own);
  } else {
    param_ = std::make_unique<env_FilteredMonoParamC>(own);
  }
}

env_ParamRefC::env_ParamRefC(NullTag)
    : read_only_(true), param_(std::make_unique<env_FilteredMonoParamC>(env_EnvOptsC())) {}

env_ParamRefC::~env_ParamRefC() = default;

env_ParamRefC& env_ParamRefC::Null() noexcept {
  // Never destroyed: lookups may run while other statics are torn down at exit.
  static env_ParamRefC* const null = new env_ParamRefC(NullTag{});
  return *null;
}

std::unique_ptr<env_ParamRefC> env_ParamRefC::Clone() const {
  const env_EnvOptsC& src = param_->GetOptions();
  const env_EnvOptsC key(src.GetName(), src.GetOptions());
  if (!multi_) {
    auto copy = std::make_unique<env_ParamRefC>(key);
    copy->param_ = std::make_unique<env_FilteredMonoParamC>(
        static_cast<const env_FilteredMonoParamC&>(*param_));
    return copy;
  }
  auto copy = std::make_unique<env_ParamRefC>(key);  // a new, empty filtered list
  const auto& from = static_cast<const env_FilteredMultiParamC&>(*param_);
  // A value the list's filters refuse is left out silently.
  for (size_t i = 0; i < from.ValueCount(); ++i) (void)copy->param_->AddValue(from.ValueAt(i));
  copy->param_->MoveFirst();
  return copy;
}

void env_ParamRefC::SetValue(const StringC& value) {
  if (!read_only_) param_->SetValue(value);
}

StringC env_ParamRefC::GetValue() {
  return param_->GetValue();
}

bool env_ParamRefC::AddValue(const StringC& value) {
  if (read_only_) return false;
  if (!multi_ && param_->GetOptions().HasOption(env_EnvOptsC::values_multi)) {
    const env_EnvOptsC& old = param_->GetOptions();
    const env_EnvOptsC key(old.GetName(), old.GetOptions() | env_EnvOptsC::values_multi);
    const StringC first = param_->GetValue();
    param_ = std::make_unique<env_FilteredMultiParamC>(key, first);
    multi_ = true;
  }
  return param_->AddValue(value);
}

void env_ParamRefC::RemoveValue() {
  if (!read_only_) param_->RemoveValue();
}

void env_ParamRefC::MoveFirst() {
  param_->MoveFirst();
}
void env_ParamRefC::MoveEnd() {
  param_->MoveEnd();
}
void env_ParamRefC::MoveNext() {
  param_->MoveNext();
}
void env_ParamRefC::MovePrev() {
  param_->MovePrev();
}
bool env_ParamRefC::IsFirst() const {
  return param_->IsFirst();
}
bool env_ParamRefC::IsLast() const {
  return param_->IsLast();
}
bool env_ParamRefC::IsEmpty() const {
  return param_->IsEmpty();
}
int env_ParamRefC::GetCount() const {
  return param_->GetCount();
}

void env_ParamRefC::Apply(env_FunctionI& function) {
  if (!read_only_) {
    param_->Apply(function);
    return;
  }
  StringC scratch;  // the function may write; the shared empty parameter must stay empty
  // The function's answer is the value it rewrote.
  (void)function.Apply(scratch);
}

bool env_ParamRefC::Find(env_FunctionI& function) {
  if (!read_only_) return param_->Find(function);
  StringC scratch;
  return function.Apply(scratch);
}

const env_EnvOptsC& env_ParamRefC::GetOptions() const {
  return param_->GetOptions();
}

env_EnvOptsC& env_ParamRefC::GetOptions() {
  if (!read_only_) return param_->GetOptions();
  scratch_key_ = env_EnvOptsC();
  return scratch_key_;
}
