// FlnFileServiceC: the system's gateway to the file system.
//
// Existence and type tests, directories, removal, renaming, temporary and unique names,
// copying with progress, permissions and ownership, file information and opening file
// streams. Names are FileNameC values, handed to the system in its 8-bit encoding.
//
// Tests answer false on any failure and report nothing. Operations that return a code give 0,
// a code of os/StreamErrors.h, or 0xE0000000 | errno, and report their failures into the
// calling thread's error buffer. The service keeps only the two copy parameters; one object
// may be used by one thread at a time, and separate objects on separate threads.
#ifndef QLM_OS_FLNFILESERVICEC_H_
#define QLM_OS_FLNFILESERVICEC_H_

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "cmn/cmn_UniqueFdC.h"
#include "os/FileInfoC.h"
#include "os/FileNameArrayC.h"
#include "os/FileNameC.h"
#include "os/FileStreamC.h"

class InputStreamC;
class OutputStreamC;

class FlnFileServiceC {
 public:
  // Progress of a copy, called after each piece: the source and destination names, the total
  // size (the service's parameter, or the source's length), the file count (the parameter, or
  // 1), the source's length, the bytes of this file copied so far and the caller's context.
  // Returning false stops the copy (the destination keeps what was written).
  using CopyProgressFn = bool (*)(const FileNameC& source, const FileNameC& destination,
                                  int64_t totalSize, int64_t fileCount, int64_t sourceLength,
                                  int64_t copied, void* context);

  // Bytes moved per copy step.
  static constexpr int64_t c_CopyPieceSize = 4096;
  // Attempts GetUniqueName makes before it gives up.
  static constexpr int64_t c_MaxUniqueAttempts = 2147483647;

  FlnFileServiceC() noexcept;
  FlnFileServiceC(const FlnFileServiceC&) = delete;
  FlnFileServiceC& operator=(const FlnFileServiceC&) = delete;
  virtual ~FlnFileServiceC();

  // A list holding the single name "/".
  virtual FileNameArrayC GetRootList();
  // The working directory (getcwd; bytes that are not UTF-8 kept as os_NameFromSystemBytes
  // keeps them).
  [[nodiscard]] virtual RcT GetCurrentDirectory(FileNameC& directory);

  // access(F_OK): a link counts as existing when its target does.
  [[nodiscard]] virtual bool Exists(const FileNameC& name);
  // stat (following links): a directory.
  [[nodiscard]] virtual bool IsDirectory(const FileNameC& name);
  // lstat: the name itself is a symbolic link.
  [[nodiscard]] virtual bool IsSymbolicLink(const FileNameC& name);
  // stat (following links): a regular file.
  [[nodiscard]] virtual bool IsRegularFile(const FileNameC& name);
  // A regular file is opened for reading (writing) and closed again, without blocking;
  // anything else is asked with access(R_OK / W_OK).
  [[nodiscard]] virtual bool IsReadable(const FileNameC& name);
  [[nodiscard]] virtual bool IsWritable(const FileNameC& name);

  // The target of the symbolic link `link` (at most 4095 bytes), as written in the link.
  [[nodiscard]] virtual RcT ReadLink(const FileNameC& link, FileNameC& target);
  // A name that does not exist yet in the temporary directory ($TMPDIR or "/tmp"), made of
  // `prefix` and random characters. Nothing is created; use GetUniqueName with `create` where
  // another process could take the name first.
  [[nodiscard]] virtual RcT GetTemporaryName(const StringC& prefix, FileNameC& name);
  // A name in `directory` made of `prefix`, a pseudo-random decimal number (rand()) and
  // `suffix`. With `create` the file is created exclusively (empty) before it is given, so the
  // name is the caller's even against other processes; without, the first candidate nothing
  // exists at (not even a dangling link) is given.
  [[nodiscard]] virtual RcT GetUniqueName(const FileNameC& directory, const StringC& prefix,
                                          const StringC& suffix, bool create, FileNameC& name);

  // Creates the directory `name` (mode 0777 less the umask), with its missing parents when
  // `parents` is set. An existing directory succeeds; an existing non-directory fails; the
  // root fails; the empty relative name succeeds without doing anything. Failures report the
  // cause and 0xE0CB0002 and return 0xE0CB0002.
  [[nodiscard]] virtual RcT CreateDirectory(const FileNameC& name, bool parents);
  // Removes `name`: a directory (not a link to one) with rmdir, and when that fails and
  // `recursive` is set, its contents first (never following a symbolic link: a link in the
  // tree is removed as a link, its target is left alone). Anything else, a symbolic link
  // included, is unlinked. A name that does not exist counts as removed. With `force`, a
  // failed removal clears the read-only state and tries once more, and a recursive removal
  // gives directories in the tree owner permissions where it needs them.
  [[nodiscard]] virtual RcT Remove(const FileNameC& name, bool force, bool recursive);
  // rename(2): replaces an existing `to` atomically.
  [[nodiscard]] virtual RcT Rename(const FileNameC& from, const FileNameC& to);
  // chdir; failure reports the cause and 0xE0CB0011 and returns 0xE0CB0011.
  [[nodiscard]] virtual RcT ChangeDirectory(const FileNameC& name);
  // Sets the modification time to `seconds` since 1970 and keeps the access time. A null name
  // or a negative time gives 0xE0CB000C.
  [[nodiscard]] virtual RcT SetModificationTime(const FileNameC* name, int64_t seconds);
  // `readOnly` clears the owner-write bit; otherwise the owner-write bit is set again, but
  // only when the owner-read bit is set. Follows links.
  [[nodiscard]] virtual RcT SetReadOnly(const FileNameC& name, bool readOnly);
  // Gives `to` the permission bits, owner and group of `from`.
  [[nodiscard]] virtual RcT CopyAttributes(const FileNameC& from, const FileNameC& to);
  // Opens `name` with open(2) `flags` and `mode`, refusing a symbolic link, and keeps the
  // descriptor only when it and the name show the same device and inode afterwards (ESTALE
  // otherwise).
  [[nodiscard]] virtual RcT SafeOpen(const FileNameC& name, int flags, mode_t mode,
                                     cmn_UniqueFdC& fd);
  // stat (or lstat when `followLinks` is false) into a new record; null on failure (not
  // reported: this is also how callers ask whether a file is there).
  virtual std::unique_ptr<FileInfoC> GetFileInfo(const FileNameC& name, bool followLinks = true);
  // FileStreamC::Open.
  virtual std::unique_ptr<FileStreamC> OpenFileStream(const FileNameC& name, int32_t mode,
                                                      int32_t access, int32_t share, bool wait,
                                                      RcT* rc = nullptr);

  // Copies the rest of `source` (named `sourceName` in messages and callbacks) into the file
  // `destination`, opened with mode create, write access, share read and no waiting, in pieces
  // of c_CopyPieceSize bytes, calling `progress` (may be null) after each piece. Closes both
  // streams. Failures report 0xE0CB0017 (opening the destination), 0xE0CB0018 (reading) or
  // 0xE0CB0019 (writing) with both names and return that code; a copy stopped by the callback
  // returns 0x80000001 without a report. What was written stays written.
  [[nodiscard]] virtual RcT CopyStream(InputStreamC& source, const FileNameC& sourceName,
                                       const FileNameC& destination, CopyProgressFn progress,
                                       void* context);
  // Copies the file `source` to `destination`. A regular file is copied as by CopyStream; when
  // that fails (other than by the callback), the destination's read-only state is cleared, the
  // errors of the first attempt are dropped from the error buffer and the copy is made once
  // more (never through a symbolic link at the name). Failing to open the source reports
  // 0xE0CB0016. Copying a file onto itself fails before anything is truncated. A directory is
  // copied entry by entry into `destination` (created when missing): directories and regular
  // files are copied, symbolic links are made anew with the same target, other entries are
  // skipped. A destination that is the source directory or lies inside it (the same device
  // and inode somewhere up its path, links included) is refused before anything is written,
  // with EINVAL and 0xE0CB0017. Inside the tree every entry is reached relative to its
  // directory's descriptor, with names as raw bytes, and nothing in the destination is
  // followed: a symbolic link (or other non-directory) where a directory is to be made stops
  // the copy with ELOOP / ENOTDIR and 0xE0CB0002; a link where a file is to be written is
  // refused by the checked open.
  [[nodiscard]] virtual RcT CopyFile(const FileNameC& source, const FileNameC& destination,
                                     CopyProgressFn progress, void* context);

  // Hidden and system states do not exist on this system: SetHidden reports and returns
  // 0xE0CB0013; IsHidden reports 0xE0CB0012 and IsSystem 0xE0CB0014, and both answer false.
  [[nodiscard]] virtual RcT SetHidden(const FileNameC& name, bool hidden);
  [[nodiscard]] virtual bool IsHidden(const FileNameC& name);
  [[nodiscard]] virtual bool IsSystem(const FileNameC& name);

  // Copy parameters: the total size given to progress callbacks (0: the current file's size)
  // and the file count (0: 1).
  void SetCopyTotalSize(int64_t bytes) noexcept { copy_total_size_ = bytes; }
  void SetCopyFileCount(int64_t files) noexcept { copy_file_count_ = files; }
  int64_t GetCopyTotalSize() const noexcept { return copy_total_size_; }
  int64_t GetCopyFileCount() const noexcept { return copy_file_count_; }

 private:
  // One copy attempt of a regular file; `cancelled` tells a stop by the callback.
  [[nodiscard]] RcT CopyRegularFile(const FileNameC& source, const FileNameC& destination,
                                    CopyProgressFn progress, void* context, bool* cancelled);
  [[nodiscard]] RcT CopyStreamImpl(InputStreamC& source, const FileNameC& sourceName,
                                   const FileNameC& destination, CopyProgressFn progress,
                                   void* context, bool* cancelled);
  [[nodiscard]] RcT CopyDirectory(const FileNameC& source, const FileNameC& destination,
                                  CopyProgressFn progress, void* context, bool* cancelled);
  // Moves the rest of `source` (`length` bytes, for the callback) into `target` and closes
  // both; the loop and the reports of CopyStream.
  [[nodiscard]] RcT CopyBetween(InputStreamC& source, int64_t length, OutputStreamC& target,
                                const FileNameC& sourceName, const FileNameC& destination,
                                CopyProgressFn progress, void* context, bool* cancelled);
  // One copy attempt of the regular file `leaf` of the directory `sourceDir` to `leaf` of
  // `targetDir`, opened relative to the descriptors without following links; the names are
  // for messages and the callback.
  [[nodiscard]] RcT CopyRegularAt(int sourceDir, int targetDir, const std::string& leaf,
                                  const FileNameC& sourceName, const FileNameC& destination,
                                  CopyProgressFn progress, void* context, bool* cancelled);

  int64_t copy_total_size_ = 0;
  int64_t copy_file_count_ = 0;
};

#endif  // QLM_OS_FLNFILESERVICEC_H_
