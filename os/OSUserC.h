// OSUserC: one user of the password database: name, home directory, shell, user and group id.
#ifndef QLM_OS_OSUSERC_H_
#define QLM_OS_OSUSERC_H_

#include <cstdint>

#include "base/RefCountC.h"
#include "base/StringC.h"
#include "os/OSRefM.h"

struct os_PasswdS;

class OSUserC : public RefCountC {
 public:
  // From a password-database entry.
  explicit OSUserC(const os_PasswdS& entry);
  // The current real user.
  OSUserC();
  // The user with id `uid`. When there is none (or the database cannot be read) the strings
  // stay empty, the user id is `uid` and the group id the process's.
  explicit OSUserC(uint32_t uid);
  // The user named `name`. When there is none the strings stay empty, the user id is the real
  // user id and the group id the process's.
  explicit OSUserC(const StringC& name);

  // The look-ups above as handles, empty when no user was found (the name came out empty).
  [[nodiscard]] static OSRefM<OSUserC> LookupById(uint32_t uid);
  [[nodiscard]] static OSRefM<OSUserC> LookupByName(const StringC& name);

  const StringC& GetName() const noexcept { return name_; }
  const StringC& GetHomeDirectory() const noexcept { return home_; }
  const StringC& GetShell() const noexcept { return shell_; }
  uint32_t GetUserId() const noexcept { return uid_; }
  uint32_t GetGroupId() const noexcept { return gid_; }

 protected:
  ~OSUserC() override;

 private:
  void Assign(const os_PasswdS& entry);

  StringC name_;
  StringC home_;
  StringC shell_;
  uint32_t uid_ = 0;
  uint32_t gid_ = 0;
};

#endif  // QLM_OS_OSUSERC_H_
