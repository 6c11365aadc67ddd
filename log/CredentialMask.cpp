#include "log/CredentialMask.h"

#include <string_view>

namespace {

constexpr std::string_view kPassword = "password";
constexpr std::string_view kMasked = "***";

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '-';
}

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool Quote(char c) {
  return c == '"' || c == '\'';
}

// Position of "password" (any case) in `text` at or after `from`, or npos.
size_t FindPassword(std::string_view text, size_t from) {
  for (size_t i = from; i + kPassword.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < kPassword.size() && Lower(text[i + k]) == kPassword[k]) ++k;
    if (k == kPassword.size()) return i;
  }
  return std::string_view::npos;
}

// End (exclusive) of the text that runs from `start` up to the unescaped `quote`, or the end.
size_t ToQuote(std::string_view text, size_t start, char quote) {
  for (size_t i = start; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
      continue;
    }
    if (text[i] == quote) return i;
  }
  return text.size();
}

size_t MaskUrlPasswords(std::string& text, size_t from) {
  size_t masked = 0;
  size_t search = from;
  for (;;) {
    const size_t scheme_end = text.find("://", search);
    if (scheme_end == std::string::npos) return masked;
    search = scheme_end + 1;  // the next occurrence may overlap this one
    const size_t start = scheme_end + 3;
    size_t end = text.find('/', start);
    if (end == std::string::npos) end = text.size();
    const std::string_view authority(text.data() + start, end - start);
    const size_t colon = authority.find(':');
    if (colon == std::string_view::npos) continue;
    // The last at sign after the colon that a host name could follow.
    size_t at = std::string_view::npos;
    for (size_t i = authority.size(); i > colon + 1; --i) {
      if (authority[i - 1] != '@') continue;
      const size_t after = start + i;  // index in `text` of the character after it
      if (after < text.size() && (text[after] == ' ' || text[after] == '/')) continue;
      at = i - 1;
      break;
    }
    if (at == std::string_view::npos) continue;
    text.erase(start + colon, at - colon);
    ++masked;
  }
}

size_t MaskPasswordValues(std::string& text, size_t from) {
  size_t masked = 0;
  size_t search = from;
  for (;;) {
    const size_t found = FindPassword(text, search);
    if (found == std::string::npos) return masked;
    size_t name_start = found;
    while (name_start > from && NameChar(text[name_start - 1])) --name_start;
    size_t j = found + kPassword.size();
    while (j < text.size() && NameChar(text[j])) ++j;
    search = j;
    while (j < text.size() && Blank(text[j])) ++j;
    if (j >= text.size() || text[j] != '=') continue;
    ++j;
    while (j < text.size() && (text[j] == ' ' || text[j] == '\t')) ++j;
    size_t value_start = j;
    size_t value_end;
    if (j < text.size() && Quote(text[j])) {
      value_start = j + 1;
      value_end = ToQuote(text, value_start, text[j]);
    } else if (name_start > from && Quote(text[name_start - 1])) {
      value_end = ToQuote(text, value_start, text[name_start - 1]);
    } else {
      value_end = value_start;
      while (value_end < text.size() && !Blank(text[value_end])) ++value_end;
      // The quote that closes a quoted message around the value stays.
      if (value_end > value_start && Quote(text[value_end - 1])) --value_end;
    }
    if (value_end <= value_start) continue;
    const std::string_view value(text.data() + value_start, value_end - value_start);
    if (value != kMasked) {
      text.replace(value_start, value_end - value_start, kMasked);
      ++masked;
    }
    search = value_start + kMasked.size();
  }
}

}  // namespace

bool IsPasswordName(std::string_view name) {
  return FindPassword(name, 0) != std::string_view::npos;
}

size_t MaskCredentials(std::string& text, size_t from) {
  if (from > text.size()) return 0;
  const size_t urls = MaskUrlPasswords(text, from);
  return urls + MaskPasswordValues(text, from);
}

bool MaskPasswordArgument(std::string& argument) {
  bool masked = false;
  const size_t equals = argument.find('=');
  if (equals != std::string::npos && equals + 1 < argument.size() &&
      IsPasswordName(std::string_view(argument).substr(0, equals)) &&
      std::string_view(argument).substr(equals + 1) != kMasked) {
    argument.replace(equals + 1, std::string::npos, kMasked);
    masked = true;
  }
  return MaskUrlPasswords(argument, 0) > 0 || masked;
}
