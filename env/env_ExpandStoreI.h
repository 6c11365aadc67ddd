// env_ExpandStoreI: what `$(Name)` expansion needs of the object it expands for (the
// preference store): the environment to look names up in and the drop-missing-names switch.
#ifndef QLM_ENV_ENV_EXPANDSTOREI_H_
#define QLM_ENV_ENV_EXPANDSTOREI_H_

class env_EnvironmentI;

class env_ExpandStoreI {
 public:
  virtual ~env_ExpandStoreI();
  // The environment in which references are looked up. Never null while expanding.
  virtual env_EnvironmentI* GetExpandEnvironment() const = 0;
  // True: a reference to an absent name expands to the empty text. False: it stays in the text
  // as written ("$(", the name, ")").
  virtual bool IsDropMissingNames() const = 0;
};

#endif  // QLM_ENV_ENV_EXPANDSTOREI_H_
