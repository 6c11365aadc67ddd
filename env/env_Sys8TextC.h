// env_Sys8TextC: a StringC's text in the system 8-bit encoding, NUL-terminated, for the
// lifetime of the object (RAII over StringC::GetBytes / ReleaseBytes).
#ifndef QLM_ENV_ENV_SYS8TEXTC_H_
#define QLM_ENV_ENV_SYS8TEXTC_H_

#include "base/StringC.h"

class env_Sys8TextC {
 public:
  explicit env_Sys8TextC(const StringC& text) noexcept;
  env_Sys8TextC(const env_Sys8TextC&) = delete;
  env_Sys8TextC& operator=(const env_Sys8TextC&) = delete;
  ~env_Sys8TextC();

  // Never null: "" when the conversion produced nothing.
  const char* Get() const noexcept { return bytes_ != nullptr ? bytes_ : ""; }

 private:
  StringC text_;  // keeps the body that made the buffer
  char* bytes_;
};

#endif  // QLM_ENV_ENV_SYS8TEXTC_H_
