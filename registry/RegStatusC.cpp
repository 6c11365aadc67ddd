#include "registry/RegStatusC.h"

#include "log/ErrMessages.h"

const char* RegStatusC::DefaultText(uint32_t number) noexcept {
  switch (number) {
    case REG_E_INVALID_KEY:
      return "Invalid key specified";
    case REG_E_OPEN_KEY:
      return "Failed to open key";
    case REG_E_CLOSE_KEY:
      return "Failed to close key";
    case REG_E_DELETE_KEY:
      return "Failed to delete key";
    case REG_E_KEY_NOT_EMPTY:
      return "Can not delete non-empty key";
    case REG_E_DELETE_VALUE:
      return "Failed to delete value";
    case REG_E_READ_VALUE:
      return "Failed to read value";
    case REG_E_WRITE_VALUE:
      return "Failed to write value";
    case REG_E_WRONG_TYPE:
      return "Value type is different to expected type";
    case REG_E_QUERY_VALUE:
      return "Failed to query registry value";
    case REG_E_ENUMERATE:
      return "Failed to enumerate registry key";
    case REG_E_UNAVAILABLE:
      return "The registry is unavailable";
    default:
      return "";
  }
}

RegStatusC RegStatusC::Failure(uint32_t number, uint32_t library_code) {
  RegStatusC s;
  s.code_ = number;
  s.set_ = (number >> 16) & 0xFFF;
  s.number_ = number & 0xFFFF;
  s.library_code_ = library_code;
  s.message_ = ErrGetText(number, DefaultText(number));
  if (library_code != 0) s.detail_ = ErrMessageText(library_code);
  return s;
}
