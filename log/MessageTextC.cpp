#include "log/MessageTextC.h"

namespace {

// Severity of a specification letter, or -1 for a character that is not one.
int SeverityOfLetter(char c) noexcept {
  switch (c) {
    case '#':
      return 0;
    case 'm':
      return 1;
    case 'i':
      return 2;
    case 'w':
      return 3;
    case 'e':
      return 4;
    case 'f':
      return 5;
    default:
      return -1;
  }
}

bool EndsSpecification(char c) noexcept {
  return c == '}' || c == MessageTextC::kRecordSeparator;
}

}  // namespace

int MessageTextC::ParseSeverity(std::string_view severity_field,
                                ErrConditionsT conditions) noexcept {
  int severity = kDefaultSeverity;
  // False right after an unmet condition: the next character is skipped, whatever it is.
  bool takes_effect = true;
  for (char c : severity_field) {
    if (EndsSpecification(c)) break;
    if (!takes_effect) {
      takes_effect = true;
      continue;
    }
    if (c >= 'A' && c <= 'Z') {
      takes_effect = (conditions & Condition(c)) != 0;
      continue;
    }
    const int letter = SeverityOfLetter(c);
    if (letter >= 0) severity = letter;
  }
  return severity;
}

MessageTextC MessageTextC::Parse(std::string_view text, ErrConditionsT conditions) noexcept {
  if (text.empty()) return MessageTextC(text, kDefaultSeverity);

  if (text.front() == '{') {
    size_t pos = 1;
    while (pos < text.size() && !EndsSpecification(text[pos])) ++pos;
    const int severity = ParseSeverity(text.substr(1, pos - 1), conditions);
    if (pos < text.size()) ++pos;  // the byte that ended the severity letters
    if (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    return MessageTextC(text.substr(pos), severity);
  }

  if (text.front() == kRecordSeparator) {
    size_t pos = 1;  // after the leading separator
    // Takes the field at `pos`; true when a separator (rather than the end) closed it.
    const auto take = [&text, &pos](std::string_view* field) noexcept {
      const size_t end = text.find(kRecordSeparator, pos);
      if (end == std::string_view::npos) {
        *field = text.substr(pos);
        pos = text.size();
        return false;
      }
      *field = text.substr(pos, end - pos);
      pos = end + 1;
      return true;
    };
    MessageTextC result(std::string_view(), kDefaultSeverity);
    // A record cut short by the end of the text has empty fields for its missing parts; a
    // separator that ends the text opens no record.
    bool more = true;
    while (more && pos < text.size()) {
      std::string_view selector, severity_field, message;
      more = take(&selector) && take(&severity_field) && take(&message);
      if (selector.empty())
        result = MessageTextC(message, ParseSeverity(severity_field, conditions));
    }
    return result;
  }

  return MessageTextC(text, kDefaultSeverity);
}
