#include "net/UrlC.h"

#include <strings.h>

#include <cstring>

#include "base/ArgListC.h"
#include "log/ErrMessages.h"
#include "net/InetAddressC.h"

namespace {

struct SchemeS {
  const char* name;
  uint16_t port;
};

// Looked up in this order, ignoring case.
constexpr SchemeS kSchemes[] = {
    {"http", 80},   {"file", 0},   {"ftp", 21},    {"https", 443}, {"telnet", 22},
    {"mailto", 25}, {"tftp", 69},  {"gopher", 70}, {"finger", 79}, {"pop3", 110},
    {"news", 119},  {"imap", 220}, {"ldap", 389},
};

const SchemeS* FindScheme(const char* scheme) noexcept {
  if (scheme == nullptr) return nullptr;
  for (const SchemeS& s : kSchemes) {
    if (strcasecmp(s.name, scheme) == 0) return &s;
  }
  return nullptr;
}

bool IsAlnum(unsigned char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

int HexValue(unsigned char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr char kHex[] = "0123456789ABCDEF";

void AppendEscaped(std::string* out, unsigned char c) {
  out->push_back('%');
  out->push_back(kHex[c >> 4]);
  out->push_back(kHex[c & 15]);
}

// Escapes user information so that it reads back unchanged: ":", "/", "\" and "@" would
// otherwise end the user, the authority or the user information early.
void AppendUserInfo(std::string* out, std::string_view text) {
  for (unsigned char c : text) {
    if (IsAlnum(c) || c == '-' || c == '.' || c == '_') {
      out->push_back(static_cast<char>(c));
    } else {
      AppendEscaped(out, c);
    }
  }
}

// Decodes into a buffer the caller wipes when it held a password.
void UnescapeInto(std::string_view text, std::string* out, bool keep_nul) {
  out->clear();
  out->reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '%' && i + 2 < text.size()) {
      const int hi = HexValue(static_cast<unsigned char>(text[i + 1]));
      const int lo = HexValue(static_cast<unsigned char>(text[i + 2]));
      if (hi >= 0 && lo >= 0 && !(keep_nul && hi == 0 && lo == 0)) {
        out->push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out->push_back(static_cast<char>(c));
  }
}

}  // namespace

void AppendBracketedHost(std::string* out, std::string_view host) {
  // "%" (an IPv6 zone) would read back as an escape; "]" would end the literal, and "/", "?",
  // "#" and "@" the authority or the user information, so they are escaped too (a host holds
  // them only when they came escaped).
  for (const char c : host) {
    if (c == '%' || c == ']' || c == '/' || c == '?' || c == '#' || c == '@') {
      AppendEscaped(out, static_cast<unsigned char>(c));
    } else {
      out->push_back(c);
    }
  }
}

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
  return text.size() >= prefix.size() &&
         strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

[[nodiscard]] RcT BadUrl(const char* reason) {
  return ErrReport(RC_NET_BAD_URL, kNetBadUrlText, ArgListC() << reason);
}

}  // namespace

void WipeText(std::string* text) noexcept {
  if (text == nullptr) return;
  // Wipe the whole capacity: a shorter text may have left older bytes behind.
  text->resize(text->capacity());
  explicit_bzero(text->data(), text->size());
  text->clear();
}

void UrlC::WipeFreeText::operator()(char* p) const noexcept {
  if (p == nullptr) return;
  explicit_bzero(p, std::strlen(p));
  delete[] p;
}

// Fields are zero-terminated texts: a decoded "%00" ends them.
UrlC::TextT UrlC::Dup(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  TextT copy(new char[text.size() + 1]);
  std::memcpy(copy.get(), text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

UrlC::SecretT UrlC::DupSecret(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  SecretT copy(new char[text.size() + 1]);
  std::memcpy(copy.get(), text.data(), text.size());
  copy[text.size()] = '\0';
  return copy;
}

UrlC::UrlC() noexcept = default;

UrlC::UrlC(const UrlC& other)
    : scheme_(other.scheme_ ? Dup(other.scheme_.get()) : nullptr),
      user_(other.user_ ? Dup(other.user_.get()) : nullptr),
      password_(other.password_ ? DupSecret(other.password_.get()) : nullptr),
      host_(other.host_ ? Dup(other.host_.get()) : nullptr),
      port_(other.port_),
      path_(other.path_ ? Dup(other.path_.get()) : nullptr),
      fragment_(other.fragment_ ? Dup(other.fragment_.get()) : nullptr) {}

UrlC& UrlC::operator=(const UrlC& other) {
  if (this != &other) {
    UrlC copy(other);
    *this = std::move(copy);
  }
  return *this;
}

UrlC::UrlC(UrlC&& other) noexcept = default;
UrlC& UrlC::operator=(UrlC&& other) noexcept = default;
UrlC::~UrlC() = default;

void UrlC::Clear() noexcept {
  scheme_.reset();
  user_.reset();
  password_.reset();
  host_.reset();
  port_ = 0;
  path_.reset();
  fragment_.reset();
  address_.reset();
}

void UrlC::SetScheme(const char* scheme) {
  if (scheme == nullptr) {
    scheme_.reset();
    return;
  }
  scheme_ = Dup(scheme);
  for (char* p = scheme_.get(); *p != '\0'; ++p) {
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p - 'A' + 'a');
  }
}

void UrlC::SetUser(const char* user) {
  user_ = user ? Dup(user) : nullptr;
}
void UrlC::SetPassword(const char* password) {
  password_ = password ? DupSecret(password) : nullptr;
}
void UrlC::SetHost(const char* host) {
  host_ = host ? Dup(host) : nullptr;
  address_.reset();
}
void UrlC::SetPath(const char* path) {
  path_ = path ? Dup(path) : nullptr;
}
void UrlC::SetFragment(const char* fragment) {
  fragment_ = fragment ? Dup(fragment) : nullptr;
}

uint16_t UrlC::DefaultPort(const char* scheme) noexcept {
  const SchemeS* s = FindScheme(scheme);
  return s ? s->port : 0;
}

bool UrlC::IsKnownScheme(const char* scheme) noexcept {
  return FindScheme(scheme) != nullptr;
}

bool UrlC::IsWebScheme() const noexcept {
  const char* s = scheme_.get();
  return s != nullptr && (strcasecmp(s, "file") == 0 || strcasecmp(s, "http") == 0 ||
                          strcasecmp(s, "ftp") == 0 || strcasecmp(s, "https") == 0);
}

bool UrlC::IsUncFile() const noexcept {
  return scheme_ && strcasecmp(scheme_.get(), "file") == 0 && path_ && path_[0] == '/' &&
         path_[1] == '/';
}

InetAddressC* UrlC::GetAddress() {
  if (!host_ || host_[0] == '\0') return nullptr;
  if (!address_) address_ = std::make_unique<InetAddressC>(host_.get());
  return address_.get();
}

RcT UrlC::Parse(std::string_view text) {
  return ParseNoBase(text);
}

RcT UrlC::Parse(const char* text, const char* base) {
  const std::string_view t = text ? std::string_view(text) : std::string_view();
  if (base == nullptr) return ParseNoBase(t);

  // A text with a scheme or an authority of its own stands alone.
  const size_t sep = t.find_first_of("/:");
  const bool has_scheme = sep != std::string_view::npos && sep > 0 && t[sep] == ':';
  if (has_scheme || t.substr(0, 2) == "//" || StartsWithNoCase(t, "url:")) {
    return ParseNoBase(t);
  }
  UrlC merged;
  if (const RcT rc = merged.ParseNoBase(base); RcFailed(rc)) {
    Clear();
    return rc;
  }
  const size_t hash = t.find('#');
  const std::string_view ref_path = t.substr(0, hash);
  if (hash != std::string_view::npos) {
    merged.SetFragment(std::string(t.substr(hash + 1)).c_str());
  } else {
    merged.SetFragment(nullptr);
  }
  if (!ref_path.empty()) {
    std::string path;
    if (ref_path[0] == '/') {
      path = std::string(ref_path);
    } else {
      const std::string_view base_path = merged.Path() ? merged.Path() : "/";
      const size_t slash = base_path.rfind('/');
      path = std::string(base_path.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
      if (path.empty()) path = "/";
      path.append(ref_path);
    }
    merged.SetPath(path.c_str());
  }
  *this = std::move(merged);
  return RC_OK;
}

RcT UrlC::ParseNoBase(std::string_view t) {
  Clear();
  // The text ends at a zero byte, as every field does.
  t = t.substr(0, t.find('\0'));
  if (StartsWithNoCase(t, "url:")) t.remove_prefix(4);

  UrlC out;
  bool has_authority = false;
  const size_t sep = t.find_first_of("/:");
  if (sep != std::string_view::npos && sep > 0 && t[sep] == ':') {
    out.SetScheme(std::string(t.substr(0, sep)).c_str());
    if (std::strcmp(out.Scheme(), "url") == 0) return BadUrl("the scheme \"url\"");
    out.port_ = DefaultPort(out.Scheme());
    t.remove_prefix(sep + 1);
    if (t.substr(0, 2) == "//") {
      t.remove_prefix(2);
      has_authority = true;
    }
  } else {
    if (!t.empty() && t[0] == ':') t.remove_prefix(1);
    if (t.empty() || t[0] != '/') {
      out.SetScheme("http");
      out.port_ = 80;
      has_authority = true;
    } else if (t.substr(0, 2) == "//") {
      out.SetScheme("http");
      out.port_ = 80;
      t.remove_prefix(2);
      has_authority = true;
    } else {
      out.SetScheme("file");
      out.port_ = 0;
    }
  }

  std::string_view rest = t;
  if (!has_authority) {
    out.host_ = Dup("");
  } else {
    // The authority ends at the first "/", "?" or "#": an "@" after any of them belongs to
    // the path or the fragment ("http://a.example#@b.example/" is the host a.example).
    const std::string_view authority = t.substr(0, t.find_first_of("/?#"));
    size_t host_start = 0;
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
      const std::string_view info = authority.substr(0, at);
      const size_t colon = info.find(':');
      std::string work;
      UnescapeInto(info.substr(0, colon), &work, false);
      out.user_ = Dup(work);
      if (colon != std::string_view::npos) {
        UnescapeInto(info.substr(colon + 1), &work, false);
        out.password_ = DupSecret(work);
      }
      WipeText(&work);
      host_start = at + 1;
    }
    const size_t host_end = authority.size();
    const std::string_view region = authority.substr(host_start, host_end - host_start);
    std::string_view host = region;
    std::string zoned;  // an IPv6 literal with its zone decoded
    std::string_view port;
    bool has_port = false;
    if (!region.empty() && region[0] == '[') {
      const size_t close = region.find(']');
      if (close == std::string_view::npos) return BadUrl("an IPv6 address without \"]\"");
      host = region.substr(1, close - 1);
      if (host.find('%') != std::string_view::npos) {
        // The zone is written "%25" and percent-encoded ("[fe80::1%25eth0]"); the host keeps
        // the form the system reads ("fe80::1%eth0"). A bare "%" is taken as written.
        UnescapeInto(host, &zoned, true);
        host = zoned;
      }
      const std::string_view after = region.substr(close + 1);
      if (!after.empty()) {
        if (after[0] != ':') return BadUrl("text after an IPv6 address");
        port = after.substr(1);
        has_port = true;
      }
    } else {
      const size_t colon = region.find(':');
      if (colon != std::string_view::npos) {
        host = region.substr(0, colon);
        port = region.substr(colon + 1);
        has_port = true;
      }
    }
    out.host_ = Dup(host);
    if (has_port && !port.empty()) {
      uint32_t value = 0;
      for (char c : port) {
        if (c < '0' || c > '9') return BadUrl("a port that is not a number");
        value = value * 10 + static_cast<uint32_t>(c - '0');
        if (value > 65535) return BadUrl("a port above 65535");
      }
      out.port_ = static_cast<uint16_t>(value);
    }
    rest = t.substr(host_start + (host_end - host_start));
  }

  const size_t hash = rest.find('#');
  if (hash != std::string_view::npos) {
    out.fragment_ = Dup(rest.substr(hash + 1));
    rest = rest.substr(0, hash);
  }
  if (!rest.empty() && rest[0] == '/') {
    out.path_ = Dup(rest);
  } else {
    out.path_ = Dup(std::string("/").append(rest));
  }
  *this = std::move(out);
  return RC_OK;
}

std::optional<std::string> UrlC::Format(bool with_password) const {
  if (!scheme_ || !host_ || !path_) return std::nullopt;
  std::string out;
  // Reserve the worst case up front so that a password is never left behind in a buffer
  // freed by growth.
  size_t size = std::strlen(scheme_.get()) + 3 + 3 * std::strlen(host_.get()) + 2 + 6 +
                std::strlen(path_.get()) + 1;
  if (user_) size += 3 * std::strlen(user_.get()) + 1;
  if (with_password && password_) size += 3 * std::strlen(password_.get()) + 1;
  if (fragment_) size += std::strlen(fragment_.get()) + 1;
  out.reserve(size);

  out.append(scheme_.get()).append("://");
  if (user_) {
    AppendUserInfo(&out, user_.get());
    if (with_password && password_) {
      out.push_back(':');
      AppendUserInfo(&out, password_.get());
    }
    out.push_back('@');
  }
  // An IPv6 literal goes in brackets; so does a host that itself begins with "[" (only the
  // brackets keep it from being read as a literal when parsed back).
  // A host with "@", "/", "?" or "#" (possible only from an escaped IPv6 literal) goes in
  // brackets too, where they are escaped; bare they would end the user information or the
  // authority.
  const bool bracket = std::strpbrk(host_.get(), ":@/?#") != nullptr || host_[0] == '[';
  if (bracket) {
    out.push_back('[');
    AppendBracketedHost(&out, host_.get());
    out.push_back(']');
  } else {
    out.append(host_.get());
  }
  if (host_[0] != '\0' && port_ != DefaultPort(scheme_.get())) {
    out.push_back(':');
    out.append(std::to_string(port_));
  }
  if (path_[0] != '/') out.push_back('/');
  out.append(path_.get());
  if (fragment_) {
    out.push_back('#');
    out.append(fragment_.get());
  }
  return out;
}

bool IsUrl(std::string_view text) {
  if (text.find(":/") == std::string_view::npos) return false;
  if (StartsWithNoCase(text, "file:/")) return true;
  UrlC url;
  if (RcFailed(url.Parse(text))) return false;
  return UrlC::IsKnownScheme(url.Scheme()) && url.Host() != nullptr && url.Host()[0] != '\0';
}

std::string EscapeUrlText(std::string_view text, bool escape_slashes) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (IsAlnum(c) || c == '-' || c == '.' || c == ':' || c == '_' ||
        (!escape_slashes && (c == '/' || c == '\\'))) {
      out.push_back(static_cast<char>(c));
    } else {
      AppendEscaped(&out, c);
    }
  }
  return out;
}

std::string UnescapeUrlText(std::string_view text) {
  std::string out;
  UnescapeInto(text, &out, false);
  return out;
}

UrlC FilePathToUrl(std::string_view path) {
  std::string escaped;
  escaped.reserve(path.size());
  for (unsigned char c : path) {
    if (IsAlnum(c) || c == '-' || c == '_' || c == '.' || c == '/') {
      escaped.push_back(static_cast<char>(c));
    } else {
      AppendEscaped(&escaped, c);
    }
  }
  UrlC url;
  url.SetScheme("file");
  url.SetHost("");
  url.SetPort(0);
  url.SetPath(escaped.c_str());
  return url;
}

std::string UrlToFilePath(const UrlC& url) {
  if (url.Path() == nullptr) return std::string();
  std::string out;
  UnescapeInto(url.Path(), &out, true);
  if (!out.empty() && out[0] != '/') out.insert(out.begin(), '/');
  return out;
}
