#include "log/CredentialMask.h"

#include <string_view>

size_t MaskCredentials(std::string& text, size_t from) {
  size_t removed = 0;
  size_t search = from;
  for (;;) {
    const size_t scheme_end = text.find("://", search);
    if (scheme_end == std::string::npos) return removed;
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
    removed += at - colon;
  }
}
