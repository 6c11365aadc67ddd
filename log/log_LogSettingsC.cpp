#include "log/log_LogSettingsC.h"

#include "env/EnvPreferencesC.h"

namespace {

StringC Ascii(const char* text) {
  return StringC(text, StringC::CC_ASCII);
}

// The expanded value of `name`, or `fallback` expanded when the environment lacks the name.
StringC ReadOr(EnvPreferencesC& preferences, const char* name, const StringC& fallback) {
  const StringC key = Ascii(name);
  if (preferences.Exists(key)) return preferences.GetValue(key, true);
  return fallback.IsEmpty() ? fallback : preferences.Expand(fallback);
}

}  // namespace

log_LogSettingsC::log_LogSettingsC()
    : logLevel(Ascii(c_sLogLevelDef)),
      logModules(Ascii(c_sLogModulesDef)),
      logFile(Ascii(c_sLogFileDef)),
      logFileOld(Ascii(c_sLogFileOldDef)),
      logFileSize(Ascii(c_sLogFileSizeDef)) {}

log_LogSettingsC log_LogSettingsC::Read(EnvPreferencesC& preferences) {
  const log_LogSettingsC defaults;
  log_LogSettingsC s;
  s.logLevel = ReadOr(preferences, "LogLevel", defaults.logLevel);
  s.logModules = ReadOr(preferences, "LogModules", defaults.logModules);
  s.logFlags = ReadOr(preferences, "LogFlags", defaults.logFlags);
  s.logMsgCatPath = ReadOr(preferences, "LogMsgCatPath", defaults.logMsgCatPath);
  s.programPath = ReadOr(preferences, "ProgramPath", defaults.programPath);
  s.logFile = ReadOr(preferences, "LogFile", defaults.logFile);
  s.logFileOld = ReadOr(preferences, "LogFileOld", defaults.logFileOld);
  s.logFileSize = ReadOr(preferences, "LogFileSize", defaults.logFileSize);
  return s;
}

uint64_t log_LogSettingsC::Flags() const noexcept {
  const std::string_view text = logFlags.Utf8View();
  if (text.empty()) return 1;
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  return value;
}
