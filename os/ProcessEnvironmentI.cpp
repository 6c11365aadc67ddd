#include "os/ProcessEnvironmentI.h"

#include <atomic>

namespace {

std::atomic<ProcessEnvironmentI*> g_provider{nullptr};

}  // namespace

ProcessEnvironmentI* ProcessEnvironmentI::Get() noexcept {
  return g_provider.load(std::memory_order_acquire);
}

void ProcessEnvironmentI::Set(ProcessEnvironmentI* provider) noexcept {
  g_provider.store(provider, std::memory_order_release);
}
