#include "log/log_LogDynamicProxyLoggerC.h"

#include <cstdio>
#include <string>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"

#include "log/log_LogEntryC.h"
#include "log/log_LogSystem_posix.h"

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
  cmn_ErrBufI* errors = getErrBuf();
  const uint64_t mark = errors != nullptr ? errors->Mark() : 0;
  if (cmn_SafeOpenLibrary(file, &library, &loadPath) != RC_OK) {
    // No logger is ready to say it: standard error does.
    if (errors != nullptr && errors->Mark() != mark && errors->Count() > 0) {
      const std::string_view why = errors->Entry(errors->Count() - 1)->Text();
      std::fprintf(stderr, "%.*s\n", static_cast<int>(why.size()), why.data());
    }
    return;
  }
  m_pLibrary = log_LoadLibrary(loadPath.c_str());
  if (m_pLibrary == nullptr) return;
  m_pInitialize = Lookup<RklLogInitializeFn>(m_pLibrary, "RklLogInitialize");
  m_pFinalize = Lookup<RklLogFinalizeFn>(m_pLibrary, "RklLogFinalize");
  m_pPreferredLevel = Lookup<RklLogPreferedLogLevelFn>(m_pLibrary, "RklLogPreferedLogLevel");
  m_pLog = Lookup<RklLogFn>(m_pLibrary, "RklLog");
  if (m_pInitialize != nullptr) m_pInitialize(this);
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
  const std::string text = level.ToUtf8();
  const char* preferred = m_pPreferredLevel(text.c_str());
  return preferred != nullptr ? StringC::FromUtf8(preferred) : level;
}

void log_LogDynamicProxyLoggerC::Write(const log_LogEntryC& entry) {
  if (m_pLibrary == nullptr || m_pLog == nullptr) return;
  m_pLog(entry.Set(), entry.Number(), entry.Severity(), entry.TextUtf8().c_str(), &entry.Header(),
         &entry.Source());
}
