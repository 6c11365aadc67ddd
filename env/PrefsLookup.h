// Preference lookups over the current task's preference-file set (see TaskC and
// PrefsFileSetC). Without a task, or a task without a set, each gives the caller's default.
// Any thread may call them; each lookup holds the task's lock and the set's latch only while
// it copies the value out.
//
// `section` may be null: it then means "Environment", the section of the preference files that
// mirrors environment variables (and the one whose lookups consult the process environment
// first, see PrefsFileSetC).
#ifndef QLM_ENV_PREFSLOOKUP_H_
#define QLM_ENV_PREFSLOOKUP_H_

#include <string>

inline constexpr const char* c_PrefsDefaultSection = "Environment";

// True with the value in `value` when `key` is set in `section` of the task's set; false
// (value untouched) otherwise.
[[nodiscard]] bool GetPref(const char* key, const char* section, std::string* value);
// The value read as a C integer with automatic base (decimal, "0x" hexadecimal, leading "0"
// octal); `default_value` when it is missing, empty or does not start with a digit.
long GetPrefLong(const char* key, long default_value, const char* section);
// PrefsFileSetC::GetBool over the task's set.
bool GetPrefBool(const char* key, bool default_value, const char* section);
// The process environment variable `name`, else `name` in section "Environment" of the task's
// set; null when neither has it. The text is a copy held for the calling thread: valid until
// the next GetEnv call on the same thread.
const char* GetEnv(const char* name);

#endif  // QLM_ENV_PREFSLOOKUP_H_
