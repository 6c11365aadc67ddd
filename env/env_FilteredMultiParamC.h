// env_FilteredMultiParamC: the multi-valued parameter that environments create. Every value
// passes through Filter() before it is stored, and the key's flags are honoured when values
// are stored (the flags are read at the time of each call):
//   allow_empty    clear: an empty value is refused;
//   values_unique  a value equal (same length, case-sensitive) to a present one is refused;
//   values_sorted  values are kept in ascending case-sensitive order; a new value goes after
//                  the values that compare less or equal.
#ifndef QLM_ENV_ENV_FILTEREDMULTIPARAMC_H_
#define QLM_ENV_ENV_FILTEREDMULTIPARAMC_H_

#include "env/env_MultiParamC.h"

class env_FilteredMultiParamC : public env_MultiParamC {
 public:
  explicit env_FilteredMultiParamC(const env_EnvOptsC& key);
  // See env_MultiParamC(key, first): `first` is stored without filtering.
  env_FilteredMultiParamC(const env_EnvOptsC& key, const StringC& first);
  ~env_FilteredMultiParamC() override;

  // Stores Filter(value) as the new last value (its sorted place in a sorted list) and moves
  // past the end; false, with nothing changed, when a filter refuses it.
  bool AddValue(const StringC& value) override;
  // With v = Filter(value): nothing when v is refused as empty; appends v when there is no
  // current value; nothing when the current value equals v; removes the current value when the
  // list is unique and another value equals v; else replaces the current value by v.
  void SetValue(const StringC& value) override;

  // The value to store for `value`; this class returns it unchanged.
  virtual StringC Filter(const StringC& value);

 private:
  bool RefusesEmpty(const StringC& v) const noexcept {
    return v.IsEmpty() && !key_.HasOption(env_EnvOptsC::allow_empty);
  }
  // Where `v` goes: the end, or in a sorted list after the values comparing less or equal.
  size_t PlaceFor(const StringC& v) const noexcept;
};

#endif  // QLM_ENV_ENV_FILTEREDMULTIPARAMC_H_
