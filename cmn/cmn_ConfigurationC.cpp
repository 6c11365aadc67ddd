#include "cmn/cmn_ConfigurationC.h"

#include "cmn/cmn_ConfigStoreC.h"
#include "cmn/cmn_Services.h"

cmn_ConfigurationI* getConfiguration(int version) {
  if (version != 1) return nullptr;
  return &cmn_ConfigurationC::Instance();
}

cmn_ConfigurationC& cmn_ConfigurationC::Instance() {
  static cmn_ConfigurationC* const instance = new cmn_ConfigurationC();
  return *instance;
}

cmn_RegistryI* cmn_ConfigurationC::Registry() noexcept {
  // Deliberately leaked: the store must outlive every static that might still read it at exit.
  static cmn_ConfigStoreC* const store = new cmn_ConfigStoreC(cmn_ConfigStoreC::UserFileFromHome());
  return store;
}
