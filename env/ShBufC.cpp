#include "env/ShBufC.h"

ShBufC::~ShBufC() = default;

const char* ShBufC::Set(std::string_view text) {
  m_Text.assign(text.data(), text.size());
  return m_Text.c_str();
}

void ShBufC::Clear() noexcept {
  std::string().swap(m_Text);
}
