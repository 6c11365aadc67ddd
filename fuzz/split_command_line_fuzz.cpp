// Command lines from arbitrary bytes: the arguments SplitCommandLine finds, joined again with
// JoinCommandLine, must split to the same arguments, both over the raw bytes and over a StringC
// made from them (ill-formed UTF-8 becomes U+FFFD first). No argument but the last may end in
// an odd run of backslashes, since a backslash makes the separator after it ordinary.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "os/CommandLine.h"

namespace {

constexpr size_t kMaxLine = 8192;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

bool EndsInOddRun(const std::string& text) {
  size_t n = 0;
  while (n < text.size() && text[text.size() - 1 - n] == '\\') ++n;
  return n % 2 == 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxLine) return 0;
  const std::string_view line(reinterpret_cast<const char*>(data), size);

  const std::vector<std::string> arguments = SplitCommandLine(line);
  for (size_t i = 0; i + 1 < arguments.size(); ++i) Check(!EndsInOddRun(arguments[i]));
  const std::string joined = JoinCommandLine(arguments);
  Check(SplitCommandLine(joined) == arguments);
  Check(JoinCommandLine(SplitCommandLine(joined)) == joined);

  const StringC text(data, size, "utf8");
  StringArrayC array;
  SplitCommandLine(text, &array);
  const StringC joined_text = JoinCommandLine(array);
  StringArrayC again;
  SplitCommandLine(joined_text, &again);
  Check(again.Count() == array.Count());
  for (uint64_t i = 0; i < array.Count(); ++i) Check(again[i] == array[i]);
  return 0;
}
