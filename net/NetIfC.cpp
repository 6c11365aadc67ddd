#include "net/NetIfC.h"

#include "env/PrefsLookup.h"
#include "net/NetSettings.h"
#include "net/StreamRegistryC.h"

NetIfC::~NetIfC() = default;

std::optional<std::string> NetIfC::ReadPreference(const char* name) {
  if (name == nullptr) return std::nullopt;
  std::string value;
  if (!GetPref(name, c_PrefsDefaultSection, &value)) return std::nullopt;
  return value;
}

std::optional<std::string> NetIfC::GetSetting(const char* name) {
  return ReadPreference(name);
}

long NetIfC::GetTimeout() {
  return 30;
}

long NetIfC::GetRate() {
  return StreamRegistryC::RateUnlimited;
}

std::optional<std::string> NetGetSetting(const char* name) {
  if (NetIfC* iface = StreamRegistryC::Interface()) return iface->GetSetting(name);
  return NetIfC::ReadPreference(name);
}
