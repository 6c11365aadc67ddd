#include "env/PrefsLookup.h"

#include <cerrno>
#include <cstdlib>

#include "env/PrefsFileSetC.h"
#include "env/PrefsStaticDataC.h"
#include "env/PrefsSystem_posix.h"
#include "env/TaskC.h"

namespace {

const char* SectionOrDefault(const char* section) noexcept {
  return section != nullptr ? section : c_PrefsDefaultSection;
}

}  // namespace

bool GetPref(const char* key, const char* section, std::string* value) {
  if (key == nullptr || value == nullptr) return false;
  bool found = false;
  // Without a task the default above stands.
  (void)TaskC::WithPrefs(
      [&](const PrefsFileSetC& set) { found = set.Find(SectionOrDefault(section), key, value); });
  return found;
}

long GetPrefLong(const char* key, long default_value, const char* section) {
  std::string value;
  if (!GetPref(key, section, &value) || value.empty()) return default_value;
  if (value[0] < '0' || value[0] > '9') return default_value;
  errno = 0;
  const long number = std::strtol(value.c_str(), nullptr, 0);
  return number;
}

bool GetPrefBool(const char* key, bool default_value, const char* section) {
  if (key == nullptr) return default_value;
  bool result = default_value;
  // Without a task the default above stands.
  (void)TaskC::WithPrefs([&](const PrefsFileSetC& set) {
    result = set.GetBool(SectionOrDefault(section), key, default_value);
  });
  return result;
}

const char* GetEnv(const char* name) {
  if (name == nullptr || *name == '\0') return nullptr;
  std::string value;
  bool found = PrefsProcessEnv(name, &value);
  if (!found) {
    // Without a task the default above stands.
    (void)TaskC::WithPrefs([&](const PrefsFileSetC& set) {
      found = set.Find(PrefsFileSetC::c_EnvironmentSection, name, &value);
    });
  }
  if (!found) return nullptr;
  return PrefsStaticDataC::Current().env_value.Set(value);
}
