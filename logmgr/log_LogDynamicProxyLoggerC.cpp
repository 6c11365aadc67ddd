#include "logmgr/log_LogDynamicProxyLoggerC.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "logmgr/log_LogEntryC.h"
#include "logmgr/log_LogSettingsC.h"
#include "logmgr/log_LogSystem_posix.h"

namespace {

template <class FnT>
FnT Lookup(void* library, const char* name) {
  return reinterpret_cast<FnT>(log_FindSymbol(library, name));
}

}  // namespace

log_LogDynamicProxyLoggerC::log_LogDynamicProxyLoggerC(const StringC& name) : log_LoggerC(name) {
  const std::string file = name.ToUtf8();
  if (file.empty()) return;
  // Code runs with the run's rights: only a library nobody else can change is loaded, and the
  // loader maps exactly the file that was checked.
  cmn_UniqueFdC library;
  std::string loadPath;
  const cmn_ErrMarkC mark;
  if (cmn_SafeOpenLibrary(file, &library, &loadPath) != RC_OK) {
    // No logger is ready to say it: standard error does.
    if (const std::string why = mark.LastText(); !why.empty()) {
      std::fprintf(stderr, "%s\n", why.c_str());
    }
    return;
  }
  m_pLibrary = log_LoadLibrary(loadPath.c_str());
  if (m_pLibrary == nullptr) return;
  m_LibraryFile = std::move(library);
  m_pInitialize = Lookup<RklLogInitializeFn>(m_pLibrary, "RklLogInitialize");
  m_pFinalize = Lookup<RklLogFinalizeFn>(m_pLibrary, "RklLogFinalize");
  m_pPreferredLevel = Lookup<RklLogPreferedLogLevelFn>(m_pLibrary, "RklLogPreferedLogLevel");
  m_pLog = Lookup<RklLogFn>(m_pLibrary, "RklLog");
  m_pConfigure = Lookup<RklLogConfigureFn>(m_pLibrary, "RklLogConfigure");
  if (m_pInitialize != nullptr) m_pInitialize(this);
}

log_LogDynamicProxyLoggerC::log_LogDynamicProxyLoggerC(const StringC& name,
                                                       const log_LogSettingsC& settings)
    : log_LogDynamicProxyLoggerC(name) {
  if (m_pLibrary == nullptr || m_pConfigure == nullptr) return;
  const char* program = program_invocation_short_name;
  const std::string values[] = {settings.logSyslogFacility.ToUtf8(),
                                settings.logTimeFormat.ToUtf8(), settings.policyType.ToUtf8(),
                                program != nullptr ? program : ""};
  const char* const pairs[] = {"LogSyslogFacility", values[0].c_str(), "LogTimeFormat",
                               values[1].c_str(),   "PolicyType",      values[2].c_str(),
                               "ProgramName",       values[3].c_str(), nullptr};
  m_pConfigure(pairs);
}

log_LogDynamicProxyLoggerC::~log_LogDynamicProxyLoggerC() {
  if (m_pLibrary == nullptr) return;
  if (m_pFinalize != nullptr) m_pFinalize(this);
  log_UnloadLibrary(m_pLibrary);
}

bool log_LogDynamicProxyLoggerC::IsReady() const {
  return m_pLibrary != nullptr;
}

StringC log_LogDynamicProxyLoggerC::PreferredLevel(const StringC& level) {
  if (m_pPreferredLevel == nullptr) return level;
  cmn_MutexLockC hold(m_Mutex);
  const std::string text = level.ToUtf8();
  const char* preferred = m_pPreferredLevel(text.c_str());
  return preferred != nullptr ? StringC::FromUtf8(preferred) : level;
}

void log_LogDynamicProxyLoggerC::Write(const log_LogEntryC& entry) {
  if (m_pLibrary == nullptr || m_pLog == nullptr) return;
  cmn_MutexLockC hold(m_Mutex);
  m_pLog(entry.Set(), entry.Number(), entry.Severity(), entry.TextUtf8().c_str(), &entry.Header(),
         &entry.Source());
}
