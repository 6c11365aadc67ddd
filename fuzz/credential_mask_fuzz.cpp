// Removal of passwords from URLs before a text reaches the log file (MaskCredentials).
//
// The first input byte chooses the check:
//   - even: the rest is any text. The result is never longer than the text, and is what is
//     left of the text after removing some of its bytes (a subsequence).
//   - odd: the rest is split at bytes 0x00 into a prefix, a user name, a password, a host and
//     a suffix, and the text "<prefix>http://<user>:<password>@<host>/<suffix>" is masked. The
//     parts are made to fit a URL (no "/" in user, password and host, no ":" in the user, a
//     host that starts with neither a blank nor "/"), and the password is framed by the bytes
//     0x01 and 0x02, which occur nowhere else. Whatever the prefix and suffix hold, no byte of
//     the password frame may survive, and the result is never longer than the text.
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

bool IsSubsequence(const std::string& small, const std::string& big) {
  size_t i = 0;
  for (char c : big) {
    if (i < small.size() && small[i] == c) ++i;
  }
  return i == small.size();
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
    const std::string original(rest);
    std::string text = original;
    const size_t removed = MaskCredentials(text);
    Check(text.size() + removed == original.size(), "removed bytes are counted");
    Check(IsSubsequence(text, original), "masking only removes bytes");
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
  Check(text.size() <= original.size(), "never longer");
  Check(text.find('\x01') == std::string::npos, "the password's first byte is gone");
  Check(text.find('\x02') == std::string::npos, "the password's last byte is gone");
  return 0;
}
