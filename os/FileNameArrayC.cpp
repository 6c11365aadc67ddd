#include "os/FileNameArrayC.h"

#include <algorithm>

const FileNameC* FileNameArrayC::Get(uint64_t index) const noexcept {
  return index < names_.size() ? &names_[index] : nullptr;
}

void FileNameArrayC::Append(const FileNameC& name) {
  names_.push_back(name);
}

void FileNameArrayC::Append(FileNameC&& name) {
  names_.push_back(std::move(name));
}

bool FileNameArrayC::Contains(const FileNameC& name) const noexcept {
  return std::find(names_.begin(), names_.end(), name) != names_.end();
}

void FileNameArrayC::Sort() {
  // A relative name sorts before an absolute one; then by text.
  std::stable_sort(names_.begin(), names_.end(), [](const FileNameC& a, const FileNameC& b) {
    if (a.IsAbsolute() != b.IsAbsolute()) return !a.IsAbsolute();
    return a.GetText().Utf8View() < b.GetText().Utf8View();
  });
}
