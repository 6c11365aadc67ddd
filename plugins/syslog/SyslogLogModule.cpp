// The syslog log module: a log module (see logmgr/log_LogPluginI.h) that sends every entry the
// log manager hands it to syslog(3), with the process id and the facility of the preference
// "LogSyslogFacility" (default "user"; also "daemon", "auth", "authpriv", "cron", "local0"
// to "local7" and the other names of syslog.conf(5); an unknown name keeps "user").
//
// Priority from the entry: fatal LOG_CRIT, error LOG_ERR, warning LOG_WARNING, message
// LOG_NOTICE, information and entries without severity LOG_INFO, lowered to LOG_DEBUG for
// detail levels (log level above 0). The message is "(<letter>, <level>) <text>", the text
// masked and its control characters escaped exactly as in the log file, so a line break in
// a logged value never starts a forged message.
//
// Environment:
//   QLM_SYSLOG_LOGLEVEL  a level specification used for this module instead of "LogLevel"
//   QLM_SYSLOG_STDERR    "1": also write each message to standard error (LOG_PERROR)
#include <syslog.h>

#include <strings.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cmn/cmn_ControlEscape.h"
#include "cmn/cmn_MutexC.h"
#include "log/CredentialMask.h"
#include "logmgr/log_LogPluginI.h"

namespace {

cmn_MutexC g_Mutex;
// openlog once for every RklLogInitialize
int g_OpenCount QLM_GUARDED_BY(g_Mutex) = 0;
int g_Facility QLM_GUARDED_BY(g_Mutex) = LOG_USER;

struct FacilityS {
  const char* name;
  int facility;
};
constexpr FacilityS kFacilities[] = {
    {"user", LOG_USER},         {"daemon", LOG_DAEMON}, {"auth", LOG_AUTH},
    {"authpriv", LOG_AUTHPRIV}, {"cron", LOG_CRON},     {"kern", LOG_KERN},
    {"lpr", LOG_LPR},           {"mail", LOG_MAIL},     {"news", LOG_NEWS},
    {"syslog", LOG_SYSLOG},     {"uucp", LOG_UUCP},     {"ftp", LOG_FTP},
    {"local0", LOG_LOCAL0},     {"local1", LOG_LOCAL1}, {"local2", LOG_LOCAL2},
    {"local3", LOG_LOCAL3},     {"local4", LOG_LOCAL4}, {"local5", LOG_LOCAL5},
    {"local6", LOG_LOCAL6},     {"local7", LOG_LOCAL7},
};

int FacilityOf(const char* name) noexcept {
  if (name == nullptr) return LOG_USER;
  for (const FacilityS& f : kFacilities) {
    if (::strcasecmp(name, f.name) == 0) return f.facility;
  }
  return LOG_USER;
}

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
  cmn_MutexLockC hold(g_Mutex);
  if (g_OpenCount++ > 0) return;
  int options = LOG_PID | LOG_NDELAY;
  const char* to_stderr = std::getenv("QLM_SYSLOG_STDERR");
  if (to_stderr != nullptr && std::strcmp(to_stderr, "1") == 0) options |= LOG_PERROR;
  // A null identity is the program's name.
  ::openlog(nullptr, options, LOG_USER);
}

__attribute__((visibility("default"))) void RklLogFinalize(void* /*logger*/) {
  cmn_MutexLockC hold(g_Mutex);
  if (g_OpenCount == 0 || --g_OpenCount > 0) return;
  ::closelog();
}

__attribute__((visibility("default"))) void RklLogConfigure(const char* const* settings) {
  cmn_MutexLockC hold(g_Mutex);
  for (size_t i = 0; settings != nullptr && settings[i] != nullptr; i += 2) {
    if (std::strcmp(settings[i], "LogSyslogFacility") == 0) {
      const char* value = settings[i + 1];
      g_Facility = value != nullptr && *value != '\0' ? FacilityOf(value) : LOG_USER;
    }
  }
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
    // Edits in place; how much it changed is not needed.
    (void)MaskCredentials(masked);
    (void)cmn_EscapeControls(masked);
    const int32_t letter = header != nullptr ? header->letter : '?';
    const int32_t level = header != nullptr ? header->level : 0;
    int facility;
    {
      cmn_MutexLockC hold(g_Mutex);
      facility = g_Facility;
    }
    ::syslog(facility | PriorityOf(severity, level), "(%c, %d) %s",
             static_cast<char>(letter & 0x7F), level, masked.c_str());
  } catch (...) {
    // Out of memory: the entry is dropped; nothing may escape into the log manager.
  }
}

}  // extern "C"
