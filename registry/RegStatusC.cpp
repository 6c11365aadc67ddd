#include "registry/RegStatusC.h"

#include "log/ErrMessages.h"

const char* RegStatusC::DefaultText(uint32_t number) noexcept {
  switch (number) {
#define QLM_MESSAGE(code, text_name, number, text) \
  case code:                                       \
    return text_name;
#include "messages/registry.def"
#undef QLM_MESSAGE
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
