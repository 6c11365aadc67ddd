// env_EnvironmentC: the configuration environment - named parameters, kept in ascending order
// of name compared ignoring case, at most one per name, with an optional parent environment.
//
// A child environment starts as a deep copy of its parent (see the constructor); afterwards the
// two are independent except for the chain operations, which walk from the current deployment
// context's environment up through GetParent() to the root.
//
// Lookups are binary searches over the ordered entries; each entry keeps its name folded to
// lower case (the folding of StringC::CompareNoCase), so a lookup folds the wanted name once and
// compares bytes. Not thread-safe.
#ifndef QLM_ENV_ENV_ENVIRONMENTC_H_
#define QLM_ENV_ENV_ENVIRONMENTC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "env/env_EnvironmentI.h"
#include "env/env_ParamRefC.h"

class env_EnvironmentC : public env_EnvironmentI {
 public:
  // An empty root environment; lock checking on.
  env_EnvironmentC();
  // A child of `parent` (null: an empty root): lock checking on, every parameter of the parent
  // deep-copied under the same name and order (env_ParamRefC::Clone), and then store_persistent
  // cleared on every copy. `parent` is not owned and must outlive this environment.
  explicit env_EnvironmentC(env_EnvironmentC* parent);
  env_EnvironmentC(const env_EnvironmentC&) = delete;
  env_EnvironmentC& operator=(const env_EnvironmentC&) = delete;
  // Destroys every parameter.
  ~env_EnvironmentC() override;

  // The shared read-only empty parameter returned by FindParam for absent names.
  static RklEnvParamI& NullParam() noexcept { return env_ParamRefC::Null(); }

  bool Exists(const StringC& name) const override;
  bool SetValue(const StringC& name, const StringC& value) override;
  RklEnvParamI& GetParam(const env_EnvOptsC& key) override;
  RklEnvParamI& FindParam(const env_EnvOptsC& key) override;
  void Remove(const StringC& name) override;
  void Propagate(const env_EnvOptsC& key) override;
  void SetInAll(const env_EnvOptsC& key, const StringC& value) override;
  void SetOptionInAll(const env_EnvOptsC& key, uint64_t mask) override;
  // The visitor may add or remove parameters: the walk then resumes with the first name that
  // sorts after the one just visited.
  void ForEach(env_OptFunctionI& visitor) override;
  void SetLockCheck(bool on) override { lock_check_ = on; }
  env_EnvironmentI* GetParent() const override { return parent_; }
  int GetCount() const override { return static_cast<int>(entries_.size()); }

  bool IsLockCheck() const noexcept { return lock_check_; }
  // The parameter named by the UTF-8 text `name`, or null when absent. Creates nothing; for
  // callers that hold names as bytes (the expansion scan), saving a StringC per lookup.
  RklEnvParamI* FindUtf8(std::string_view name);

 private:
  struct EntryS {
    std::string folded;  // the name folded to lower case, UTF-8: the sort and lookup key
    StringC name;        // the name as first stored
    std::unique_ptr<env_ParamRefC> ref;
  };

  // Index of the entry for `name`, or the index where it would be inserted, with `*found`.
  size_t Locate(const StringC& name, bool* found) const;
  // Locate for a name known to be ASCII.
  size_t LocateAscii(std::string_view name, bool* found) const;
  // Index of the first entry whose folded name is greater than `folded`.
  size_t UpperBound(std::string_view folded) const;
  env_ParamRefC* Lookup(const StringC& name) const;
  // True when the parameter `name` + `suffix` is present and reads as true.
  bool CompanionLocks(const StringC& name, const StringC& suffix) const;
  // Where the chain operations start: the current context's environment, or this one when
  // there is none.
  env_EnvironmentI& ChainStart();

  bool lock_check_ = true;
  env_EnvironmentI* parent_ = nullptr;  // not owned
  std::vector<EntryS> entries_;         // ascending by folded name, unique
  uint64_t generation_ = 0;             // changes whenever entries are added or removed
};

#endif  // QLM_ENV_ENV_ENVIRONMENTC_H_
