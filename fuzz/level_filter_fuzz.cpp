// The level specification of TraceC (the "LogLevel" preference and the trace flags) over
// arbitrary text. Checks:
//   - parsing never reads outside the text and never touches a mask it was not asked to;
//   - disable mode is the exact mirror of enable mode: parsing a text in disable mode into a
//     filter with every bit set clears precisely the bits that enable mode sets in an empty
//     filter, and both modes report the same success;
//   - parsing is idempotent (a second enable pass changes nothing) and gives the same result
//     for the same text;
//   - a text without any letter succeeds and sets nothing;
//   - IsEnabled agrees with the masks and never passes a letter outside 'A'..'z' or a level
//     above 31.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "log/TraceC.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

bool HasLetter(std::string_view text) {
  for (char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  TraceC enabled;
  const int ok = enabled.Parse(text, true);
  Check(ok == 0 || ok == 1, "result is 0 or 1");

  TraceC disabled;
  Check(disabled.Parse("A-z", true) == 1, "A-z parses");
  Check(disabled.Parse(text, false) == ok, "both modes agree on success");

  TraceC again = enabled;
  Check(again.Parse(text, true) == ok, "same result twice");

  for (uint32_t c = TraceC::c_FirstLetter; c <= TraceC::c_LastLetter; ++c) {
    Check(disabled.Mask(c) == ~enabled.Mask(c), "disable mode mirrors enable mode");
    Check(again.Mask(c) == enabled.Mask(c), "parsing is idempotent");
    for (uint32_t level = 0; level < 40; ++level) {
      const bool expected = level < 32 && ((enabled.Mask(c) >> level) & 1u) != 0;
      Check(enabled.IsEnabled(c, level) == expected, "IsEnabled follows the mask");
    }
  }
  for (uint32_t c : {0u, 64u, 123u, 255u}) {
    Check(!enabled.IsEnabled(c, 0) && enabled.Mask(c) == 0, "no letter outside A..z");
  }
  if (!HasLetter(text)) {
    Check(ok == 1, "a text without letters succeeds");
    for (uint32_t c = TraceC::c_FirstLetter; c <= TraceC::c_LastLetter; ++c) {
      Check(enabled.Mask(c) == 0, "a text without letters sets nothing");
    }
  }
  return 0;
}
