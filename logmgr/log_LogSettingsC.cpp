#include "logmgr/log_LogSettingsC.h"

#include "env/EnvPreferencesC.h"
#include "logmgr/log_LogSystem_posix.h"

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
  s.logTimeFormat = ReadOr(preferences, "LogTimeFormat", defaults.logTimeFormat);
  s.logSyslogFacility = ReadOr(preferences, "LogSyslogFacility", defaults.logSyslogFacility);
  s.policyType = ReadOr(preferences, "PolicyType", defaults.policyType);
  // The user's own log lies below "AppDataFolder"; without it, below the home directory the
  // password database gives (never one taken from the environment, which differs between a
  // cron job and a login).
  StringC base;
  if (preferences.Exists(Ascii("AppDataFolder")))
    base = preferences.GetValue(Ascii("AppDataFolder"), true);
  if (base.IsEmpty()) base = StringC::FromUtf8(log_UserHome());
  if (!base.IsEmpty() && base.Utf8View().front() == '/') {
    s.userLogFile = base + Ascii("/.quillmarsh/log/quillmarsh.log");
    s.userLogFileOld = base + Ascii("/.quillmarsh/log/quillmarsh.old");
  }
  return s;
}

bool log_LogSettingsC::ParseSize(std::string_view text, int64_t* bytes) noexcept {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) return false;
  uint64_t value = 0;
  size_t i = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    // Hexadecimal, as the plain integer reading always accepted; no suffix then.
    for (i = 2; i < text.size(); ++i) {
      const char c = text[i];
      int digit;
      if (c >= '0' && c <= '9') {
        digit = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        digit = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        digit = c - 'A' + 10;
      } else {
        return false;
      }
      if (value > (uint64_t{INT64_MAX} >> 4)) return false;
      value = value * 16 + static_cast<uint64_t>(digit);
    }
    *bytes = static_cast<int64_t>(value);
    return true;
  }
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > (uint64_t{INT64_MAX} - 9) / 10) return false;
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  if (i == 0) return false;
  std::string_view suffix = text.substr(i);
  while (!suffix.empty() && blank(suffix.front())) suffix.remove_prefix(1);
  struct SuffixS {
    std::string_view name;
    uint64_t factor;
  };
  static constexpr SuffixS kSuffixes[] = {
      {"", 1},
      {"b", 1},
      {"B", 1},
      {"k", 1000},
      {"K", 1000},
      {"kB", 1000},
      {"KB", 1000},
      {"KiB", 1024},
      {"M", 1000000},
      {"MB", 1000000},
      {"MiB", 1024 * 1024},
      {"G", 1000000000},
      {"GB", 1000000000},
      {"GiB", 1024 * 1024 * 1024},
  };
  for (const SuffixS& s : kSuffixes) {
    if (suffix != s.name) continue;
    if (value > uint64_t{INT64_MAX} / s.factor) return false;
    *bytes = static_cast<int64_t>(value * s.factor);
    return true;
  }
  return false;
}

int64_t log_LogSettingsC::FileSizeLimit(bool* valid) const {
  int64_t bytes = 0;
  // An empty value is an unset one.
  if (logFileSize.IsEmpty()) {
    if (valid != nullptr) *valid = true;
    return c_LogFileSizeDef;
  }
  const bool ok = ParseSize(logFileSize.Utf8View(), &bytes);
  if (valid != nullptr) *valid = ok;
  return ok ? bytes : c_LogFileSizeDef;
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
