#include "os/DIRStackC.h"

#include <cerrno>

#include "cmn/cmn_Encodings.h"
#include "os/File_posix.h"
#include "os/StreamErrors.h"

struct DIRStackC::FrameS {
  os_DirectoryReaderC reader;
  FileNameC name;
};

DIRStackC::DIRStackC() = default;

DIRStackC::~DIRStackC() {
  Clear();
}

RcT DIRStackC::PushRoot(const FileNameC& directory) {
  std::string path;
  if (int err = os_SystemPath(directory, &path); err != 0) {
    return os_ReportErrno(err, directory.GetFullText());
  }
  auto frame = std::make_unique<FrameS>();
  if (int err = frame->reader.Open(path); err != 0) {
    return os_ReportErrno(err, directory.GetFullText());
  }
  frame->name = directory;
  frames_.push_back(std::move(frame));
  return RC_OK;
}

RcT DIRStackC::PushChild(const EntryS& entry) {
  if (frames_.empty()) return os_ReportErrno(EBADF, entry.name.GetFullText());
  auto frame = std::make_unique<FrameS>();
  if (int err = frame->reader.Open(frames_.back()->reader.Fd(), entry.raw); err != 0) {
    return os_ReportErrno(err, entry.name.GetFullText());
  }
  frame->name = entry.name;
  frames_.push_back(std::move(frame));
  return RC_OK;
}

void DIRStackC::Pop() noexcept {
  if (frames_.empty()) return;
  frames_.pop_back();
}

void DIRStackC::Clear() noexcept {
  while (!frames_.empty()) Pop();
}

bool DIRStackC::IsEmpty() const noexcept {
  return frames_.empty();
}

uint64_t DIRStackC::Depth() const noexcept {
  return frames_.size();
}

RcT DIRStackC::Next(EntryS* entry, bool* done) {
  *done = false;
  if (frames_.empty()) {
    *done = true;
    return RC_OK;
  }
  FrameS& top = *frames_.back();
  os_DirectoryReaderC::EntryS raw;
  if (int err = top.reader.Next(&raw, done); err != 0) {
    return os_ReportErrno(err, top.name.GetFullText());
  }
  if (*done) return RC_OK;
  entry->base = os_NameFromSystemBytes(raw.name);  // names the entry even when not UTF-8
  entry->name = FileNameC(top.name, entry->base);
  entry->type = raw.type;
  entry->raw = std::move(raw.name);
  return RC_OK;
}
