#include "env/env_Sys8TextC.h"

env_Sys8TextC::env_Sys8TextC(const StringC& text) noexcept
    : m_sText(text), m_pBytes(static_cast<char*>(m_sText.GetBytes(StringC::CC_SYS8))) {}

env_Sys8TextC::~env_Sys8TextC() {
  if (m_pBytes != nullptr) m_sText.ReleaseBytes(m_pBytes, StringC::CC_SYS8);
}
