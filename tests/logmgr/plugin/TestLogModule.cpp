// A log module for the log manager's tests. It appends one line per call to the file named by
// QLM_TEST_LOG_MODULE_EVENTS (read when the module is initialised):
//   "init", "final", "level <text>", "log <set> <number> <severity> <letter> <level> <text>",
//   "configure <name>=<value> ..." and, at "final", "calls <n>" (the count is a plain integer:
//   calls that overlap on several threads are a data race the thread sanitizer reports).
// With QLM_TEST_LOG_MODULE_LEVEL set, RklLogPreferedLogLevel answers that text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "logmgr/log_LogPluginI.h"

namespace {

std::string g_EventsPath;
long g_Calls = 0;  // deliberately unguarded: the log manager serialises calls into a module

void Event(const std::string& line) {
  if (g_EventsPath.empty()) return;
  if (FILE* out = std::fopen(g_EventsPath.c_str(), "a")) {
    std::fprintf(out, "%s\n", line.c_str());
    std::fclose(out);
  }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void RklLogInitialize(void* logger) {
  const char* path = std::getenv("QLM_TEST_LOG_MODULE_EVENTS");
  g_EventsPath = path != nullptr ? path : "";
  g_Calls = 0;
  Event(logger != nullptr ? "init" : "init null");
}

__attribute__((visibility("default"))) void RklLogFinalize(void* logger) {
  if (g_Calls > 0) {
    // snprintf, not std::to_string: that would give the module a unique symbol, which keeps
    // it from being unloaded.
    char line[32];
    std::snprintf(line, sizeof line, "calls %ld", g_Calls);
    Event(line);
  }
  Event(logger != nullptr ? "final" : "final null");
}

__attribute__((visibility("default"))) void RklLogConfigure(const char* const* settings) {
  std::string line = "configure";
  for (size_t i = 0; settings != nullptr && settings[i] != nullptr; i += 2) {
    line += std::string(" ") + settings[i] + "=" + (settings[i + 1] ? settings[i + 1] : "(null)");
  }
  Event(line);
}

__attribute__((visibility("default"))) const char* RklLogPreferedLogLevel(const char* level) {
  Event(std::string("level ") + (level != nullptr ? level : "(null)"));
  return std::getenv("QLM_TEST_LOG_MODULE_LEVEL");
}

__attribute__((visibility("default"))) void RklLog(uint64_t set, uint64_t number, int32_t severity,
                                                   const char* text, const log_LogHeaderS* header,
                                                   const log_LogSourceS* source) {
  ++g_Calls;
  if (std::getenv("QLM_TEST_LOG_MODULE_QUIET") != nullptr) return;
  char head[128];
  std::snprintf(head, sizeof head, "log %llx %llx %d %c %d ", static_cast<unsigned long long>(set),
                static_cast<unsigned long long>(number), severity,
                static_cast<char>(header->letter), header->level);
  Event(head + std::string(text) + (source->defaultText != nullptr ? "" : " (no source)"));
}

}  // extern "C"
