#include "env/env_Sys8TextC.h"

env_Sys8TextC::env_Sys8TextC(const StringC& text) noexcept
    : text_(text), bytes_(static_cast<char*>(text_.GetBytes(StringC::CC_SYS8))) {}

env_Sys8TextC::~env_Sys8TextC() {
  if (bytes_ != nullptr) text_.ReleaseBytes(bytes_, StringC::CC_SYS8);
}
