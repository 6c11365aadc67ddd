// The status value of every registry key and value operation: the message set and number
// (0 and 0 on success), the message text and the library's own error text as detail.
#ifndef QLM_REGISTRY_REGSTATUSC_H_
#define QLM_REGISTRY_REGSTATUSC_H_

#include <cstdint>

#include "base/StringC.h"
#include "messages/registry_Messages.h"

// Message numbers of registry failures (all of severity error): REG_E_<name>, with default
// text REG_T_<name> (messages/registry.def).

// [[nodiscard]]: a status nobody looks at is a failure lost.
class [[nodiscard]] RegStatusC {
 public:
  RegStatusC() = default;  // success
  // A failure with `number` (its catalogued text is looked up) and the library's `library_code`
  // (0: no detail; otherwise its message text becomes the detail).
  static RegStatusC Failure(uint32_t number, uint32_t library_code = 0);

  bool IsOk() const noexcept { return set_ == 0 && number_ == 0; }
  uint32_t Set() const noexcept { return set_; }
  uint32_t Number() const noexcept { return number_; }
  // The whole message number (0 on success).
  uint32_t Code() const noexcept { return code_; }
  // The library's own code behind the failure (0 when none).
  uint32_t LibraryCode() const noexcept { return library_code_; }
  const StringC& Message() const noexcept { return message_; }
  const StringC& Detail() const noexcept { return detail_; }

  // The default text of a registry message number ("" for others).
  static const char* DefaultText(uint32_t number) noexcept;

 private:
  uint32_t set_ = 0;
  uint32_t number_ = 0;
  uint32_t code_ = 0;
  uint32_t library_code_ = 0;
  StringC message_;
  StringC detail_;
};

#endif  // QLM_REGISTRY_REGSTATUSC_H_
