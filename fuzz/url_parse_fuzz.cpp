// URL parsing from arbitrary bytes: a parse that succeeds must format, and the formatted text
// must parse back to a record that formats to the same text (formatting is a fixed point
// after one round). Also checks the field invariants the formatter relies on, for plain texts
// and for references resolved against a base.
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

  // Relative references: the text up to the first line feed is the base, the rest the
  // reference (each ends at its first zero byte, as C texts do). A merge that succeeds must
  // satisfy the same invariants and round trip.
  const size_t newline = text.find('\n');
  if (newline != std::string::npos) {
    const std::string base = text.substr(0, newline);
    const std::string ref = text.substr(newline + 1);
    UrlC merged;
    if (RcFailed(merged.Parse(ref.c_str(), base.c_str()))) {
      Check(merged.Scheme() == nullptr && merged.Host() == nullptr);
      return 0;
    }
    Check(merged.Scheme() != nullptr && merged.Host() != nullptr && merged.Path() != nullptr);
    Check(merged.Path()[0] == '/');
    const auto once = merged.Format(true);
    Check(once.has_value());
    UrlC again;
    Check(RcSucceeded(again.Parse(std::string_view(*once))));
    const auto twice = again.Format(true);
    Check(twice.has_value() && *twice == *once);
  }
  return 0;
}
