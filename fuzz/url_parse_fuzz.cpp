// URL parsing from arbitrary bytes: a parse that succeeds must format, and the formatted text
// must parse back to a record that formats to the same text (formatting is a fixed point
// after one round). Also checks the field invariants the formatter relies on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "net/UrlC.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  UrlC url;
  // The text is handed over as a view, so an embedded zero byte is part of it.
  if (RcFailed(url.Parse(std::string_view(text)))) {
    Check(url.Scheme() == nullptr && url.Host() == nullptr);
    return 0;
  }
  Check(url.Scheme() != nullptr && url.Host() != nullptr && url.Path() != nullptr);
  Check(url.Path()[0] == '/');
  Check(std::strcmp(url.Scheme(), "url") != 0);
  for (bool with_password : {false, true}) {
    const auto once = url.Format(with_password);
    Check(once.has_value());
    UrlC again;
    Check(RcSucceeded(again.Parse(std::string_view(*once))));
    const auto twice = again.Format(with_password);
    Check(twice.has_value() && *twice == *once);
  }
  (void)url.IsWebScheme();
  (void)url.IsUncFile();
  (void)IsUrl(text);
  return 0;
}
