#include "context/rkk_ProcessEnvironmentC.h"

#include <string>

#include "cmn/cmn_Check.h"
#include "context/rkk_EnvironmentBlockC.h"
#include "env/EnvPreferencesC.h"
#include "env/PrefsLookup.h"
#include "env/env_Sys8TextC.h"

RcT rkk_ProcessEnvironmentC::MakeChildEnvironment(const rkk_VariableListC* variables,
                                                  StringArrayC* entries) {
  const rkk_EnvironmentBlockC block = MakeEnvironmentBlock(variables);
  for (size_t i = 0; i < block.Count(); ++i) {
    entries->Append(StringC(block.Get()[i], StringC::CC_SYS8));
  }
  return RC_OK;
}

bool rkk_ProcessEnvironmentC::FindEnvironmentSetting(const StringC& name, StringC* value) {
  const env_Sys8TextC key(name);
  std::string found;
  if (!GetPref(key.Get(), c_PrefsDefaultSection, &found)) return false;
  *value = StringC(found.c_str(), StringC::CC_SYS8);
  return true;
}

bool rkk_ProcessEnvironmentC::GetPreference(const StringC& name, StringC* value) {
  EnvPreferencesC preferences;
  if (!preferences.Exists(name)) return false;
  *value = preferences.GetValue(name);
  return true;
}

namespace {
rkk_ProcessEnvironmentC g_provider;
}  // namespace

void rkk_ProcessEnvironmentC::Install() noexcept {
  QLM_DCHECK_MAIN_THREAD();
  ProcessEnvironmentI::Set(&g_provider);
}

void rkk_ProcessEnvironmentC::Uninstall() noexcept {
  QLM_DCHECK_MAIN_THREAD();
  ProcessEnvironmentI::Set(nullptr);
}
