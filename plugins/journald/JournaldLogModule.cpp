// The journald log module: a log module (see logmgr/log_LogPluginI.h) that sends every entry the
// log manager hands it to the systemd journal as a structured entry (fields: see
// JournaldFields.h), through sd_journal_sendv(3) of libsystemd. The journal's socket is
// written without waiting; an entry the journal does not take is dropped.
#include <sys/uio.h>
#include <systemd/sd-journal.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "cmn/cmn_MutexC.h"
#include "logmgr/log_LogPluginI.h"
#include "plugins/journald/JournaldFields.h"

namespace {

cmn_MutexC g_Mutex;
std::string g_PolicyType QLM_GUARDED_BY(g_Mutex);

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void RklLogConfigure(const char* const* settings) {
  try {
    cmn_MutexLockC hold(g_Mutex);
    for (size_t i = 0; settings != nullptr && settings[i] != nullptr; i += 2) {
      if (std::strcmp(settings[i], "PolicyType") == 0) {
        g_PolicyType = settings[i + 1] != nullptr ? settings[i + 1] : "";
      }
    }
  } catch (...) {
  }
}

__attribute__((visibility("default"))) void RklLog(uint64_t set, uint64_t number, int32_t severity,
                                                   const char* text, const log_LogHeaderS* header,
                                                   const log_LogSourceS* /*source*/) {
  try {
    const uint32_t message = 0xE0000000u | (static_cast<uint32_t>(set & 0xFFFu) << 16) |
                             static_cast<uint32_t>(number & 0xFFFFu);
    std::string policy_type;
    {
      cmn_MutexLockC hold(g_Mutex);
      policy_type = g_PolicyType;
    }
    const std::vector<std::string> fields =
        journald::FieldsOf(message, severity, header != nullptr ? header->letter : '?',
                           header != nullptr ? header->level : 0, text, policy_type);
    std::vector<struct iovec> parts(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
      parts[i].iov_base = const_cast<char*>(fields[i].data());
      parts[i].iov_len = fields[i].size();
    }
    // Nobody can be told that a log line was lost.
    (void)sd_journal_sendv(parts.data(), static_cast<int>(parts.size()));
  } catch (...) {
    // Out of memory: the entry is dropped; nothing may escape into the log manager.
  }
}

}  // extern "C"
