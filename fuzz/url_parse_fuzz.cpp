// URL parsing from arbitrary bytes: a parse that succeeds must format, and the formatted text
// must parse back to a record with the same host, port, user and password that formats to the
// same text (formatting is a fixed point after one round); an "@" after the first "/", "?" or
// "#" of an http URL never makes user information. Also checks the field invariants the formatter
// relies on, for plain texts and for references resolved against a base.
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

bool Same(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return std::strcmp(a, b) == 0;
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
    // The fields read back as they were: an IPv6 host (with or without a zone) keeps its
    // brackets apart from the port, and the user information stays the user information.
    Check(std::strcmp(again.Host(), url.Host()) == 0);
    if (url.Host()[0] != '\0') Check(again.Port() == url.Port());
    Check(Same(again.User(), url.User()));
    if (with_password) Check(Same(again.Password(), url.Password()));
  }
  // The authority ends at the first "/", "?" or "#": an "@" after them is never read as the
  // end of user information ("http://a.example#@b.example/" is the host a.example).
  if (text.rfind("http://", 0) == 0) {
    const std::string_view rest = std::string_view(text).substr(7);
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (authority.find('@') == std::string_view::npos &&
        authority.find('\0') == std::string_view::npos) {
      Check(url.User() == nullptr && url.Password() == nullptr);
    }
    Check(std::strpbrk(url.Host(), "/?#@") == nullptr ||
          (authority.size() > 0 && authority.find('[') != std::string_view::npos));
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
