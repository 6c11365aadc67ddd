// env_EnvOptsC: the key of a configuration parameter - its name and its 64-bit option flags.
//
// Environments look parameters up by GetKey() (the name), comparing names ignoring case. The
// flags steer how values are added, filtered, saved and computed; they are the constants below.
#ifndef QLM_ENV_ENV_ENVOPTSC_H_
#define QLM_ENV_ENV_ENVOPTSC_H_

#include <cstdint>

#include "base/StringC.h"

class env_EnvOptsC {
 public:
  // The parameter holds a list of values.
  static constexpr uint64_t values_multi = 0x01;
  // A list refuses a value equal (case-sensitive) to one it holds.
  static constexpr uint64_t values_unique = 0x02;
  // A list keeps its values in ascending case-sensitive order.
  static constexpr uint64_t values_sorted = 0x04;
  // An empty string may be stored in a list.
  static constexpr uint64_t allow_empty = 0x08;
  // The value was set by a source that wants it saved.
  static constexpr uint64_t store_persistent = 0x10;
  // The parameter may be saved.
  static constexpr uint64_t save_allowed = 0x20;
  // The value is computed on first read by a stored function.
  static constexpr uint64_t lazy_evaluation = 0x40;
  // No flag.
  static constexpr uint64_t options_default = 0x00;

  // Empty name, no flags.
  env_EnvOptsC() noexcept = default;
  env_EnvOptsC(const StringC& name, uint64_t options = options_default) noexcept;
  // Copies name and flags through `other`'s own GetName() and GetOptions().
  env_EnvOptsC(const env_EnvOptsC& other);
  env_EnvOptsC& operator=(const env_EnvOptsC& other);

  // A copy of the name.
  virtual StringC GetName() const;
  virtual void SetName(const StringC& name);
  // True when every bit of `mask` is set (so HasOption(options_default) is always true).
  virtual bool HasOption(uint64_t mask) const noexcept;
  // Sets the bits of `mask` when `on`, clears them otherwise.
  virtual void SetOption(uint64_t mask, bool on) noexcept;
  virtual uint64_t GetOptions() const noexcept;
  // The name under which environments look the parameter up (a copy of the name).
  virtual StringC GetKey() const;
  virtual ~env_EnvOptsC();

 private:
  StringC name_;
  uint64_t options_ = options_default;
};

#endif  // QLM_ENV_ENV_ENVOPTSC_H_
