// The syslog log module: a log module (see log/log_LogPluginI.h) that sends every entry the
// log manager hands it to syslog(3), with facility LOG_USER and the process id.
//
// Priority from the entry: fatal LOG_CRIT, error LOG_ERR, warning LOG_WARNING, message
// LOG_NOTICE, information and entries without severity LOG_INFO, lowered to LOG_DEBUG for
// detail levels (log level above 0). The message is "(<letter>, <level>) <text>", the text
// with passwords in URLs removed, as in the log file.
//
// Environment:
//   QLM_SYSLOG_LOGLEVEL  a level specification used for this module instead of "LogLevel"
//   QLM_SYSLOG_STDERR    "1": also write each message to standard error (LOG_PERROR)
#include <syslog.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "log/CredentialMask.h"
#include "log/log_LogPluginI.h"

namespace {

std::mutex g_Mutex;
int g_OpenCount = 0;  // guarded by g_Mutex: openlog once for every RklLogInitialize

int PriorityOf(int32_t severity, int32_t level) noexcept {
  switch (severity) {
    case 5:
      return LOG_CRIT;
    case 4:
      return LOG_ERR;
    case 3:
      return LOG_WARNING;
    case 1:
      return LOG_NOTICE;
    default:
      return level > 0 ? LOG_DEBUG : LOG_INFO;
  }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void RklLogInitialize(void* /*logger*/) {
  std::lock_guard<std::mutex> hold(g_Mutex);
  if (g_OpenCount++ > 0) return;
  int options = LOG_PID | LOG_NDELAY;
  const char* to_stderr = std::getenv("QLM_SYSLOG_STDERR");
  if (to_stderr != nullptr && std::strcmp(to_stderr, "1") == 0) options |= LOG_PERROR;
  // A null identity is the program's name.
  ::openlog(nullptr, options, LOG_USER);
}

__attribute__((visibility("default"))) void RklLogFinalize(void* /*logger*/) {
  std::lock_guard<std::mutex> hold(g_Mutex);
  if (g_OpenCount == 0 || --g_OpenCount > 0) return;
  ::closelog();
}

__attribute__((visibility("default"))) const char* RklLogPreferedLogLevel(const char* level) {
  const char* own = std::getenv("QLM_SYSLOG_LOGLEVEL");
  return own != nullptr ? own : level;
}

__attribute__((visibility("default"))) void RklLog(uint64_t /*set*/, uint64_t /*number*/,
                                                   int32_t severity, const char* text,
                                                   const log_LogHeaderS* header,
                                                   const log_LogSourceS* /*source*/) {
  try {
    std::string masked = text != nullptr ? text : "";
    (void)MaskCredentials(masked);
    const int32_t letter = header != nullptr ? header->letter : '?';
    const int32_t level = header != nullptr ? header->level : 0;
    ::syslog(PriorityOf(severity, level), "(%c, %d) %s", static_cast<char>(letter & 0x7F), level,
             masked.c_str());
  } catch (...) {
    // Out of memory: the entry is dropped; nothing may escape into the log manager.
  }
}

}  // extern "C"
