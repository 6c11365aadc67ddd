// log_LoggerC: the base of the loggers, the places log entries go to (the log file, a log
// module).
//
// A logger is made and configured by the log manager's constructor and then used from every
// thread that logs: each logger serialises its own Write calls (any state a write touches is
// guarded by the logger's mutex).
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_LOG_LOG_LOGGERC_H_
#define QLM_LOG_LOG_LOGGERC_H_

#include "base/StringC.h"

class log_LogEntryC;

class log_LoggerC {
 public:
  explicit log_LoggerC(const StringC& name) : name_(name) {}
  log_LoggerC(const log_LoggerC&) = delete;
  log_LoggerC& operator=(const log_LoggerC&) = delete;
  // Releases what the logger holds (closes its file, unloads its module).
  virtual ~log_LoggerC();

  // Writes the formatted `entry`. Does nothing when the logger is not ready. Never
  // fails visibly; may block on the file system or in a log module. Safe to call from several
  // threads at once.
  virtual void Write(const log_LogEntryC& entry) = 0;
  // True while the logger can write (its file is open, its module loaded).
  virtual bool IsReady() const = 0;
  // The level specification this logger wants instead of `level` (the "LogLevel"
  // text). The base returns `level` unchanged.
  virtual StringC PreferredLevel(const StringC& level);

  // The logger's name: "default" for the log file, the module's file name for a module. The
  // manager lists one logger per name.
  const StringC& Name() const noexcept { return name_; }

 private:
  StringC name_;
};

#endif  // QLM_LOG_LOG_LOGGERC_H_
