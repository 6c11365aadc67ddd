// The text a log line is made of, from outside input: "LogFileSize" read by ParseSize, and
// any text through the masking and control-character escaping every logger applies.
//
// Checks: ParseSize never reports a negative size; an escaped text holds no control
// character, no line break in particular, and escaping it again changes nothing; masking
// then escaping (the file logger's order) still leaves one line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cmn/cmn_ControlEscape.h"
#include "log/CredentialMask.h"
#include "logmgr/log_LogSettingsC.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  int64_t bytes = -1;
  if (log_LogSettingsC::ParseSize(input, &bytes)) Check(bytes >= 0, "size is not negative");

  std::string text(input);
  cmn_EscapeControls(text);
  Check(cmn_HasNoControls(text), "escaped text holds no control character");
  Check(text.find('\n') == std::string::npos, "escaped text is one line");
  std::string again = text;
  Check(cmn_EscapeControls(again) == 0 && again == text, "escaping is idempotent");

  std::string line(input);
  (void)MaskCredentials(line);
  cmn_EscapeControls(line);
  Check(cmn_HasNoControls(line), "masked line holds no control character");
  return 0;
}
