#include "env/env_ContextLinkC.h"

#include <atomic>

namespace {
std::atomic<env_ContextLinkC::SourceFn> g_source{nullptr};
}  // namespace

void env_ContextLinkC::SetSource(SourceFn source) noexcept {
  g_source.store(source, std::memory_order_release);
}

env_EnvironmentI* env_ContextLinkC::CurrentEnvironment() noexcept {
  const SourceFn source = g_source.load(std::memory_order_acquire);
  return source != nullptr ? source() : nullptr;
}
