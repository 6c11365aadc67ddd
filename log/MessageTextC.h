// The message text syntax shared by default texts and catalog texts: a short prefix carries the
// message's severity, the rest is the message.
//
//   - plain text: the message itself, severity 4 (error);
//   - "{" severity "}" text: a severity specification in braces; one blank or tab after the
//     "}" is skipped;
//   - 0x01 records: records of three fields separated by 0x01 (selector, severity
//     specification, message). A record applies when its selector is empty; the last
//     applicable record wins; when none applies the text is empty (severity 4).
//
// A severity specification is read up to the end of the text, a 0x01 byte or "}". The letters
// # m i w e f set the severity 0..5; an upper-case letter A-Z is a condition that lets the next
// character take effect only when that letter is in the caller's condition set (for one
// character only); other characters are ignored. The severity starts at 4.
//
// Parsing is bounded by the view it is given and never reads past it; the message is a view
// into that same text.
#ifndef QLM_LOG_MESSAGETEXTC_H_
#define QLM_LOG_MESSAGETEXTC_H_

#include <cstdint>
#include <string_view>

// A set of condition letters A-Z: bit (letter - 'A'). Every caller in this system passes the
// empty set.
using ErrConditionsT = uint32_t;
inline constexpr ErrConditionsT ERR_NO_CONDITIONS = 0;

class MessageTextC {
 public:
  static constexpr int kDefaultSeverity = 4;
  static constexpr char kRecordSeparator = '\x01';

  MessageTextC() noexcept = default;

  // Splits `text` into severity and message. The result views into `text`, which must outlive
  // it.
  static MessageTextC Parse(std::string_view text,
                            ErrConditionsT conditions = ERR_NO_CONDITIONS) noexcept;

  // The severity a specification gives, read up to its end, a 0x01 byte or "}".
  static int ParseSeverity(std::string_view severity_field, ErrConditionsT conditions) noexcept;

  // True when `text` carries a prefix the parser interprets ("{" or 0x01 first).
  static bool HasPrefix(std::string_view text) noexcept {
    return !text.empty() && (text.front() == '{' || text.front() == kRecordSeparator);
  }

  // The condition bit of an upper-case letter; 0 for any other character.
  static constexpr ErrConditionsT Condition(char letter) noexcept {
    return (letter >= 'A' && letter <= 'Z') ? (ErrConditionsT{1} << (letter - 'A')) : 0;
  }

  std::string_view Message() const noexcept { return message_; }
  int Severity() const noexcept { return severity_; }

 private:
  MessageTextC(std::string_view message, int severity) noexcept
      : message_(message), severity_(severity) {}

  std::string_view message_;
  int severity_ = kDefaultSeverity;
};

#endif  // QLM_LOG_MESSAGETEXTC_H_
