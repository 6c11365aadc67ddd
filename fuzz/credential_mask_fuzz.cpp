// Removal of secrets before a text reaches the log file (MaskCredentials).
//
// The first input byte chooses the check:
//   - even: the rest is any text; a pass that reports nothing masked left it as it was. With bit 1
//   set as well, the
//     rest becomes "<text> xPassword=\x01<value>\x02 <text>" (value without blanks, quotes, "@",
//     ":" and "/"), and no byte of the framed value may survive.
//   - odd: the rest is split at bytes 0x00 into a prefix, a user name, a password, a host and
//     a suffix, and the text "<prefix>http://<user>:<password>@<host>/<suffix>" is masked. The
//     parts are made to fit a URL (no "/" in user, password and host, no ":" in the user, a
//     host that starts with neither a blank nor "/"), and the password is framed by the bytes
//     0x01 and 0x02, which occur nowhere else. Whatever the prefix and suffix hold, no byte of
//     the password frame may survive.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "log/CredentialMask.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

// `part` without the bytes of `drop`.
std::string Without(std::string_view part, std::string_view drop) {
  std::string out;
  for (char c : part) {
    if (drop.find(c) == std::string_view::npos) out += c;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);

  if ((data[0] & 1) == 0) {
    std::string text(rest);
    if ((data[0] & 2) != 0) {
      std::string value;
      for (char c : rest) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '"' && c != '\'' &&
            c != '\x01' && c != '\x02' && c != '@' && c != ':' && c != '/') {
          value += c;
        }
      }
      text = std::string(rest) + " xPassword=\x01" + value + "\x02 " + std::string(rest);
      std::string masked = text;
      (void)MaskCredentials(masked);
      Check(masked.find('\x01') == std::string::npos || rest.find('\x01') != std::string::npos,
            "the value's first byte is gone");
      Check(masked.find('\x02') == std::string::npos || rest.find('\x02') != std::string::npos,
            "the value's last byte is gone");
      return 0;
    }
    const std::string original = text;
    const size_t count = MaskCredentials(text);
    if (count == 0) Check(text == original, "nothing masked, nothing changed");
    return 0;
  }

  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= rest.size() && parts.size() < 4; ++i) {
    if (i == rest.size() || rest[i] == '\0') {
      parts.push_back(rest.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(start <= rest.size() ? rest.substr(start) : std::string_view());
  while (parts.size() < 5) parts.push_back(std::string_view());

  using namespace std::string_view_literals;
  const std::string_view markers = "\x01\x02"sv;
  const std::string prefix = Without(parts[0], markers);
  const std::string user = Without(parts[1], "\x01\x02/:"sv);
  const std::string password = "\x01" + Without(parts[2], "\x01\x02/"sv) + "\x02";
  std::string host = Without(parts[3], "\x01\x02/"sv);
  if (host.empty() || host[0] == ' ') host.insert(0, "h");
  const std::string suffix = Without(parts[4], markers);

  const std::string original =
      prefix + "http://" + user + ":" + password + "@" + host + "/" + suffix;
  std::string text = original;
  (void)MaskCredentials(text);
  Check(text.find('\x01') == std::string::npos, "the password's first byte is gone");
  Check(text.find('\x02') == std::string::npos, "the password's last byte is gone");
  return 0;
}
