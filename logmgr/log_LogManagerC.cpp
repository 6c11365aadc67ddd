#include "logmgr/log_LogManagerC.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

#include "env/EnvPreferencesC.h"
#include "log/ErrCatalogC.h"
#include "logmgr/log_LogDynamicProxyLoggerC.h"
#include "logmgr/log_LogEntryC.h"
#include "logmgr/log_LogFileLoggerC.h"
#include "logmgr/log_LogInstanceC.h"
#include "logmgr/log_LogSettingsC.h"
#include "logmgr/log_LogStderrLoggerC.h"
#include "logmgr/log_LogSystem_posix.h"
#include "os/ProcessLogHook.h"

const char* const log_LogManagerC::m_sCatalogNameP = "rklog.cat";
std::atomic<log_LogManagerC*> log_LogManagerC::m_InstanceP{nullptr};

namespace {

// The process layer's log hook while a singleton exists.
void ProcessLogThunk(int component, int level, uint32_t number, const char* default_text,
                     const ArgListC& args) {
  if (log_LogManagerC* manager = log_LogManagerC::m_InstanceP.load(std::memory_order_acquire)) {
    // Nobody can be told that a log line was lost.
    (void)manager->LogPartsV(static_cast<uint32_t>(component), static_cast<uint32_t>(level),
                             MsgSet(number), MsgIndex(number), default_text, args);
  }
}

bool IsBlank(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view item) noexcept {
  while (!item.empty() && IsBlank(item.front())) item.remove_prefix(1);
  while (!item.empty() && IsBlank(item.back())) item.remove_suffix(1);
  return item;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The catalog path: "LogMsgCatPath", else "<ProgramPath>/system/rklog.cat".
StringC CatalogPathOf(const log_LogSettingsC& settings) {
  if (!settings.logMsgCatPath.IsEmpty()) return settings.logMsgCatPath;
  std::string path = settings.programPath.ToUtf8();
  if (!path.empty()) path += '/';
  path += "system/";
  path += log_LogManagerC::m_sCatalogNameP;
  return StringC::FromUtf8(path);
}

}  // namespace

log_LogManagerC::log_LogManagerC() {
  EnvPreferencesC preferences;
  Configure(log_LogSettingsC::Read(preferences));
}

log_LogManagerC::log_LogManagerC(EnvPreferencesC& preferences) {
  Configure(log_LogSettingsC::Read(preferences));
}

log_LogManagerC::log_LogManagerC(const log_LogSettingsC& settings) {
  Configure(settings);
}

log_LogManagerC::~log_LogManagerC() {
  // Loggers go in reverse order of their making.
  while (!instances_.empty()) instances_.pop_back();
}

std::shared_ptr<const ErrCatalogC> log_LogManagerC::Catalog() const noexcept {
  cmn_MutexLockC hold(catalog_mutex_);
  return catalog_;
}

namespace {

// The file logger for "default": the shared log, or for an ordinary user whose run cannot use
// it, that user's own log. Says on standard error what went wrong and where the run logs.
// *to_stderr is set when no log file could be opened.
std::unique_ptr<log_LogFileLoggerC> MakeFileLogger(const log_LogSettingsC& settings,
                                                   bool* to_stderr) {
  auto file = std::make_unique<log_LogFileLoggerC>(settings);
  if (file->IsReady()) return file;
  const std::string shared = settings.logFile.ToUtf8();
  std::string reason = file->FailureReason();
  if (!log_IsMachineRun() && !settings.userLogFile.IsEmpty() &&
      settings.userLogFile != settings.logFile) {
    auto own = std::make_unique<log_LogFileLoggerC>(settings, settings.userLogFile,
                                                    settings.userLogFileOld);
    if (own->IsReady()) {
      log_TellStderr("the log file '" + shared + "' cannot be used (" + reason + "); logging to '" +
                     settings.userLogFile.ToUtf8() + "'");
      return own;
    }
    reason += "; the user's own log '" + settings.userLogFile.ToUtf8() +
              "' cannot be used either (" + own->FailureReason() + ")";
  }
  log_TellStderr("cannot open the log file '" + shared + "': " + reason +
                 "; warnings and errors go to standard error");
  *to_stderr = true;
  return file;
}

}  // namespace

void log_LogManagerC::Configure(const log_LogSettingsC& settings) {
  catalog_path_ = CatalogPathOf(settings);
  auto catalog = std::make_shared<const ErrCatalogC>(catalog_path_);
  {
    cmn_MutexLockC hold(catalog_mutex_);  // never contended: the constructor runs alone
    catalog_ = std::move(catalog);
  }
  flags_ = settings.Flags();
  bool to_stderr = false;
  std::vector<std::string> warnings;

  const std::string modules = settings.logModules.ToUtf8();
  std::string_view rest = modules;
  while (true) {
    const size_t semicolon = rest.find(';');
    const std::string_view item = Trim(rest.substr(0, semicolon));
    if (!item.empty()) {
      const bool is_file = EqualsNoCaseAscii(item, log_LogFileLoggerC::m_sDefaultName);
      const StringC name = is_file ? StringC(log_LogFileLoggerC::m_sDefaultName, StringC::CC_ASCII)
                                   : StringC::FromUtf8(item);
      // A name already listed is not made again, so a module named twice is loaded and
      // initialised once.
      bool listed = false;
      for (const auto& instance : instances_) {
        if (instance->Logger().Name() == name) listed = true;
      }
      if (!listed) {
        std::unique_ptr<log_LoggerC> logger;
        if (is_file) {
          std::unique_ptr<log_LogFileLoggerC> file = MakeFileLogger(settings, &to_stderr);
          for (std::string& warning : file->TakeWarnings()) warnings.push_back(std::move(warning));
          logger = std::move(file);
        } else {
          logger = std::make_unique<log_LogDynamicProxyLoggerC>(name, settings);
        }
        if (logger->IsReady()) {
          instances_.push_back(
              std::make_unique<log_LogInstanceC>(std::move(logger), settings.logLevel));
        }
      }
    }
    if (semicolon == std::string_view::npos) break;
    rest.remove_prefix(semicolon + 1);
  }
  if (to_stderr) {
    instances_.push_back(std::make_unique<log_LogInstanceC>(
        std::make_unique<log_LogStderrLoggerC>(), settings.logLevel));
  }
  for (const std::string& warning : warnings) {
    // Nobody can be told that a log line was lost.
    (void)LogPartsV('G', 0, MsgSet(c_ConfigWarningMessage), MsgIndex(c_ConfigWarningMessage),
                    c_ConfigWarningDefault, ArgList << warning.c_str());
  }
}

RcT log_LogManagerC::QueryInterface(const GuidC& iid, void** out) noexcept {
  if (out == nullptr) return RC_INVALIDARG;
  if (iid == IID_IUnknown || iid == IID_LogManager || iid == IID_ZelRKLoggerI) {
    AddRef();
    *out = static_cast<log_LogManagerI*>(this);
    return RC_OK;
  }
  *out = nullptr;
  return RC_NOINTERFACE;
}

uint32_t log_LogManagerC::AddRef() noexcept {
  return refs_.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t log_LogManagerC::Release() noexcept {
  const uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) {
    // The singleton's own reference was given up by a holder instead of through Shutdown:
    // neither the singleton nor the process layer's hook may keep pointing at it.
    log_LogManagerC* self = this;
    if (m_InstanceP.compare_exchange_strong(self, nullptr, std::memory_order_acq_rel)) {
      SetProcessLogHook(nullptr);
    }
    delete this;
  }
  return left;
}

RcT log_LogManagerC::LogText(const char* text) noexcept {
  return LogPartsV('G', 0, MsgSet(c_LogTextMessage), MsgIndex(c_LogTextMessage), c_LogTextDefault,
                   ArgList << (text != nullptr ? text : ""));
}

RcT log_LogManagerC::GetMessageText(uint32_t number, char** out) noexcept {
  const std::shared_ptr<const ErrCatalogC> catalog = Catalog();
  if (out == nullptr || catalog == nullptr) return RC_FAIL;
  StringC text;
  int severity = 4;
  catalog->GetMessage(&text, &severity, number, "", ERR_NO_CONDITIONS);
  const std::string_view bytes = text.Utf8View();
  char* copy = static_cast<char*>(std::malloc(bytes.size() + 1));
  if (copy == nullptr) return RC_FAIL;
  std::memcpy(copy, bytes.data(), bytes.size());
  copy[bytes.size()] = '\0';
  *out = copy;
  return RC_OK;
}

bool log_LogManagerC::IsWanted(uint32_t letter, uint32_t level) const noexcept {
  for (const auto& instance : instances_) {
    if (instance->Accepts(letter, level)) return true;
  }
  return false;
}

RcT log_LogManagerC::LogParts(uint32_t letter, uint32_t level, uint32_t set, uint32_t number,
                              const char* default_text, ...) noexcept {
  if (Catalog() == nullptr) return RC_FAIL;
  if (!IsWanted(letter, level)) return RC_OK;
  va_list args;
  va_start(args, default_text);
  const ArgListC list =
      default_text != nullptr ? ArgListC::FromFormatV(default_text, args) : ArgListC();
  va_end(args);
  return LogPartsV(letter, level, set, number, default_text, list);
}

RcT log_LogManagerC::LogPartsV(uint32_t letter, uint32_t level, uint32_t set, uint32_t number,
                               const char* default_text, const ArgListC& args) noexcept {
  if (Catalog() == nullptr) return RC_FAIL;
  // An entry that no filter passes is not even formatted.
  if (!IsWanted(letter, level)) return RC_OK;

  log_LogEntryC entry(*this, letter, level, flags_, set, number, default_text, args);
  entry.Format();
  for (const auto& instance : instances_) instance->Write(entry);
  return RC_OK;
}

void log_LogManagerC::CloseCatalog() noexcept {
  std::shared_ptr<const ErrCatalogC> closed;
  {
    cmn_MutexLockC hold(catalog_mutex_);
    closed.swap(catalog_);
  }
  // `closed` goes here, or with the last lookup still using it.
}

RcT log_LogManagerC::Log(uint32_t letter, uint32_t level, uint32_t message,
                         const char* default_text, ...) noexcept {
  if (Catalog() == nullptr) return RC_FAIL;
  if (!IsWanted(letter, level)) return RC_OK;
  va_list args;
  va_start(args, default_text);
  const ArgListC list =
      default_text != nullptr ? ArgListC::FromFormatV(default_text, args) : ArgListC();
  va_end(args);
  return LogPartsV(letter, level, MsgSet(message), MsgIndex(message), default_text, list);
}

log_LogManagerC* log_LogManagerC::Instance() {
  if (log_LogManagerC* manager = m_InstanceP.load(std::memory_order_acquire)) return manager;
  // Only the first use takes the lock; two threads racing for it make one manager.
  static cmn_MutexC creation;
  cmn_MutexLockC hold(creation);
  log_LogManagerC* manager = m_InstanceP.load(std::memory_order_acquire);
  if (manager == nullptr) {
    manager = new log_LogManagerC();
    manager->AddRef();
    m_InstanceP.store(manager, std::memory_order_release);
    SetProcessLogHook(&ProcessLogThunk);
  }
  return manager;
}

void log_LogManagerC::ReplaceInstance(log_LogManagerC* manager) noexcept {
  if (manager != nullptr) manager->AddRef();
  log_LogManagerC* old = m_InstanceP.exchange(manager, std::memory_order_acq_rel);
  SetProcessLogHook(manager != nullptr ? &ProcessLogThunk : nullptr);
  if (old != nullptr) old->Release();
}

void log_LogManagerC::Shutdown(bool force) noexcept {
  log_LogManagerC* manager = m_InstanceP.exchange(nullptr, std::memory_order_acq_rel);
  if (manager == nullptr) return;
  SetProcessLogHook(nullptr);
  if (force) {
    while (manager->Release() != 0) {
    }
  } else {
    // The remaining count belongs to the other holders.
    (void)manager->Release();
  }
}
