// EnvPreferencesC: typed access to the named parameters of a configuration environment.
//
// A preference object is a cheap view: it holds a pointer to an environment it does not own
// (by default the current deployment context's) and two switches. Values are stored
// unexpanded; reads expand `$(Name)` references (depth 10) unless asked not to. A preference
// that the store marks as fixed - its own name ends in "Fxd" or "Fixed", or a companion named
// after it with "Fixed" or "Fxd" appended reads as true - keeps its value against every set
// without force (see IsFixed).
//
// Every operation that takes a name builds the key with MakeOpts and calls its key twin, so a
// derived class decides per name whether a preference is a list by overriding MakeOpts.
// Without an environment (no context environment and none given) reads give empty results and
// writes do nothing. Not thread-safe: used from the main thread, like the environment.
//
// The virtual operations are declared in their slot order; derived classes (the policy
// client's preferences) rely on it. Overriding one overload of a name hides the others: bring
// them back with a using-declaration.
#ifndef QLM_ENV_ENVPREFERENCESC_H_
#define QLM_ENV_ENVPREFERENCESC_H_

#include <cstdint>
#include <memory>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "env/env_EnvOptsC.h"
#include "env/env_EnvironmentI.h"

class EnvPreferencesC {
 public:
  // "True" and "False": what boolean preferences are written as.
  static constexpr const char* c_True = "True";
  static constexpr const char* c_False = "False";
  // The depth budget of every expansion.
  static constexpr int c_ExpandBudget = 10;

  // The key of the preference "OracleInstanceDiscovered" (default options).
  static const env_EnvOptsC c_OraclePresent;

  // A view over `environment` (not owned; must outlive this object), or over the current
  // deployment context's environment when null. Expansion on, missing names dropped.
  explicit EnvPreferencesC(env_EnvironmentI* environment = nullptr) noexcept;
  EnvPreferencesC(const EnvPreferencesC&) = default;
  EnvPreferencesC& operator=(const EnvPreferencesC&) = default;

  // Nothing is owned.
  virtual ~EnvPreferencesC();

  // The same as SetValue(MakeOpts(name), value, force).
  virtual void SetValue(const StringC& name, const StringC& value, bool force = false);
  // Unless `force`, nothing happens when IsFixed(opts). Otherwise the parameter is
  // found or created (from `opts`) and given the value: a single value is replaced; a list
  // receives the value as one more value, subject to its filters.
  virtual void SetValue(const env_EnvOptsC& opts, const StringC& value, bool force = false);
  // The same as SetValues(MakeOpts(name), list, force).
  virtual void SetValues(const StringC& name, const StringArrayC* list, bool force = false);
  // Replaces the values of the preference by `list`. Nothing happens when `list` is
  // null, or without `force` when IsFixed(opts). An element that is "$(<name>)" (the
  // preference's own name, ignoring case) stands for the old values (expanded), inserted in
  // order at its place. The new values are set as one change: the fixed test is made once,
  // before the first value.
  virtual void SetValues(const env_EnvOptsC& opts, const StringArrayC* list, bool force = false);
  // The same as GetValue(MakeOpts(name), expand).
  virtual StringC GetValue(const StringC& name, bool expand = true);
  // With `expand` and expansion enabled, the value expanded with the name looked up
  // (an absent name gives "" or "$(<name>)" by the drop-missing switch, creating nothing);
  // otherwise the raw value (the parameter is created when missing). A list gives its current
  // value.
  virtual StringC GetValue(const env_EnvOptsC& opts, bool expand = true);
  // The same as GetValues(MakeOpts(name), expand).
  virtual std::unique_ptr<StringArrayC> GetValues(const StringC& name, bool expand = true);
  // A new array owned by the caller (never null): empty when the parameter does not
  // exist or holds no value, else each of its values in order, read as by GetValue. A list is
  // left positioned on its first value.
  virtual std::unique_ptr<StringArrayC> GetValues(const env_EnvOptsC& opts, bool expand = true);
  // `text` with its references expanded (whatever the expansion switch).
  virtual StringC Expand(const StringC& text);
  // The key under which `name` is stored: the name with the default options.
  virtual env_EnvOptsC MakeOpts(const StringC& name);
  // Sets the option bits `mask` on the parameter `name` (created when missing). A
  // single value given values_multi grows into a list on its next added value.
  virtual void SetOption(const StringC& name, uint64_t mask);
  // The number of parameters in the environment (0 without one).
  virtual int ParameterCount();
  // The same as IsUnset(MakeOpts(name)).
  virtual bool IsUnset(const StringC& name);
  // False when the parameter exists and is a list, or exists and its expanded value
  // is not empty; true otherwise.
  virtual bool IsUnset(const env_EnvOptsC& opts);
  // The same as Exists(MakeOpts(name)).
  virtual bool Exists(const StringC& name);
  // Whether the environment holds the parameter (nothing is created).
  virtual bool Exists(const env_EnvOptsC& opts);
  // The expansion switch.
  virtual bool IsExpansionEnabled();
  virtual void SetExpansionEnabled(bool on);
  // The drop-missing-names switch of the expansion.
  virtual bool IsDropMissingNames();
  virtual void SetDropMissingNames(bool on);
  // The same as GetBool(MakeOpts(name), fallback).
  virtual bool GetBool(const StringC& name, bool fallback);
  // The expanded value read as a switch: "True" and "Yes" give true, "False" and
  // "No" false (ignoring case), anything else `fallback`.
  virtual bool GetBool(const env_EnvOptsC& opts, bool fallback);
  // The same as Remove(MakeOpts(name)).
  virtual void Remove(const StringC& name);
  // Removes the parameter, so that the next read finds it afresh.
  virtual void Remove(const env_EnvOptsC& opts);
  // Views the current deployment context's environment from now on.
  virtual void AttachContextEnvironment();

  // Whether a set without force leaves the preference alone: the parameter holds a value and
  // either its own name ends in "Fxd" (longer than 3 characters) or "Fixed" (longer than 5),
  // or "<name>Fixed" or "<name>Fxd" exists and reads as true. Suffixes ignore case. A
  // parameter without a value is never fixed, so its first value is always accepted.
  bool IsFixed(const env_EnvOptsC& opts);

  // True when `name` ends in `suffix` (ignoring case) and is longer than it.
  static bool HasSuffix(const StringC& name, const char* suffix);

  env_EnvironmentI* Environment() const noexcept { return environment_; }

 private:
  env_EnvironmentI* environment_ = nullptr;  // not owned
  bool expansion_enabled_ = true;
  bool drop_missing_names_ = true;
};

#endif  // QLM_ENV_ENVPREFERENCESC_H_
