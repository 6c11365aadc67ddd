// The configuration (getConfiguration()): the holder of the registry-shaped configuration
// store.
#ifndef QLM_CMN_CMN_CONFIGURATIONI_H_
#define QLM_CMN_CMN_CONFIGURATIONI_H_

class cmn_RegistryI;

class cmn_ConfigurationI {
 public:
  // The registry object, or null when the process has no configuration store.
  virtual cmn_RegistryI* Registry() noexcept = 0;

 protected:
  ~cmn_ConfigurationI() = default;
};

#endif  // QLM_CMN_CMN_CONFIGURATIONI_H_
