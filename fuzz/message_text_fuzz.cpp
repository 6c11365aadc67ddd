// Feeds arbitrary bytes to the message text parser. The first byte picks the condition set
// (bit n of it: letter 'A' + n for n < 8, so conditions come into play); the rest is the text.
// Checks: the severity is 0..5, the message lies inside the text, and the decoded message is
// valid UTF-8 with no more characters than the message has bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "base/StringC.h"
#include "log/ErrCatalogC.h"
#include "log/MessageTextC.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const ErrConditionsT conditions = data[0];
  // An exact-size copy, so any read past the text is an out-of-bounds access.
  const size_t length = size - 1;
  std::unique_ptr<char[]> copy(new char[length == 0 ? 1 : length]);
  if (length != 0) std::memcpy(copy.get(), data + 1, length);
  const std::string_view text(copy.get(), length);

  const MessageTextC parsed = MessageTextC::Parse(text, conditions);
  if (parsed.Severity() < 0 || parsed.Severity() > 5) __builtin_trap();
  const std::string_view message = parsed.Message();
  if (!message.empty() &&
      (message.data() < text.data() || message.data() + message.size() > text.data() + length)) {
    __builtin_trap();
  }
  if (MessageTextC::ParseSeverity(text, conditions) < 0) __builtin_trap();

  StringC decoded;
  int severity = -1;
  ErrCatalogC::ParseText(text, conditions, &decoded, &severity);
  if (severity != parsed.Severity()) __builtin_trap();
  if (decoded.Length() > static_cast<int64_t>(message.size())) __builtin_trap();
  if (message.empty() != decoded.IsEmpty()) __builtin_trap();
  return 0;
}
