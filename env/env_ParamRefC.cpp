#include "env/env_ParamRefC.h"

#include "env/env_FilteredMonoParamC.h"
#include "env/env_FilteredMultiParamC.h"

env_ParamRefC::env_ParamRefC(const env_EnvOptsC& key)
    : m_bMulti(key.HasOption(env_EnvOptsC::values_multi)) {
  const env_EnvOptsC own(key.GetName(), key.GetOptions());
  if (m_bMulti) {
    m_pParam = std::make_unique<env_FilteredMultiParamC>(own);
  } else {
    m_pParam = std::make_unique<env_FilteredMonoParamC>(own);
  }
}

env_ParamRefC::env_ParamRefC(NullTag)
    : m_bReadOnly(true), m_pParam(std::make_unique<env_FilteredMonoParamC>(env_EnvOptsC())) {}

env_ParamRefC::~env_ParamRefC() = default;

env_ParamRefC& env_ParamRefC::Null() noexcept {
  // Never destroyed: lookups may run while other statics are torn down at exit.
  static env_ParamRefC* const null = new env_ParamRefC(NullTag{});
  return *null;
}

std::unique_ptr<env_ParamRefC> env_ParamRefC::Clone() const {
  const env_EnvOptsC& src = m_pParam->GetOptions();
  const env_EnvOptsC key(src.GetName(), src.GetOptions());
  if (!m_bMulti) {
    auto copy = std::make_unique<env_ParamRefC>(key);
    copy->m_pParam = std::make_unique<env_FilteredMonoParamC>(
        static_cast<const env_FilteredMonoParamC&>(*m_pParam));
    return copy;
  }
  auto copy = std::make_unique<env_ParamRefC>(key);  // a new, empty filtered list
  const auto& from = static_cast<const env_FilteredMultiParamC&>(*m_pParam);
  // A value the list's filters refuse is left out silently.
  for (size_t i = 0; i < from.ValueCount(); ++i) (void)copy->m_pParam->AddValue(from.ValueAt(i));
  copy->m_pParam->MoveFirst();
  return copy;
}

void env_ParamRefC::SetValue(const StringC& value) {
  if (!m_bReadOnly) m_pParam->SetValue(value);
}

StringC env_ParamRefC::GetValue() {
  return m_pParam->GetValue();
}

bool env_ParamRefC::AddValue(const StringC& value) {
  if (m_bReadOnly) return false;
  if (!m_bMulti && m_pParam->GetOptions().HasOption(env_EnvOptsC::values_multi)) {
    const env_EnvOptsC& old = m_pParam->GetOptions();
    const env_EnvOptsC key(old.GetName(), old.GetOptions() | env_EnvOptsC::values_multi);
    const StringC first = m_pParam->GetValue();
    m_pParam = std::make_unique<env_FilteredMultiParamC>(key, first);
    m_bMulti = true;
  }
  return m_pParam->AddValue(value);
}

void env_ParamRefC::RemoveValue() {
  if (!m_bReadOnly) m_pParam->RemoveValue();
}

void env_ParamRefC::MoveFirst() {
  m_pParam->MoveFirst();
}
void env_ParamRefC::MoveEnd() {
  m_pParam->MoveEnd();
}
void env_ParamRefC::MoveNext() {
  m_pParam->MoveNext();
}
void env_ParamRefC::MovePrev() {
  m_pParam->MovePrev();
}
bool env_ParamRefC::IsFirst() const {
  return m_pParam->IsFirst();
}
bool env_ParamRefC::IsLast() const {
  return m_pParam->IsLast();
}
bool env_ParamRefC::IsEmpty() const {
  return m_pParam->IsEmpty();
}
int env_ParamRefC::GetCount() const {
  return m_pParam->GetCount();
}

void env_ParamRefC::Apply(env_FunctionI& function) {
  if (!m_bReadOnly) {
    m_pParam->Apply(function);
    return;
  }
  StringC scratch;  // the function may write; the shared empty parameter must stay empty
  // The function's answer is the value it rewrote.
  (void)function.Apply(scratch);
}

bool env_ParamRefC::Find(env_FunctionI& function) {
  if (!m_bReadOnly) return m_pParam->Find(function);
  StringC scratch;
  return function.Apply(scratch);
}

const env_EnvOptsC& env_ParamRefC::GetOptions() const {
  return m_pParam->GetOptions();
}

env_EnvOptsC& env_ParamRefC::GetOptions() {
  if (!m_bReadOnly) return m_pParam->GetOptions();
  m_oScratchKey = env_EnvOptsC();
  return m_oScratchKey;
}
