#include "env/ShBufC.h"

ShBufC::~ShBufC() = default;

const char* ShBufC::Set(std::string_view text) {
  text_.assign(text.data(), text.size());
  return text_.c_str();
}

void ShBufC::Clear() noexcept {
  std::string().swap(text_);
}
