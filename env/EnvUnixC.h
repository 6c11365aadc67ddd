// EnvUnixC: where the configuration files of the product are on this platform, and the
// execution path the process was started with.
#ifndef QLM_ENV_ENVUNIXC_H_
#define QLM_ENV_ENVUNIXC_H_

#include "base/StringC.h"

class EnvUnixC {
 public:
  // The machine configuration file, attached to the configuration store at start unless the
  // environment names another one.
  static constexpr const char* s_InstallIni = "/etc/quillmarsh.ini";
  // The configuration file of the data directory, as a path below that directory.
  static constexpr const char* s_CommonAppDataIni = "/etc/config.ini";
  // The execution path: the value of QUILLMARSHEXECPATH at start, empty when unset. Set once
  // by EnvMSWPreferencesC::SetUpConfigurationStore on the main thread, read afterwards.
  static StringC s_ExecutionPath;
};

#endif  // QLM_ENV_ENVUNIXC_H_
