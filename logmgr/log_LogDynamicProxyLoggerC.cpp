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
  library_ = log_LoadLibrary(loadPath.c_str());
  if (library_ == nullptr) return;
  library_file_ = std::move(library);
  initialize_ = Lookup<RklLogInitializeFn>(library_, "RklLogInitialize");
  finalize_ = Lookup<RklLogFinalizeFn>(library_, "RklLogFinalize");
  preferred_level_ = Lookup<RklLogPreferedLogLevelFn>(library_, "RklLogPreferedLogLevel");
  log_ = Lookup<RklLogFn>(library_, "RklLog");
  configure_ = Lookup<RklLogConfigureFn>(library_, "RklLogConfigure");
  if (initialize_ != nullptr) initialize_(this);
}

log_LogDynamicProxyLoggerC::log_LogDynamicProxyLoggerC(const StringC& name,
                                                       const log_LogSettingsC& settings)
    : log_LogDynamicProxyLoggerC(name) {
  if (library_ == nullptr || configure_ == nullptr) return;
  const char* program = program_invocation_short_name;
  const std::string values[] = {settings.logSyslogFacility.ToUtf8(),
                                settings.logTimeFormat.ToUtf8(), settings.policyType.ToUtf8(),
                                program != nullptr ? program : ""};
  const char* const pairs[] = {"LogSyslogFacility", values[0].c_str(), "LogTimeFormat",
                               values[1].c_str(),   "PolicyType",      values[2].c_str(),
                               "ProgramName",       values[3].c_str(), nullptr};
  configure_(pairs);
}

log_LogDynamicProxyLoggerC::~log_LogDynamicProxyLoggerC() {
  if (library_ == nullptr) return;
  if (finalize_ != nullptr) finalize_(this);
  log_UnloadLibrary(library_);
}

bool log_LogDynamicProxyLoggerC::IsReady() const {
  return library_ != nullptr;
}

StringC log_LogDynamicProxyLoggerC::PreferredLevel(const StringC& level) {
  if (preferred_level_ == nullptr) return level;
  cmn_MutexLockC hold(mutex_);
  const std::string text = level.ToUtf8();
  const char* preferred = preferred_level_(text.c_str());
  return preferred != nullptr ? StringC::FromUtf8(preferred) : level;
}

void log_LogDynamicProxyLoggerC::Write(const log_LogEntryC& entry) {
  if (library_ == nullptr || log_ == nullptr) return;
  cmn_MutexLockC hold(mutex_);
  log_(entry.Set(), entry.Number(), entry.Severity(), entry.TextUtf8().c_str(), &entry.Header(),
       &entry.Source());
}
