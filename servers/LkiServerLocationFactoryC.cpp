#include "servers/LkiServerLocationFactoryC.h"

#include "servers/LkiServerLocationC.h"

LkiServerLocationFactoryC::LkiServerLocationFactoryC()
    : ComFactoryC(StringC::FromUtf8(c_Name), StringC::FromUtf8(c_ShortName)) {}

LkiServerLocationFactoryC::~LkiServerLocationFactoryC() = default;

ZelUnknownI* LkiServerLocationFactoryC::NewObject() noexcept {
  return LkiServerLocationC::NewUnreferenced();
}
