// QlmRegToolC: the logic of the qlmreg administrator tool, kept apart from main() so that it
// can be run in-process (tests) with its own output streams.
//
// The tool sets the configuration store up exactly as the policy client does
// (EnvMSWPreferencesC::SetUpConfigurationStore) and then lists, queries, reads, writes or
// deletes one key or value. See UsageText() for the command line.
#ifndef QLM_TOOLS_QLMREG_QLMREGTOOLC_H_
#define QLM_TOOLS_QLMREG_QLMREGTOOLC_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cmn/cmn_RegistryI.h"

class QlmRegToolC {
 public:
  // Runs one command line (argv[0] is the program name). Results go to `out`, the usage text
  // for -h/--help as well; diagnostics and the usage text after a misuse go to `err`. Returns
  // the exit status: 0 for success, 1 for any failure. With -c FILE, QUILLMARSHCONFIGINI is
  // FILE for the duration of the call (its previous state is restored). Not reentrant: it
  // changes the process environment.
  static int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

  // The manual page printed for -h/--help and on misuse.
  static const char* UsageText() noexcept;

  // Parses a DWORD: decimal or 0x-hexadecimal, 0..4294967295. False for anything else.
  static bool ParseDword(std::string_view text, uint32_t* value);
  // Parses hexadecimal bytes ("0a ff 00", "0aff00", "0a:ff:00"); blanks, tabs and colons may
  // separate bytes. False for an odd number of digits or any other character.
  static bool ParseBinary(std::string_view text, std::string* bytes);
  // "REG_SZ" ... for a value type; "REG_0x%x" for an unknown one.
  static std::string TypeName(uint32_t type);
  // The value type for "SZ", "REG_SZ", "EXPAND_SZ", "DWORD", "BINARY", "MULTI_SZ" (ignoring
  // case, with or without "REG_"); 0 for anything else.
  static uint32_t TypeFromName(std::string_view name);
  // Words for a result code of the store.
  static std::string ErrorText(uint32_t rc);
};

#endif  // QLM_TOOLS_QLMREG_QLMREGTOOLC_H_
