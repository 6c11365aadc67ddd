// Environment variables changed for the life of an object and put back afterwards.
#ifndef QLM_TESTS_TESTING_SCOPEDENVC_H_
#define QLM_TESTS_TESTING_SCOPEDENVC_H_

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qlmtest {

// Every variable the object touches gets back, on destruction, the value it had before the
// object first touched it (or is removed again when it had none). Not thread-safe: the process
// environment is shared, so only a test's main thread should use it.
class ScopedEnvC {
 public:
  ScopedEnvC() = default;
  // Sets `name` to `value`; null removes it.
  ScopedEnvC(const char* name, const char* value) { Set(name, value); }
  ~ScopedEnvC();
  ScopedEnvC(const ScopedEnvC&) = delete;
  ScopedEnvC& operator=(const ScopedEnvC&) = delete;

  // Sets `name` to `value`; null removes it.
  void Set(const std::string& name, const char* value);
  void Set(const std::string& name, const std::string& value) { Set(name, value.c_str()); }
  void Unset(const std::string& name) { Set(name, nullptr); }

 private:
  // First-touch values, in the order the names were first touched.
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace qlmtest

#endif  // QLM_TESTS_TESTING_SCOPEDENVC_H_
