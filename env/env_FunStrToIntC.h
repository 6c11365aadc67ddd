// env_FunStrToIntC: reads parameter values as integers.
#ifndef QLM_ENV_ENV_FUNSTRTOINTC_H_
#define QLM_ENV_ENV_FUNSTRTOINTC_H_

#include <cstdint>

#include "base/StringC.h"

class env_FunStrToIntC {
 public:
  env_FunStrToIntC() noexcept = default;
  virtual ~env_FunStrToIntC();

  // True when every character of `text` is a decimal digit (Unicode decimal digits count); the
  // empty text counts as a number.
  static bool IsNumber(const StringC& text) noexcept;
  // `fallback` when `text` is empty or not a number; otherwise the value read with automatic
  // base, so a leading zero reads octal ("010" gives 8, "09" gives 0: reading stops at the 9).
  static int64_t ToInt(const StringC& text, int64_t fallback) noexcept;
};

#endif  // QLM_ENV_ENV_FUNSTRTOINTC_H_
