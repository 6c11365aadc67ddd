// UrlC: a URL taken apart into scheme, user, password, host, port, path and fragment, with
// parsing, formatting and the escaping helpers of the network layer.
//
// Every text field is an owned, zero-terminated byte string (UTF-8 as it came in) or null when
// absent. The password is overwritten with zeros before its storage is freed (on change, on
// Clear and on destruction). The host's InetAddressC is made on the first GetAddress() and
// dropped whenever the host changes.
//
// Parse rules, in short (see UrlC.cpp for the details):
//   "url:" prefix skipped; "scheme:" before the first "/" or ":" (lower-cased); without a
//   scheme, "host/path" reads as http, "//host/path" as http and "/path" as file.
//   "//" then opens the authority (up to the first "/", "?" or "#"): "user:password@"
//   (percent-decoded), a host ("[...]" for an IPv6 literal, kept without the brackets; its
//   zone "%25zone" is percent-decoded to "%zone"), ":port" (decimal).
//   The rest is the path ("/" put in front when missing) and "#fragment".
//   The port starts as the scheme's default (DefaultPort), 0 for an unknown scheme.
//
// Thread safety: none; a UrlC belongs to one thread at a time.
#ifndef QLM_NET_URLC_H_
#define QLM_NET_URLC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cmn/cmn_Result.h"
#include "net/NetErrors.h"

class InetAddressC;

class UrlC {
 public:
  // An empty record: every text null, port 0.
  UrlC() noexcept;
  // Copies every field; the copy makes its own InetAddressC when asked for one.
  UrlC(const UrlC& other);
  UrlC& operator=(const UrlC& other);
  UrlC(UrlC&& other) noexcept;
  UrlC& operator=(UrlC&& other) noexcept;
  // Wipes the password.
  ~UrlC();

  // Replaces the record by the parse of `text` (a null `text` reads as ""; the text ends at
  // its first zero byte). `base`, when not
  // null, is a URL that a relative `text` (no scheme, not starting with "//") is resolved
  // against: "#f" replaces the fragment, "/p" the path, "p" the last path segment; an empty
  // `text` gives the base without its fragment.
  // Success: 0. Failure (the record is left empty): RC_NET_BAD_URL for a port that is not a
  // decimal number up to 65535, an IPv6 literal without "]", text after "]" other than a port,
  // or the scheme "url" (which the prefix rule makes unreadable); a failing base gives the
  // base's code. A failure is reported into the thread's error buffer.
  [[nodiscard]] RcT Parse(const char* text, const char* base = nullptr);
  [[nodiscard]] RcT Parse(std::string_view text);

  // The URL as text: scheme "://" [user [":" password] "@"] host (in "[...]" when it holds a
  // ":", "@", "/", "?" or "#" or begins with "[", written by AppendBracketedHost) [":" port, when
  // the host is not empty and the port differs from the scheme's default] path (with a "/" in front
  // when missing) ["#" fragment]. User and password are escaped so that they read back unchanged.
  // The password is written only when `with_password` is true; the caller then owns a text holding
  // it and should wipe it (WipeText). Empty when the scheme, the host or the path is null.
  [[nodiscard]] std::optional<std::string> Format(bool with_password) const;

  // Field access. Getters return null for an absent field.
  const char* Scheme() const noexcept { return scheme_.get(); }
  const char* User() const noexcept { return user_.get(); }
  const char* Password() const noexcept { return password_.get(); }
  const char* Host() const noexcept { return host_.get(); }
  uint16_t Port() const noexcept { return port_; }
  const char* Path() const noexcept { return path_.get(); }
  const char* Fragment() const noexcept { return fragment_.get(); }

  // Setters copy the text (null makes the field absent). SetScheme lower-cases it and does
  // not touch the port; SetHost drops the cached address.
  void SetScheme(const char* scheme);
  void SetUser(const char* user);
  void SetPassword(const char* password);
  void SetHost(const char* host);
  void SetPort(uint16_t port) noexcept { port_ = port; }
  void SetPath(const char* path);
  void SetFragment(const char* fragment);
  // Makes every field absent (the password wiped), the port 0.
  void Clear() noexcept;

  // The address object of the host, made on first use (resolution happens only when the
  // caller asks it to resolve). Null when the host is absent or empty. Owned by this record;
  // valid until the host changes or the record is destroyed.
  InetAddressC* GetAddress();

  // True when the scheme is "file", "http", "ftp" or "https".
  bool IsWebScheme() const noexcept;
  // True when the scheme is "file" and the path begins with two slashes.
  bool IsUncFile() const noexcept;

  // The default port of `scheme` (case-insensitive): http 80, file 0, ftp 21, https 443,
  // telnet 22, mailto 25, tftp 69, gopher 70, finger 79, pop3 110, news 119, imap 220,
  // ldap 389; 0 for any other scheme or null.
  static uint16_t DefaultPort(const char* scheme) noexcept;
  // True when `scheme` is in the table above.
  static bool IsKnownScheme(const char* scheme) noexcept;

 private:
  struct FreeText {
    void operator()(char* p) const noexcept { delete[] p; }
  };
  // Frees after overwriting with zeros.
  struct WipeFreeText {
    void operator()(char* p) const noexcept;
  };
  using TextT = std::unique_ptr<char[], FreeText>;
  using SecretT = std::unique_ptr<char[], WipeFreeText>;

  static TextT Dup(std::string_view text);
  static SecretT DupSecret(std::string_view text);
  [[nodiscard]] RcT ParseNoBase(std::string_view text);

  TextT scheme_;
  TextT user_;
  SecretT password_;
  TextT host_;
  uint16_t port_ = 0;
  TextT path_;
  TextT fragment_;
  std::unique_ptr<InetAddressC> address_;
};

// True when `text` contains ":/" and either begins with "file:/" (ignoring case) or parses
// with a known scheme and a non-empty host.
[[nodiscard]] bool IsUrl(std::string_view text);

// Letters, digits, "-", ".", ":" and "_" stay; "/" and "\" stay unless `escape_slashes`;
// every other byte becomes "%XX" (upper-case hexadecimal).
[[nodiscard]] std::string EscapeUrlText(std::string_view text, bool escape_slashes);
// Each "%" followed by two hexadecimal digits becomes that byte; anything else is copied.
[[nodiscard]] std::string UnescapeUrlText(std::string_view text);

// A "file" URL for a local path: empty host, port 0, the path with letters, digits, "-",
// "_", "." and "/" kept and every other byte as "%XX".
[[nodiscard]] UrlC FilePathToUrl(std::string_view path);
// The local path of a URL: its path unescaped, except that "%00" stays as written (a path
// never holds a zero byte), with "/" in front of a non-empty path that lacks one. "" when the
// URL has no path.
[[nodiscard]] std::string UrlToFilePath(const UrlC& url);

// Appends `host` as written between "[" and "]" of a URL: "%" (an IPv6 zone) as "%25", and
// "]", "/", "?", "#", "@" escaped, so that the literal parses back to `host`.
void AppendBracketedHost(std::string* out, std::string_view host);

// Overwrites the text's bytes with zeros and empties it (for texts that held a password).
void WipeText(std::string* text) noexcept;

#endif  // QLM_NET_URLC_H_
