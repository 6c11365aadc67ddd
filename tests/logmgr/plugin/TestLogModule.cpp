// A log module for the log manager's tests. It appends one line per call to the file named by
// QLM_TEST_LOG_MODULE_EVENTS (read when the module is initialised):
//   "init", "final", "level <text>", "log <set> <number> <severity> <letter> <level> <text>".
// With QLM_TEST_LOG_MODULE_LEVEL set, RklLogPreferedLogLevel answers that text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/log_LogPluginI.h"

namespace {

std::string g_EventsPath;

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
  Event(logger != nullptr ? "init" : "init null");
}

__attribute__((visibility("default"))) void RklLogFinalize(void* logger) {
  Event(logger != nullptr ? "final" : "final null");
}

__attribute__((visibility("default"))) const char* RklLogPreferedLogLevel(const char* level) {
  Event(std::string("level ") + (level != nullptr ? level : "(null)"));
  return std::getenv("QLM_TEST_LOG_MODULE_LEVEL");
}

__attribute__((visibility("default"))) void RklLog(uint64_t set, uint64_t number, int32_t severity,
                                                   const char* text, const log_LogHeaderS* header,
                                                   const log_LogSourceS* source) {
  char head[128];
  std::snprintf(head, sizeof head, "log %llx %llx %d %c %d ", static_cast<unsigned long long>(set),
                static_cast<unsigned long long>(number), severity,
                static_cast<char>(header->letter), header->level);
  Event(head + std::string(text) + (source->defaultText != nullptr ? "" : " (no source)"));
}

}  // extern "C"
