#include "os/FileInfoC.h"

#include "os/File_posix.h"

FileInfoC::FileInfoC(const struct stat& st) noexcept
    : type_(os_FileTypeOf(st.st_mode)),
      size_(static_cast<int64_t>(st.st_size)),
      change_time_(static_cast<int64_t>(st.st_ctime)),
      modification_time_(static_cast<int64_t>(st.st_mtime)),
      access_time_(static_cast<int64_t>(st.st_atime)),
      device_(static_cast<uint64_t>(st.st_dev)),
      owner_(static_cast<uint32_t>(st.st_uid)),
      group_(static_cast<uint32_t>(st.st_gid)) {
  // Bit by bit, so the record does not depend on the system's mode bit values.
  static constexpr struct {
    mode_t mode;
    uint64_t perm;
  } kBits[] = {
      {S_IXOTH, PERM_OTHEREXECUTE}, {S_IWOTH, PERM_OTHERWRITE}, {S_IROTH, PERM_OTHERREAD},
      {S_IXGRP, PERM_GROUPEXECUTE}, {S_IWGRP, PERM_GROUPWRITE}, {S_IRGRP, PERM_GROUPREAD},
      {S_IXUSR, PERM_OWNEREXECUTE}, {S_IWUSR, PERM_OWNERWRITE}, {S_IRUSR, PERM_OWNERREAD},
  };
  for (const auto& bit : kBits) {
    if ((st.st_mode & bit.mode) != 0) permissions_ |= bit.perm;
  }
}

FileInfoC::~FileInfoC() = default;
