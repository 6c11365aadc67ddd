#include "os/OSUserC.h"

#include <string>

#include "os/SysInfo_posix.h"

namespace {

StringC SystemText(const std::string& bytes) {
  return StringC(bytes.c_str(), StringC::CC_SYS8);
}

// The system bytes of `text`; false when it cannot be a name (it holds a zero character or
// does not convert).
bool SystemBytes(const StringC& text, std::string* bytes) {
  void* data = text.GetBytes(StringC::CC_SYS8);
  if (data == nullptr) return false;
  const int64_t length = text.GetByteLength(StringC::CC_SYS8);
  bytes->assign(static_cast<const char*>(data), length > 0 ? static_cast<size_t>(length) : 0);
  text.ReleaseBytes(data, StringC::CC_SYS8);
  return bytes->find('\0') == std::string::npos;
}

}  // namespace

OSUserC::OSUserC(const os_PasswdS& entry) {
  Assign(entry);
}

OSUserC::OSUserC() : OSUserC(os_RealUserId()) {}

OSUserC::OSUserC(uint32_t uid) : uid_(uid), gid_(os_GroupId()) {
  os_PasswdS entry;
  bool found = false;
  if (os_LookupUserById(uid, &entry, &found) == 0 && found) Assign(entry);
}

OSUserC::OSUserC(const StringC& name) : uid_(os_RealUserId()), gid_(os_GroupId()) {
  std::string bytes;
  os_PasswdS entry;
  bool found = false;
  if (!name.IsEmpty() && SystemBytes(name, &bytes) &&
      os_LookupUserByName(bytes, &entry, &found) == 0 && found) {
    Assign(entry);
  }
}

OSUserC::~OSUserC() = default;

void OSUserC::Assign(const os_PasswdS& entry) {
  name_ = SystemText(entry.name);
  home_ = SystemText(entry.home);
  shell_ = SystemText(entry.shell);
  uid_ = entry.uid;
  gid_ = entry.gid;
}

OSRefM<OSUserC> OSUserC::LookupById(uint32_t uid) {
  OSRefM<OSUserC> user(new OSUserC(uid));
  return user->GetName().IsEmpty() ? OSRefM<OSUserC>() : user;
}

OSRefM<OSUserC> OSUserC::LookupByName(const StringC& name) {
  OSRefM<OSUserC> user(new OSUserC(name));
  return user->GetName().IsEmpty() ? OSRefM<OSUserC>() : user;
}
