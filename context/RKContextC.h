// RKContextC: the process-wide deployment context, which owns the environment that every
// preference object reads and writes. Contexts form a stack: Push() starts a piece of work on a
// child copy of the current environment, Pop() drops it with all its changes.
//
// Besides the environment and the link to the previous context, a context carries five 64-bit
// values (1, 2, 4, 6 and 7) that are stored, copied by Push() and returned, never interpreted.
//
// The stack and the two flags are process-wide and unsynchronised: main thread only.
#ifndef QLM_CONTEXT_RKCONTEXTC_H_
#define QLM_CONTEXT_RKCONTEXTC_H_

#include <cstdint>
#include <memory>

#include "context/RKContextProviderI.h"
#include "env/env_EnvironmentC.h"

class RKContextC {
 public:
  // The provider's internal context when a provider is installed and answers; else the top of
  // the stack, making a bottom context (no environment, no previous) when the stack is empty.
  // Never null.
  static RKContextC* Current();

  RKContextC(const RKContextC&) = delete;
  RKContextC& operator=(const RKContextC&) = delete;
  // When this is the current context, its previous one becomes current; contexts stacked on
  // this one are relinked to its previous. Then the environment is destroyed.
  virtual ~RKContextC();

  virtual uint64_t GetValue4() const noexcept { return values_[2]; }
  virtual void SetValue4(uint64_t value) noexcept { values_[2] = value; }
  virtual uint64_t GetValue1() const noexcept { return values_[0]; }
  // The context's environment; null until one is set.
  virtual env_EnvironmentC* GetEnvironment() const noexcept { return environment_.get(); }
  virtual uint64_t GetValue2() const noexcept { return values_[1]; }
  virtual uint64_t GetValue6() const noexcept { return values_[3]; }
  virtual uint64_t GetValue7() const noexcept { return values_[4]; }
  virtual void SetValue1(uint64_t value) noexcept { values_[0] = value; }
  // Replaces the held environment by a new child environment of `environment` (a deep copy
  // whose parent is `environment`; null: no environment). The caller keeps ownership of
  // `environment`, which must outlive this context's use of it. Giving the context its own
  // environment changes nothing (the child would outlive its parent).
  virtual void SetEnvironment(env_EnvironmentC* environment);
  virtual void SetValue2(uint64_t value) noexcept { values_[1] = value; }
  virtual void SetValue6(uint64_t value) noexcept { values_[3] = value; }
  virtual void SetValue7(uint64_t value) noexcept { values_[4] = value; }
  // Makes a new context on top of the current one: same values, a child environment of the
  // current environment (none when it has none), previous = the current context. The new
  // context becomes current and is returned.
  virtual RKContextC* Push();
  // Destroys the current context (top of the stack), if any; its previous becomes current.
  virtual void Pop();

  RKContextC* GetPrevious() const noexcept { return previous_; }

  // Installs (or, with null, removes) the provider asked by Current(). Not owned.
  static void SetProvider(RKContextProviderI* provider) noexcept { m_ContextP = provider; }
  static int32_t GetPkgChanged() noexcept { return m_bPkgChanged; }
  static void SetPkgChanged(int32_t on) noexcept { m_bPkgChanged = on; }
  static int32_t GetInstaller() noexcept { return m_bInstaller; }
  static void SetInstaller(int32_t on) noexcept { m_bInstaller = on; }

 private:
  explicit RKContextC(RKContextC* previous) noexcept;

  static RKContextC* m_CurrentP;
  static RKContextProviderI* m_ContextP;
  static int32_t m_bPkgChanged;
  static int32_t m_bInstaller;

  std::unique_ptr<env_EnvironmentC> environment_;
  RKContextC* previous_;
  uint64_t values_[5] = {};  // values 1, 2, 4, 6, 7
};

#endif  // QLM_CONTEXT_RKCONTEXTC_H_
