// log_LoggerC: the base of the loggers, the places log entries go to (the log file, a log
// module).
//
// A logger is made and configured by the log manager's constructor and then used from every
// thread that logs: each logger serialises its own Write calls (any state a write touches is
// guarded by the logger's mutex).
#ifndef QLM_LOG_LOG_LOGGERC_H_
#define QLM_LOG_LOG_LOGGERC_H_

#include "base/StringC.h"

class log_LogEntryC;

class log_LoggerC {
 public:
  explicit log_LoggerC(const StringC& name) : m_Name(name) {}
  log_LoggerC(const log_LoggerC&) = delete;
  log_LoggerC& operator=(const log_LoggerC&) = delete;
  // Slots 0, 1: releases what the logger holds (closes its file, unloads its module).
  virtual ~log_LoggerC();

  // Slot 2: writes the formatted `entry`. Does nothing when the logger is not ready. Never
  // fails visibly; may block on the file system or in a log module. Safe to call from several
  // threads at once.
  virtual void Write(const log_LogEntryC& entry) = 0;
  // Slot 3: true while the logger can write (its file is open, its module loaded).
  virtual bool IsReady() const = 0;
  // Slot 4: the level specification this logger wants instead of `level` (the "LogLevel"
  // text). The base returns `level` unchanged.
  virtual StringC PreferredLevel(const StringC& level);

  // The logger's name: "default" for the log file, the module's file name for a module. The
  // manager lists one logger per name.
  const StringC& Name() const noexcept { return m_Name; }

 private:
  StringC m_Name;
};

#endif  // QLM_LOG_LOG_LOGGERC_H_
