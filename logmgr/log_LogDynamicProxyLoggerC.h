// log_LogDynamicProxyLoggerC: a logger that hands entries to a log module, a shared library
// named in "LogModules" (its interface: log/log_LogPluginI.h).
//
// The library is loaded with dlopen(name, RTLD_NOW | RTLD_GLOBAL) under the exact name given
// (a name without "/" is searched along the library path). Its four entry points are looked
// up once; any may be missing. RklLogInitialize is called right after loading, RklLogFinalize
// just before unloading in the destructor; RklLogConfigure, when present, right after
// RklLogInitialize with the module settings. The logger is named after the module. Calls into
// the module are serialised by the logger's mutex.
#ifndef QLM_LOG_LOG_LOGDYNAMICPROXYLOGGERC_H_
#define QLM_LOG_LOG_LOGDYNAMICPROXYLOGGERC_H_

#include "base/StringC.h"
#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_UniqueFdC.h"
#include "logmgr/log_LogPluginI.h"
#include "logmgr/log_LoggerC.h"

struct log_LogSettingsC;

class log_LogDynamicProxyLoggerC : public log_LoggerC {
 public:
  // Loads the module `name` and initialises it. A library that does not load leaves the
  // logger not ready (nothing is reported).
  explicit log_LogDynamicProxyLoggerC(const StringC& name);
  // The same, then hands the module its settings from `settings` (RklLogConfigure).
  log_LogDynamicProxyLoggerC(const StringC& name, const log_LogSettingsC& settings);
  // Finalises and unloads the module.
  ~log_LogDynamicProxyLoggerC() override;

  // Calls RklLog with the entry when the module has it.
  void Write(const log_LogEntryC& entry) override;
  // True while the library is loaded.
  bool IsReady() const override;
  // `level` passed through RklLogPreferedLogLevel when the module has it and it answers;
  // `level` otherwise.
  StringC PreferredLevel(const StringC& level) override;

 private:
  // Held around every call into the module after construction: modules need not be
  // thread-safe.
  cmn_MutexC mutex_;
  void* library_ = nullptr;
  // The checked library file, mapped through "/proc/self/fd/N": kept open while the library is
  // loaded, so that no other module opened later gets the same N (the dynamic loader takes an
  // equal name for the library it already has).
  cmn_UniqueFdC library_file_;
  RklLogConfigureFn configure_ = nullptr;
  RklLogInitializeFn initialize_ = nullptr;
  RklLogFinalizeFn finalize_ = nullptr;
  RklLogPreferedLogLevelFn preferred_level_ = nullptr;
  RklLogFn log_ = nullptr;
};

#endif  // QLM_LOG_LOG_LOGDYNAMICPROXYLOGGERC_H_
