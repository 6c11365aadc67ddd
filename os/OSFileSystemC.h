// OSFileSystemC: one mounted file system as the mount tables list it, with its kind.
#ifndef QLM_OS_OSFILESYSTEMC_H_
#define QLM_OS_OSFILESYSTEMC_H_

#include <cstdint>

#include "base/RefCountC.h"
#include "base/StringC.h"

class OSFileSystemC : public RefCountC {
 public:
  // Kinds.
  static constexpr uint64_t c_KindOther = 0;    // a device that is no block device, a name
  static constexpr uint64_t c_KindLocal = 1;    // a block device
  static constexpr uint64_t c_KindNetwork = 2;  // "//host/share" or "host:/path"
  static constexpr uint64_t c_KindCdRom = 5;    // a block device with a CD/DVD file system
  static constexpr uint64_t c_KindProc = 8;     // type "proc"
  static constexpr uint64_t c_KindAutofs = 16;  // type "autofs"

  // `isBlockDevice`: whether the device names a block device (asked only for devices that
  // begin with "/"); `deviceNumber`: st_dev of the mount point, 0 when unknown.
  OSFileSystemC(const StringC& device, const StringC& mountPoint, const StringC& type,
                bool isBlockDevice, uint64_t deviceNumber);

  // The kind of a mount-table entry. Types compare ignoring case; "//" and "/" are tested as
  // prefixes of the device:
  //   type "proc": 8; type "autofs": 16; a device beginning with "//", or not beginning with
  //   "/" but containing ":/": 2; a block device beginning with "/": 5 for the types
  //   "iso9660", "cd9660", "hsfs" and "udf", else 1; anything else 0.
  [[nodiscard]] static uint64_t Classify(const StringC& device, const StringC& type,
                                         bool isBlockDevice) noexcept;

  const StringC& GetDevice() const noexcept { return device_; }
  const StringC& GetMountPoint() const noexcept { return mount_point_; }
  const StringC& GetType() const noexcept { return type_; }
  uint64_t GetKind() const noexcept { return kind_; }
  uint64_t GetDeviceNumber() const noexcept { return device_number_; }

 protected:
  ~OSFileSystemC() override;

 private:
  StringC device_;
  StringC mount_point_;
  StringC type_;
  uint64_t kind_;
  uint64_t device_number_;
};

#endif  // QLM_OS_OSFILESYSTEMC_H_
