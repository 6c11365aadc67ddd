#include "os/FlnFileServiceC.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "cmn/cmn_Encodings.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "os/FDInputStreamC.h"
#include "os/FDOutputStreamC.h"
#include "os/File_posix.h"
#include "os/InputStreamC.h"
#include "os/StreamErrors.h"

namespace {

// A device and inode pair: which file a name reached.
struct FileIdS {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const FileIdS&) const = default;
};

bool IdOf(const std::string& path, bool follow, FileIdS* id) {
  struct stat st;
  if (os_Stat(path, follow, &st) != 0) return false;
  id->dev = st.st_dev;
  id->ino = st.st_ino;
  return true;
}

StringC FromSystemBytes(const std::string& bytes) {
  return os_NameFromSystemBytes(bytes);
}

}  // namespace

FlnFileServiceC::FlnFileServiceC() noexcept = default;

FlnFileServiceC::~FlnFileServiceC() = default;

FileNameArrayC FlnFileServiceC::GetRootList() {
  FileNameArrayC roots;
  roots.Append(FileNameC("/"));
  return roots;
}

RcT FlnFileServiceC::GetCurrentDirectory(FileNameC& directory) {
  std::string path;
  if (int err = os_GetCurrentDirectory(&path); err != 0) return os_ReportErrno(err);
  directory = FileNameC(FromSystemBytes(path));
  return RC_OK;
}

bool FlnFileServiceC::Exists(const FileNameC& name) {
  std::string path;
  return os_SystemPath(name, &path) == 0 && os_Access(path, F_OK) == 0;
}

bool FlnFileServiceC::IsDirectory(const FileNameC& name) {
  std::string path;
  struct stat st;
  return os_SystemPath(name, &path) == 0 && os_Stat(path, true, &st) == 0 && S_ISDIR(st.st_mode);
}

bool FlnFileServiceC::IsSymbolicLink(const FileNameC& name) {
  std::string path;
  struct stat st;
  return os_SystemPath(name, &path) == 0 && os_Stat(path, false, &st) == 0 && S_ISLNK(st.st_mode);
}

bool FlnFileServiceC::IsRegularFile(const FileNameC& name) {
  std::string path;
  struct stat st;
  return os_SystemPath(name, &path) == 0 && os_Stat(path, true, &st) == 0 && S_ISREG(st.st_mode);
}

bool FlnFileServiceC::IsReadable(const FileNameC& name) {
  std::string path;
  struct stat st;
  if (os_SystemPath(name, &path) != 0 || os_Stat(path, true, &st) != 0) return false;
  if (S_ISREG(st.st_mode)) return os_TryOpen(path, O_RDONLY) == 0;
  return os_Access(path, R_OK) == 0;
}

bool FlnFileServiceC::IsWritable(const FileNameC& name) {
  std::string path;
  struct stat st;
  if (os_SystemPath(name, &path) != 0 || os_Stat(path, true, &st) != 0) return false;
  if (S_ISREG(st.st_mode)) return os_TryOpen(path, O_WRONLY) == 0;
  return os_Access(path, W_OK) == 0;
}

RcT FlnFileServiceC::ReadLink(const FileNameC& link, FileNameC& target) {
  std::string path;
  std::string text;
  int err = os_SystemPath(link, &path);
  if (err == 0) err = os_ReadLink(path, &text);
  if (err != 0) return os_ReportErrno(err, link.GetFullText());
  target = FileNameC(FromSystemBytes(text));
  return RC_OK;
}

RcT FlnFileServiceC::GetTemporaryName(const StringC& prefix, FileNameC& name) {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const FileNameC directory(FromSystemBytes(os_TemporaryDirectory()));
  // Seeded from the system's random source when it is available, so names are hard to guess.
  std::minstd_rand source(static_cast<std::minstd_rand::result_type>(std::rand()));
  try {
    std::random_device device;
    source.seed(device());
  } catch (...) {
    // No random source: the pseudo-random sequence still gives distinct candidates.
  }
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string tail;
    for (int i = 0; i < 8; ++i) tail.push_back(kChars[source() % (sizeof kChars - 1)]);
    FileNameC candidate(directory, prefix + StringC(tail.c_str(), StringC::CC_ASCII));
    std::string path;
    if (int err = os_SystemPath(candidate, &path); err != 0) {
      return os_ReportErrno(err, candidate.GetFullText());
    }
    struct stat st;
    int err = os_Stat(path, false, &st);
    if (err == ENOENT) {
      name = candidate;
      return RC_OK;
    }
    if (err != 0) return os_ReportErrno(err, candidate.GetFullText());
  }
  return os_ReportErrno(EEXIST, directory.GetFullText());
}

RcT FlnFileServiceC::GetUniqueName(const FileNameC& directory, const StringC& prefix,
                                   const StringC& suffix, bool create, FileNameC& name) {
  for (int64_t attempt = 0; attempt < c_MaxUniqueAttempts; ++attempt) {
    const std::string number = std::to_string(std::rand());
    FileNameC candidate(directory, prefix + StringC(number.c_str(), StringC::CC_ASCII) + suffix);
    if (create) {
      cmn_ErrMarkC mark;
      RcT rc = RC_OK;
      std::unique_ptr<FileStreamC> file =
          FileStreamC::Open(candidate, FileStreamC::MODE_CREATE_NEW, FileStreamC::ACCESS_WRITE,
                            FileStreamC::SHARE_NONE, false, &rc);
      if (file != nullptr) {
        if (RcT closed = file->Close(); closed != RC_OK) return closed;
        name = candidate;
        return RC_OK;
      }
      if (rc != OS_E_EXISTS) return rc;
      mark.Rollback();
      continue;
    }
    std::string path;
    if (int err = os_SystemPath(candidate, &path); err != 0) {
      return os_ReportErrno(err, candidate.GetFullText());
    }
    struct stat st;
    int err = os_Stat(path, false, &st);  // a dangling link occupies its name too
    if (err == ENOENT) {
      name = candidate;
      return RC_OK;
    }
    if (err != 0) return os_ReportErrno(err, candidate.GetFullText());
  }
  return os_ReportErrno(EEXIST, directory.GetFullText());
}

RcT FlnFileServiceC::CreateDirectory(const FileNameC& name, bool parents) {
  const StringC shown = name.GetFullText();
  auto fail = [&](int err) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err, shown);
    return os_Report(OS_E_MKDIR, OS_T_MKDIR, shown);
  };
  if (name.IsRoot()) return fail(EEXIST);
  if (name.GetText().IsEmpty()) return RC_OK;
  std::string path;
  if (int err = os_SystemPath(name, &path); err != 0) return fail(err);
  int err = os_MakeDirectory(path);
  if (err == ENOENT && parents) {
    if (RcT rc = CreateDirectory(name.GetDirectoryName(), true); rc != RC_OK) return rc;
    err = os_MakeDirectory(path);
  }
  if (err == EEXIST && IsDirectory(name)) return RC_OK;
  if (err != 0) return fail(err);
  return RC_OK;
}

RcT FlnFileServiceC::Remove(const FileNameC& name, bool force, bool recursive) {
  const StringC shown = name.GetFullText();
  std::string path;
  if (int err = os_SystemPath(name, &path); err != 0) return os_ReportErrno(err, shown);
  // One attempt; the name is examined without following a link, so a link to a directory is
  // removed as a link and a recursive removal never leaves the tree.
  auto attempt = [&](bool tree_force) -> int {
    struct stat st;
    int err = os_Stat(path, false, &st);
    if (err == ENOENT) return 0;
    if (err != 0) return err;
    if (!S_ISDIR(st.st_mode)) {
      err = os_Unlink(path);
      return err == ENOENT ? 0 : err;
    }
    err = os_RemoveDirectory(path);
    if ((err == ENOTEMPTY || err == EEXIST) && recursive) {
      err = os_RemoveTree(path, true, tree_force);
    }
    return err == ENOENT ? 0 : err;
  };
  int err = attempt(force);
  if (err != 0 && force) {
    // Clear the read-only state of the name itself (never through a link) and try once more.
    struct stat st;
    if (os_Stat(path, false, &st) == 0 && !S_ISLNK(st.st_mode) && (st.st_mode & S_IRUSR) != 0) {
      // Best effort: the retry below reports the failure.
      (void)os_ChangeModeNoFollow(
          path, (st.st_mode & 07777) | S_IWUSR | (S_ISDIR(st.st_mode) ? S_IXUSR : 0));
    }
    err = attempt(false);
  }
  if (err != 0) return os_ReportErrno(err, shown);
  return RC_OK;
}

RcT FlnFileServiceC::Rename(const FileNameC& from, const FileNameC& to) {
  std::string from_path;
  std::string to_path;
  int err = os_SystemPath(from, &from_path);
  if (err == 0) err = os_SystemPath(to, &to_path);
  if (err == 0) err = os_Rename(from_path, to_path);
  if (err != 0) return os_ReportErrno(err, from.GetFullText());
  return RC_OK;
}

RcT FlnFileServiceC::ChangeDirectory(const FileNameC& name) {
  const StringC shown = name.GetFullText();
  std::string path;
  int err = os_SystemPath(name, &path);
  if (err == 0) err = os_ChangeDirectory(path);
  if (err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err, shown);
    return os_Report(OS_E_CHDIR, OS_T_CHDIR, shown);
  }
  return RC_OK;
}

RcT FlnFileServiceC::SetModificationTime(const FileNameC* name, int64_t seconds) {
  if (name == nullptr || seconds < 0) return os_Report(OS_E_BAD_TIME, OS_T_NONE);
  std::string path;
  int err = os_SystemPath(*name, &path);
  if (err == 0) err = os_SetModificationTime(path, seconds);
  if (err != 0) return os_ReportErrno(err, name->GetFullText());
  return RC_OK;
}

RcT FlnFileServiceC::SetReadOnly(const FileNameC& name, bool readOnly) {
  std::string path;
  struct stat st;
  int err = os_SystemPath(name, &path);
  if (err == 0) err = os_Stat(path, true, &st);
  if (err != 0) return os_ReportErrno(err, name.GetFullText());
  mode_t mode = st.st_mode & 07777;
  if (readOnly) {
    mode &= ~static_cast<mode_t>(S_IWUSR);
  } else if ((mode & S_IRUSR) != 0) {
    mode |= S_IWUSR;
  }
  if (mode == (st.st_mode & 07777)) return RC_OK;
  if (err = os_ChangeMode(path, mode); err != 0) return os_ReportErrno(err, name.GetFullText());
  return RC_OK;
}

RcT FlnFileServiceC::CopyAttributes(const FileNameC& from, const FileNameC& to) {
  std::string from_path;
  std::string to_path;
  int err = os_SystemPath(from, &from_path);
  if (err == 0) err = os_SystemPath(to, &to_path);
  if (err == 0) err = os_CopyAttributes(from_path, to_path);
  if (err != 0) return os_ReportErrno(err, to.GetFullText());
  return RC_OK;
}

RcT FlnFileServiceC::SafeOpen(const FileNameC& name, int flags, mode_t mode, cmn_UniqueFdC& fd) {
  std::string path;
  int err = os_SystemPath(name, &path);
  if (err == 0) err = os_OpenVerified(path, flags, mode, &fd);
  if (err != 0) return os_ReportErrno(err, name.GetFullText());
  return RC_OK;
}

std::unique_ptr<FileInfoC> FlnFileServiceC::GetFileInfo(const FileNameC& name, bool followLinks) {
  std::string path;
  struct stat st;
  if (os_SystemPath(name, &path) != 0 || os_Stat(path, followLinks, &st) != 0) return nullptr;
  return std::make_unique<FileInfoC>(st);
}

std::unique_ptr<FileStreamC> FlnFileServiceC::OpenFileStream(const FileNameC& name, int32_t mode,
                                                             int32_t access, int32_t share,
                                                             bool wait, RcT* rc) {
  return FileStreamC::Open(name, mode, access, share, wait, rc);
}

RcT FlnFileServiceC::CopyStream(InputStreamC& source, const FileNameC& sourceName,
                                const FileNameC& destination, CopyProgressFn progress,
                                void* context) {
  bool cancelled = false;
  return CopyStreamImpl(source, sourceName, destination, progress, context, &cancelled);
}

RcT FlnFileServiceC::CopyStreamImpl(InputStreamC& source, const FileNameC& sourceName,
                                    const FileNameC& destination, CopyProgressFn progress,
                                    void* context, bool* cancelled) {
  *cancelled = false;
  std::unique_ptr<FileStreamC> target =
      FileStreamC::Open(destination, FileStreamC::MODE_CREATE, FileStreamC::ACCESS_WRITE,
                        FileStreamC::SHARE_READ, false);
  if (target == nullptr) {
    // Best effort: a failed close leaves nothing to undo here.
    (void)source.Close();
    return os_Report(OS_E_COPY_OPEN_DEST, OS_T_COPY_OPEN_DEST, sourceName.GetFullText(),
                     destination.GetFullText());
  }
  const int64_t length = source.CanSeek() ? source.GetLength() : 0;
  return CopyBetween(source, length, *target, sourceName, destination, progress, context,
                     cancelled);
}

RcT FlnFileServiceC::CopyBetween(InputStreamC& source, int64_t length, OutputStreamC& target,
                                 const FileNameC& sourceName, const FileNameC& destination,
                                 CopyProgressFn progress, void* context, bool* cancelled) {
  *cancelled = false;
  const StringC from = sourceName.GetFullText();
  const StringC to = destination.GetFullText();
  const int64_t total = copy_total_size_ != 0 ? copy_total_size_ : length;
  const int64_t files = copy_file_count_ != 0 ? copy_file_count_ : 1;
  RcT rc = RC_OK;
  int64_t copied = 0;
  std::vector<unsigned char> piece(static_cast<size_t>(c_CopyPieceSize));
  for (;;) {
    int64_t got = source.Read(piece.data(), c_CopyPieceSize);
    if (got == 0) break;
    if (got < 0) {
      rc = os_Report(OS_E_COPY_READ, OS_T_COPY_READ, from, to);
      break;
    }
    if (target.Write(piece.data(), got) != RC_OK) {
      rc = os_Report(OS_E_COPY_WRITE, OS_T_COPY_WRITE, from, to);
      break;
    }
    copied += got;
    if (progress != nullptr &&
        !progress(sourceName, destination, total, files, length, copied, context)) {
      *cancelled = true;
      rc = RC_FAIL;
      break;
    }
  }
  if (target.Close() != RC_OK && rc == RC_OK) {
    rc = os_Report(OS_E_COPY_WRITE, OS_T_COPY_WRITE, from, to);
  }
  // Best effort: a failed close leaves nothing to undo here.
  (void)source.Close();
  return rc;
}

RcT FlnFileServiceC::CopyRegularAt(int sourceDir, int targetDir, const std::string& leaf,
                                   const FileNameC& sourceName, const FileNameC& destination,
                                   CopyProgressFn progress, void* context, bool* cancelled) {
  *cancelled = false;
  const StringC from = sourceName.GetFullText();
  const StringC to = destination.GetFullText();
  cmn_UniqueFdC input;
  if (RcT rc = cmn_SafeOpenAt(sourceDir, leaf, O_RDONLY, 0, &input); rc != RC_OK) {
    // Reported for the caller; the code it returns is not this function's result.
    if ((rc & 0xFFFF0000u) == RC_OS_BASE) (void)os_ReportErrno(rc & 0xFFFFu, from);
    return os_Report(OS_E_COPY_OPEN_SOURCE, OS_T_COPY_OPEN_SOURCE, from, to);
  }
  // As FileStreamC's create with share-read: the file is truncated only once the shared lock
  // is held.
  cmn_UniqueFdC output;
  // Read and write: the shared lock needs a readable descriptor.
  RcT opened = cmn_SafeOpenAt(targetDir, leaf, O_RDWR | O_CREAT | O_NOFOLLOW, 0666, &output);
  int err = (opened & 0xFFFF0000u) == RC_OS_BASE ? static_cast<int>(opened & 0xFFFFu) : 0;
  if (opened == RC_OK) err = os_LockWhole(output.Get(), false, false);
  if (opened == RC_OK && err == 0) err = os_Truncate(output.Get(), 0);
  if (opened != RC_OK || err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    if (err != 0) (void)os_ReportErrno(err, to);
    return os_Report(OS_E_COPY_OPEN_DEST, OS_T_COPY_OPEN_DEST, from, to);
  }
  struct stat st;
  const int64_t length = ::fstat(input.Get(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
  FDInputStreamC source(input.Release());
  FDOutputStreamC target(output.Release());
  return CopyBetween(source, length, target, sourceName, destination, progress, context, cancelled);
}

RcT FlnFileServiceC::CopyRegularFile(const FileNameC& source, const FileNameC& destination,
                                     CopyProgressFn progress, void* context, bool* cancelled) {
  *cancelled = false;
  std::unique_ptr<FileStreamC> input =
      FileStreamC::Open(source, FileStreamC::MODE_OPEN, FileStreamC::ACCESS_READ,
                        FileStreamC::SHARE_READ_WRITE, false);
  if (input == nullptr) {
    return os_Report(OS_E_COPY_OPEN_SOURCE, OS_T_COPY_OPEN_SOURCE, source.GetFullText(),
                     destination.GetFullText());
  }
  return CopyStreamImpl(*input, source, destination, progress, context, cancelled);
}

RcT FlnFileServiceC::CopyFile(const FileNameC& source, const FileNameC& destination,
                              CopyProgressFn progress, void* context) {
  const StringC from = source.GetFullText();
  const StringC to = destination.GetFullText();
  std::string source_path;
  std::string dest_path;
  int err = os_SystemPath(source, &source_path);
  if (err == 0) err = os_SystemPath(destination, &dest_path);
  if (err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err, from);
    return os_Report(OS_E_COPY_OPEN_SOURCE, OS_T_COPY_OPEN_SOURCE, from, to);
  }
  bool cancelled = false;
  if (IsDirectory(source)) return CopyDirectory(source, destination, progress, context, &cancelled);

  // Opening the destination truncates it: a destination that is the source itself (the same
  // name, a link to it, a hard link) would lose the data before it is read.
  FileIdS source_id;
  FileIdS dest_id;
  if (IdOf(source_path, true, &source_id) && IdOf(dest_path, true, &dest_id) &&
      source_id == dest_id) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(EINVAL, to);
    return os_Report(OS_E_COPY_OPEN_DEST, OS_T_COPY_OPEN_DEST, from, to);
  }

  cmn_ErrMarkC mark;
  RcT rc = CopyRegularFile(source, destination, progress, context, &cancelled);
  if (rc == RC_OK || cancelled) return rc;
  // A read-only destination may be what stopped the first attempt. Its mode is changed through
  // the name itself: a link planted there keeps its target's mode.
  (void)os_AllowOwnerWriteAt(AT_FDCWD, dest_path);
  mark.Rollback();
  return CopyRegularFile(source, destination, progress, context, &cancelled);
}

RcT FlnFileServiceC::CopyDirectory(const FileNameC& source, const FileNameC& destination,
                                   CopyProgressFn progress, void* context, bool* cancelled) {
  const StringC from = source.GetFullText();
  const StringC to = destination.GetFullText();
  std::string source_path;
  std::string dest_path;
  int err = os_SystemPath(source, &source_path);
  if (err == 0) err = os_SystemPath(destination, &dest_path);
  if (err != 0) return os_ReportErrno(err, from);

  // The source as the caller named it.
  struct FrameS {
    os_DirectoryReaderC reader;  // the source directory
    cmn_UniqueFdC target;        // the destination directory
    FileNameC from;
    FileNameC to;
  };
  FrameS top;
  {
    int fd = -1;  // a link the caller named is followed: its directory is meant
    err = os_OpenDirectoryAt(AT_FDCWD, source_path, true, &fd);
    if (err == 0) {
      err = top.reader.Open(fd, ".");
      // Best effort: a failed close leaves nothing to undo here.
      (void)os_Close(fd);
    }
  }
  if (err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err, from);
    return os_Report(OS_E_COPY_OPEN_SOURCE, OS_T_COPY_OPEN_SOURCE, from, to);
  }
  struct stat source_st;
  if (::fstat(top.reader.Fd(), &source_st) != 0) return os_ReportErrno(errno, from);

  // A copy into the source itself would empty its files (a file copied onto itself) or meet
  // its own copy again, level after level. The destination, or while it does not exist yet
  // its parent, is looked up from the descriptor of what the name reaches, so that links on
  // the way count.
  auto refused_inside = [&](int dirfd) {
    bool within = false;
    return os_IsWithin(dirfd, source_st.st_dev, source_st.st_ino, &within) == 0 && within;
  };
  auto refuse = [&]() {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(EINVAL, to);
    return os_Report(OS_E_COPY_OPEN_DEST, OS_T_COPY_OPEN_DEST, from, to);
  };
  {
    int probe = -1;
    if (os_OpenDirectoryAt(AT_FDCWD, dest_path, true, &probe) != 0) {
      std::string parent_path;
      if (os_SystemPath(destination.GetDirectoryName(), &parent_path) == 0) {
        // Best effort: the probe only decides which message is given.
        (void)os_OpenDirectoryAt(AT_FDCWD, parent_path, true, &probe);
      }
    }
    if (probe >= 0) {
      cmn_UniqueFdC guard(probe);
      if (refused_inside(probe)) return refuse();
    }
  }
  if (RcT rc = CreateDirectory(destination, false); rc != RC_OK) return rc;
  {
    int fd = -1;
    if (err = os_OpenDirectoryAt(AT_FDCWD, dest_path, true, &fd); err != 0) {
      // Reported for the caller; the code it returns is not this function's result.
      (void)os_ReportErrno(err, to);
      return os_Report(OS_E_MKDIR, OS_T_MKDIR, to);
    }
    top.target.Reset(fd);
  }
  if (refused_inside(top.target.Get())) return refuse();  // swapped in since the look above
  struct stat dest_st;
  if (::fstat(top.target.Get(), &dest_st) != 0) return os_ReportErrno(errno, to);
  top.from = source;
  top.to = destination;

  // Depth first, one descriptor pair per level; names stay the file system's bytes.
  std::vector<FrameS> frames;
  frames.push_back(std::move(top));
  while (!frames.empty()) {
    FrameS& frame = frames.back();
    os_DirectoryReaderC::EntryS entry;
    bool done = false;
    if (err = frame.reader.Next(&entry, &done); err != 0) {
      return os_ReportErrno(err, frame.from.GetFullText());
    }
    if (done) {
      frames.pop_back();
      continue;
    }
    const StringC shown_name = FromSystemBytes(entry.name);
    const FileNameC entry_from(frame.from, shown_name);
    const FileNameC entry_to(frame.to, shown_name);
    const int source_dir = frame.reader.Fd();
    const int target_dir = frame.target.Get();
    switch (entry.type) {
      case FileInfoC::TYPE_DIRECTORY: {
        FrameS next;
        if (err = next.reader.Open(source_dir, entry.name); err != 0) {
          // Reported for the caller; the code it returns is not this function's result.
          (void)os_ReportErrno(err, entry_from.GetFullText());
          return os_Report(OS_E_COPY_OPEN_SOURCE, OS_T_COPY_OPEN_SOURCE, entry_from.GetFullText(),
                           entry_to.GetFullText());
        }
        struct stat st;
        if (::fstat(next.reader.Fd(), &st) == 0 && st.st_dev == dest_st.st_dev &&
            st.st_ino == dest_st.st_ino) {
          break;  // the copy being made (mounted into the source)
        }
        err = os_MakeDirectoryAt(target_dir, entry.name);
        int fd = -1;
        if (err == 0 || err == EEXIST) err = os_OpenDirectoryAt(target_dir, entry.name, false, &fd);
        if (err != 0) {
          // Reported for the caller; the code it returns is not this function's result.
          (void)os_ReportErrno(err, entry_to.GetFullText());
          return os_Report(OS_E_MKDIR, OS_T_MKDIR, entry_to.GetFullText());
        }
        next.target.Reset(fd);
        next.from = entry_from;
        next.to = entry_to;
        frames.push_back(std::move(next));  // `frame` is not used after this
        break;
      }
      case FileInfoC::TYPE_REGULAR: {
        cmn_ErrMarkC mark;
        RcT rc = CopyRegularAt(source_dir, target_dir, entry.name, entry_from, entry_to, progress,
                               context, cancelled);
        if (rc != RC_OK && !*cancelled) {
          // Best effort: the copy below reports the failure.
          (void)os_AllowOwnerWriteAt(target_dir, entry.name);
          mark.Rollback();
          rc = CopyRegularAt(source_dir, target_dir, entry.name, entry_from, entry_to, progress,
                             context, cancelled);
        }
        if (rc != RC_OK) return rc;
        break;
      }
      case FileInfoC::TYPE_SYMBOLIC_LINK: {
        std::string link_target;
        err = os_ReadLinkAt(source_dir, entry.name, &link_target);
        if (err == 0) err = os_MakeSymbolicLinkAt(link_target, target_dir, entry.name);
        if (err != 0) return os_ReportErrno(err, entry_to.GetFullText());
        break;
      }
      default:
        break;  // devices, FIFOs and sockets are not copied
    }
  }
  return RC_OK;
}

RcT FlnFileServiceC::SetHidden(const FileNameC& name, bool /*hidden*/) {
  return os_Report(OS_E_SET_HIDDEN, OS_T_SET_HIDDEN, name.GetFullText());
}

bool FlnFileServiceC::IsHidden(const FileNameC& name) {
  // Reported for the caller; the code it returns is not this function's result.
  (void)os_Report(OS_E_GET_HIDDEN, OS_T_GET_HIDDEN, name.GetFullText());
  return false;
}

bool FlnFileServiceC::IsSystem(const FileNameC& name) {
  // Reported for the caller; the code it returns is not this function's result.
  (void)os_Report(OS_E_GET_SYSTEM, OS_T_GET_SYSTEM, name.GetFullText());
  return false;
}
