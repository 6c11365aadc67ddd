// env_MultiParamC: a multi-valued parameter - a key, an ordered list of values and a position
// in that list. The position is either on a value or past the last value ("no current value").
//
// The plain list stores what it is given; env_FilteredMultiParamC adds the uniqueness, empty
// value and ordering rules of the key's flags.
#ifndef QLM_ENV_ENV_MULTIPARAMC_H_
#define QLM_ENV_ENV_MULTIPARAMC_H_

#include <cstddef>
#include <vector>

#include "env/RklEnvParamI.h"

class env_MultiParamC : public RklEnvParamI {
 public:
  explicit env_MultiParamC(const env_EnvOptsC& key);
  // A list holding `first` as its only value (stored as given, even when empty), positioned on
  // it: the list that a single value grows into.
  env_MultiParamC(const env_EnvOptsC& key, const StringC& first);
  ~env_MultiParamC() override;

  // The shared empty string returned when a list has no current value.
  static const StringC& NullValue() noexcept;

  void SetValue(const StringC& value) override;
  StringC GetValue() override;
  bool AddValue(const StringC& value) override;
  void RemoveValue() override;
  void MoveFirst() override;
  void MoveEnd() override;
  void MoveNext() override;
  void MovePrev() override;
  bool IsFirst() const override;
  bool IsLast() const override;
  bool IsEmpty() const override;
  int GetCount() const override;
  void Apply(env_FunctionI& function) override;
  bool Find(env_FunctionI& function) override;
  const env_EnvOptsC& GetOptions() const override { return key_; }
  env_EnvOptsC& GetOptions() override { return key_; }

  // Read access that leaves the position alone (used for copies and walks).
  size_t ValueCount() const noexcept { return values_.size(); }
  const StringC& ValueAt(size_t index) const noexcept { return values_[index]; }

 protected:
  bool HasCurrent() const noexcept { return pos_ < values_.size(); }
  // Removes the current value; the position goes to the new first value when it was the
  // first, else to the value before it. Precondition: HasCurrent().
  void RemoveCurrent();
  // Inserts `value` at `index` (clipped to the end); the position is left past the end.
  void InsertAt(size_t index, const StringC& value);
  // Index of the first value exactly equal to `value` (same length, case-sensitive), or
  // ValueCount() when none.
  size_t IndexOfExact(const StringC& value) const noexcept;

  env_EnvOptsC key_;
  std::vector<StringC> values_;
  size_t pos_ = 0;  // == values_.size(): no current value
};

#endif  // QLM_ENV_ENV_MULTIPARAMC_H_
