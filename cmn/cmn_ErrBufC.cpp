#include "cmn/cmn_ErrBufC.h"

#include <cstdio>

#include "cmn/cmn_Services.h"

cmn_ErrBufI* getErrBuf(int version) {
  if (version != 2) return nullptr;
  return &cmn_ErrBufC::ForThisThread();
}

cmn_ErrBufC& cmn_ErrBufC::ForThisThread() noexcept {
  thread_local cmn_ErrBufC buffer;
  return buffer;
}

void cmn_ErrBufC::Add(uint32_t number, int severity, std::string_view text) {
  if (entries_.size() >= cmn_kErrBufCapacity) {
    entries_.pop_front();
    ++first_;
  }
  if (severity < 0 || severity > 5) severity = 4;  // unknown severities count as errors
  entries_.emplace_back(number, severity, text);
  ++next_;
}

const cmn_ErrEntryI* cmn_ErrBufC::Entry(size_t index) const noexcept {
  if (index >= entries_.size()) return nullptr;
  return &entries_[index];
}

void cmn_ErrBufC::Rollback(uint64_t mark) noexcept {
  if (mark >= next_) return;  // nothing added since, or a mark from the future
  if (mark <= first_) {
    // Every held entry came after the mark (older ones were already dropped).
    entries_.clear();
    first_ = mark;
  } else {
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(mark - first_), entries_.end());
  }
  // Numbering resumes at the mark, so the range stays contiguous and marks taken after this
  // one (whose entries are now gone) read as future marks and are ignored.
  next_ = mark;
}

std::string cmn_ErrBufC::AllText() const {
  std::string out;
  char head[16];
  for (const EntryC& e : entries_) {
    std::snprintf(head, sizeof head, "%c 0x%08X ", SeverityLetter(e.Severity()),
                  static_cast<unsigned>(e.MessageNumber()));
    out += head;
    out += e.Text();
    out += '\n';
  }
  return out;
}

void cmn_ErrBufC::Clear() noexcept {
  entries_.clear();
  first_ = next_;
}

char cmn_ErrBufC::SeverityLetter(int severity) noexcept {
  static constexpr char kLetters[] = {'#', 'm', 'i', 'w', 'e', 'f'};
  if (severity < 0 || severity > 5) return 'e';  // Add stores only 0..5
  return kLetters[severity];
}
