// The string factory of the common-services layer (getStringFactory()): makes cmn_StringBodyC
// bodies from text in the named encodings, and owns the process's shared empty body.
#ifndef QLM_CMN_CMN_STRINGFACTORYC_H_
#define QLM_CMN_CMN_STRINGFACTORYC_H_

#include <cstddef>
#include <cstdint>

#include "cmn/cmn_StringFactoryI.h"

class cmn_StringFactoryC final : public cmn_StringFactoryI {
 public:
  // The process's factory; lives until the process ends.
  static cmn_StringFactoryC& Instance() noexcept;

  cmn_StringBodyI* MakeFromCText(const char* text, const char* encoding) override;
  cmn_StringBodyI* MakeFromBytes(const void* bytes, size_t count, const char* encoding) override;
  cmn_StringBodyI* MakeFromChar(char32_t c) override;
  cmn_StringBodyI* Concat(const cmn_StringBodyI& a, const cmn_StringBodyI& b) override;
  cmn_StringBodyI* Substring(const cmn_StringBodyI& s, int64_t position, int64_t count) override;
  cmn_StringBodyI* Format(const cmn_StringBodyI& format, const cmn_ArgsI* args) override;
  cmn_StringBodyI* Empty() override;

  constexpr cmn_StringFactoryC() = default;
};

#endif  // QLM_CMN_CMN_STRINGFACTORYC_H_
