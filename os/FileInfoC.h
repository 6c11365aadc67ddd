// FileInfoC: what the file service knows about one file at one moment (stat or lstat).
#ifndef QLM_OS_FILEINFOC_H_
#define QLM_OS_FILEINFOC_H_

#include <sys/stat.h>

#include <cstdint>

class FileInfoC {
 public:
  // File types.
  static constexpr int32_t TYPE_REGULAR = 0;
  static constexpr int32_t TYPE_DIRECTORY = 1;
  static constexpr int32_t TYPE_CHARACTER_DEVICE = 2;
  static constexpr int32_t TYPE_BLOCK_DEVICE = 3;
  static constexpr int32_t TYPE_FIFO = 4;
  static constexpr int32_t TYPE_SYMBOLIC_LINK = 5;
  static constexpr int32_t TYPE_SOCKET = 6;
  static constexpr int32_t TYPE_OTHER = 7;

  // Permission bits; the values are the POSIX mode bits.
  static constexpr uint64_t PERM_OTHEREXECUTE = 1;
  static constexpr uint64_t PERM_OTHERWRITE = 2;
  static constexpr uint64_t PERM_OTHERREAD = 4;
  static constexpr uint64_t PERM_GROUPEXECUTE = 8;
  static constexpr uint64_t PERM_GROUPWRITE = 16;
  static constexpr uint64_t PERM_GROUPREAD = 32;
  static constexpr uint64_t PERM_OWNEREXECUTE = 64;
  static constexpr uint64_t PERM_OWNERWRITE = 128;
  static constexpr uint64_t PERM_OWNERREAD = 256;

  FileInfoC() noexcept = default;
  // The record of a stat result.
  explicit FileInfoC(const struct stat& st) noexcept;
  virtual ~FileInfoC();

  int32_t GetType() const noexcept { return type_; }
  // A combination of the PERM_* values.
  uint64_t GetPermissions() const noexcept { return permissions_; }
  // Bytes.
  int64_t GetSize() const noexcept { return size_; }
  // Seconds since 1970-01-01 00:00 UTC.
  int64_t GetChangeTime() const noexcept { return change_time_; }
  int64_t GetModificationTime() const noexcept { return modification_time_; }
  int64_t GetAccessTime() const noexcept { return access_time_; }
  uint64_t GetDevice() const noexcept { return device_; }
  uint32_t GetOwner() const noexcept { return owner_; }
  uint32_t GetGroup() const noexcept { return group_; }

  bool IsDirectory() const noexcept { return type_ == TYPE_DIRECTORY; }
  bool IsRegularFile() const noexcept { return type_ == TYPE_REGULAR; }
  bool IsSymbolicLink() const noexcept { return type_ == TYPE_SYMBOLIC_LINK; }

 private:
  int32_t type_ = TYPE_OTHER;
  uint64_t permissions_ = 0;
  int64_t size_ = 0;
  int64_t change_time_ = 0;
  int64_t modification_time_ = 0;
  int64_t access_time_ = 0;
  uint64_t device_ = 0;
  uint32_t owner_ = 0;
  uint32_t group_ = 0;
};

#endif  // QLM_OS_FILEINFOC_H_
