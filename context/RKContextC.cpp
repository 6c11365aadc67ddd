#include "context/RKContextC.h"

#include "cmn/cmn_Check.h"
#include "env/env_ContextLinkC.h"

RKContextC* RKContextC::m_CurrentP = nullptr;
RKContextProviderI* RKContextC::m_ContextP = nullptr;
int32_t RKContextC::m_bPkgChanged = 0;
int32_t RKContextC::m_bInstaller = 0;

namespace {

env_EnvironmentI* CurrentContextEnvironment() noexcept {
  return RKContextC::Current()->GetEnvironment();
}

// The environment layer starts its chain operations at the current context's environment; it
// reaches it through this source, installed when this file is part of the program.
[[maybe_unused]] const bool g_linked =
    (env_ContextLinkC::SetSource(&CurrentContextEnvironment), true);

}  // namespace

RKContextC::RKContextC(RKContextC* previous) noexcept : previous_(previous) {}

RKContextC::~RKContextC() {
  if (m_CurrentP == this) {
    m_CurrentP = previous_;
  } else {
    for (RKContextC* c = m_CurrentP; c != nullptr; c = c->previous_) {
      if (c->previous_ == this) c->previous_ = previous_;
    }
  }
  environment_.reset();
}

RKContextC* RKContextC::Current() {
  QLM_DCHECK_MAIN_THREAD();
  if (m_ContextP != nullptr) {
    if (RKContextC* internal = m_ContextP->GetInternalContext()) return internal;
  }
  if (m_CurrentP == nullptr) m_CurrentP = new RKContextC(nullptr);
  return m_CurrentP;
}

void RKContextC::SetEnvironment(env_EnvironmentC* environment) {
  if (environment != nullptr && environment == environment_.get()) return;
  std::unique_ptr<env_EnvironmentC> child;
  if (environment != nullptr) child = std::make_unique<env_EnvironmentC>(environment);
  environment_ = std::move(child);
}

RKContextC* RKContextC::Push() {
  QLM_DCHECK_MAIN_THREAD();
  RKContextC* current = Current();
  auto next = std::unique_ptr<RKContextC>(new RKContextC(current));
  for (int i = 0; i < 5; ++i) next->values_[i] = current->values_[i];
  if (current->environment_ != nullptr) {
    next->environment_ = std::make_unique<env_EnvironmentC>(current->environment_.get());
  }
  m_CurrentP = next.release();
  return m_CurrentP;
}

void RKContextC::Pop() {
  QLM_DCHECK_MAIN_THREAD();
  delete m_CurrentP;
}
