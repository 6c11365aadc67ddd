// The configuration behind getConfiguration(1): holder of the process's configuration store.
#ifndef QLM_CMN_CMN_CONFIGURATIONC_H_
#define QLM_CMN_CMN_CONFIGURATIONC_H_

#include "cmn/cmn_ConfigurationI.h"

class cmn_ConfigStoreC;

class cmn_ConfigurationC final : public cmn_ConfigurationI {
 public:
  // The process configuration, made on first use and never destroyed.
  static cmn_ConfigurationC& Instance();

  // The process's configuration store (cmn_ConfigStoreC), made on first use with the user's
  // file below $HOME (see cmn_ConfigStoreC.h) and never destroyed. Never null.
  cmn_RegistryI* Registry() noexcept override;
};

#endif  // QLM_CMN_CMN_CONFIGURATIONC_H_
