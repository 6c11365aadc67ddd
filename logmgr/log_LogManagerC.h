// log_LogManagerC: the process-wide log manager. Every message the system logs passes through
// it: it makes a log entry (text from its message catalog, formatted with the arguments) and
// hands the entry to each of its loggers whose level filter passes the entry's component
// letter and level.
//
// The loggers are made once, in the constructor, from the logging preferences (see
// log_LogSettingsC.h): "LogModules" is split at ";" and each item trimmed of blanks, tabs,
// CR and LF; "default" (any case) is the log file (log_LogFileLoggerC), any other item the file
// name of a log module (log_LogDynamicProxyLoggerC). Each logger gets a level filter from
// "LogLevel". A logger is listed unless one of the same name already is (a module named twice
// is loaded and initialised once) or it is not ready (its file or library did not open).
//
// The manager's catalog is "LogMsgCatPath", or "<ProgramPath>/system/rklog.cat"
// ("system/rklog.cat" without a program path); a file that does not open leaves the catalog
// empty and the default texts are used.
//
// When the log file cannot be used, the manager says so once on standard error with the
// reason. An ordinary user's run then logs to a log of that user's own,
// "<AppDataFolder>/.quillmarsh/log/quillmarsh.log" (directory 0700, file 0600), and names it
// on standard error; a run as root, or a user whose own log fails too, sends its warnings,
// errors and fatal messages to standard error instead (log_LogStderrLoggerC). Warnings of the
// configuration (an unreadable "LogFileSize", a log that could not be moved aside) are logged
// as the first entries, severity warning, message 0xE0010004.
//
// The singleton m_InstanceP is made on first use of Instance() and kept until Shutdown. While
// it exists it is also the log hook of the process layer (os/ProcessLogHook.h). Any thread
// may log once the singleton exists: the list of loggers does not change after the
// constructor, each logger serialises its own writes, and the catalog is held by shared
// ownership, so CloseCatalog on one thread never frees it under a lookup on another.
//
// The virtual operations are declared in the order of the object's function table, which
// other modules are built against: keep it (a new operation goes last).
#ifndef QLM_LOG_LOG_LOGMANAGERC_H_
#define QLM_LOG_LOG_LOGMANAGERC_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/StringC.h"
#include "cmn/cmn_MutexC.h"
#include "logmgr/log_LogManagerI.h"
#include "messages/log_Messages.h"

class EnvPreferencesC;
class ErrCatalogC;
class log_LogInstanceC;
struct log_LogSettingsC;

class log_LogManagerC final : public log_LogManagerI {
 public:
  // The catalog's file name below "<ProgramPath>/system".
  static const char* const m_sCatalogNameP;  // "rklog.cat"
  static constexpr uint32_t c_LogTextMessage = LOG_M_LOG_TEXT;
  static constexpr const char* c_LogTextDefault = LOG_T_LOG_TEXT;
  static constexpr uint32_t c_ConfigWarningMessage = LOG_M_CONFIG_WARNING;
  static constexpr const char* c_ConfigWarningDefault = LOG_T_CONFIG_WARNING;

  // The singleton; null until the first Instance() and after Shutdown.
  static std::atomic<log_LogManagerC*> m_InstanceP;

  // A manager with a reference count of 0, configured from the preferences of the current
  // deployment context's environment.
  log_LogManagerC();
  // The same, reading the preferences through `preferences`.
  explicit log_LogManagerC(EnvPreferencesC& preferences);
  // The same with preferences already read.
  explicit log_LogManagerC(const log_LogSettingsC& settings);
  log_LogManagerC(const log_LogManagerC&) = delete;
  log_LogManagerC& operator=(const log_LogManagerC&) = delete;

  // For IID_IUnknown, IID_LogManager and IID_ZelRKLoggerI stores this manager with
  // one reference added and returns 0; otherwise stores null and returns RC_NOINTERFACE.
  // RC_INVALIDARG for a null `out`.
  [[nodiscard]] RcT QueryInterface(const GuidC& iid, void** out) noexcept override;
  // Atomic increment; returns the new count.
  uint32_t AddRef() noexcept override;
  // Atomic decrement; at 0 the manager is destroyed (its loggers closed and
  // unloaded) and 0 returned. A singleton released to 0 this way stops being the singleton
  // and the process layer's log hook first.
  uint32_t Release() noexcept override;
  [[nodiscard]] RcT LogText(const char* text) noexcept override;
  [[nodiscard]] RcT GetMessageText(uint32_t number, char** out) noexcept override;
  [[nodiscard]] RcT LogParts(uint32_t letter, uint32_t level, uint32_t set, uint32_t number,
                             const char* default_text, ...) noexcept override;
  [[nodiscard]] RcT LogPartsV(uint32_t letter, uint32_t level, uint32_t set, uint32_t number,
                              const char* default_text, const ArgListC& args) noexcept override;
  void CloseCatalog() noexcept override;
  [[nodiscard]] RcT Log(uint32_t letter, uint32_t level, uint32_t message, const char* default_text,
                        ...) noexcept override;

  // The singleton, made (with one reference) on first use. Never null. The first call reads
  // the preferences and opens the log file, so it may block on the file system.
  static log_LogManagerC* Instance();
  // Makes `manager` (may be null) the singleton: takes a reference on it and releases the
  // previous one.
  static void ReplaceInstance(log_LogManagerC* manager) noexcept;
  // Clears the singleton and releases it once, or with `force` until its count reaches 0.
  static void Shutdown(bool force) noexcept;

  // The manager's catalog, shared with the caller; null after CloseCatalog.
  std::shared_ptr<const ErrCatalogC> Catalog() const noexcept;
  // The path the catalog was opened on.
  const StringC& CatalogPath() const noexcept { return catalog_path_; }
  // "LogFlags".
  uint64_t Flags() const noexcept { return flags_; }
  // The listed logger instances, in the order they were added.
  size_t InstanceCount() const noexcept { return instances_.size(); }
  const log_LogInstanceC& InstanceAt(size_t index) const noexcept { return *instances_[index]; }

 private:
  // Destroyed through Release only.
  ~log_LogManagerC();
  // True when some instance's filter passes (letter, level).
  bool IsWanted(uint32_t letter, uint32_t level) const noexcept;
  // Opens the catalog and makes the loggers (the constructor's work).
  void Configure(const log_LogSettingsC& settings);

  std::atomic<uint32_t> refs_{0};
  std::vector<std::unique_ptr<log_LogInstanceC>> instances_;
  mutable cmn_MutexC catalog_mutex_;
  std::shared_ptr<const ErrCatalogC> catalog_ QLM_GUARDED_BY(catalog_mutex_);
  StringC catalog_path_;
  uint64_t flags_ = 1;
};

#endif  // QLM_LOG_LOG_LOGMANAGERC_H_
