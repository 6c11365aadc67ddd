#include "os/FileListerC.h"

#include "os/FileInfoC.h"

FileListerC::FileListerC(const FileNameC& directory, bool recursive)
    : directory_(directory), recursive_(recursive) {}

FileListerC::~FileListerC() = default;

bool FileListerC::Accept(const FileNameC& /*name*/, const StringC& /*base*/,
                         int32_t /*type*/) const {
  return true;
}

bool FileListerC::Next(FileNameC& name, int32_t* type) {
  if (!started_) {
    started_ = true;
    if (RcT rc = stack_.PushRoot(directory_); rc != RC_OK) {
      result_ = rc;
      return false;
    }
  }
  while (!stack_.IsEmpty()) {
    DIRStackC::EntryS entry;
    bool done = false;
    if (RcT rc = stack_.Next(&entry, &done); rc != RC_OK) {
      if (result_ == RC_OK) result_ = rc;
      stack_.Pop();  // this directory cannot be read further; go on with the rest
      continue;
    }
    if (done) {
      stack_.Pop();
      continue;
    }
    const bool accepted = Accept(entry.name, entry.base, entry.type);
    if (recursive_ && entry.type == FileInfoC::TYPE_DIRECTORY) {
      if (RcT rc = stack_.PushChild(entry); rc != RC_OK && result_ == RC_OK) result_ = rc;
    }
    if (accepted) {
      name = std::move(entry.name);
      if (type != nullptr) *type = entry.type;
      return true;
    }
  }
  return false;
}

RcT FileListerC::ListAll(FileNameArrayC& names) {
  FileNameC name;
  while (Next(name)) names.Append(name);
  return result_;
}
