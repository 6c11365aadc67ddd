// Setting look-ups of the network layer, through the host interface of the stream registry.
#ifndef QLM_NET_NETSETTINGS_H_
#define QLM_NET_NETSETTINGS_H_

#include <optional>
#include <string>

// The text of setting `name` from the registry's host interface, or from the default
// interface's source (the "Environment" section of the preference files) while the registry
// has none. Empty when the setting is not there.
[[nodiscard]] std::optional<std::string> NetGetSetting(const char* name);

#endif  // QLM_NET_NETSETTINGS_H_
