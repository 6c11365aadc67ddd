#include "servers/LkiServerRuleFactoryC.h"

#include "servers/LkiServerRuleC.h"

LkiServerRuleFactoryC::LkiServerRuleFactoryC()
    : ComFactoryC(StringC::FromUtf8(c_Name), StringC::FromUtf8(c_ShortName)) {}

LkiServerRuleFactoryC::~LkiServerRuleFactoryC() = default;

ZelUnknownI* LkiServerRuleFactoryC::NewObject() noexcept {
  return LkiServerRuleC::NewUnreferenced();
}
