#include "tests/testing/ScopedEnvC.h"

#include <stdlib.h>

namespace qlmtest {

namespace {

void Put(const std::string& name, const char* value) {
  if (value != nullptr) {
    ::setenv(name.c_str(), value, 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

}  // namespace

ScopedEnvC::~ScopedEnvC() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    Put(it->first, it->second ? it->second->c_str() : nullptr);
  }
}

void ScopedEnvC::Set(const std::string& name, const char* value) {
  bool seen = false;
  for (const auto& [saved_name, old] : saved_) seen = seen || saved_name == name;
  if (!seen) {
    const char* old = ::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  }
  Put(name, value);
}

}  // namespace qlmtest
