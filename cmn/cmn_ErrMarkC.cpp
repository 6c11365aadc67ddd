#include "cmn/cmn_ErrMarkC.h"

#include <algorithm>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"

cmn_ErrMarkC::cmn_ErrMarkC(OnExitE on_exit) noexcept
    : buffer_(getErrBuf()), mark_(buffer_ != nullptr ? buffer_->Mark() : 0), on_exit_(on_exit) {}

cmn_ErrMarkC::~cmn_ErrMarkC() {
  if (on_exit_ == kRollbackOnExit) Rollback();
}

size_t cmn_ErrMarkC::NewCount() const noexcept {
  if (buffer_ == nullptr) return 0;
  // A buffer rolled back past this mark by someone else reads as nothing new.
  const uint64_t next = buffer_->Mark();
  if (next <= mark_) return 0;
  return static_cast<size_t>(std::min<uint64_t>(next - mark_, buffer_->Count()));
}

const cmn_ErrEntryI* cmn_ErrMarkC::NewEntry(size_t index) const noexcept {
  const size_t count = NewCount();
  if (index >= count) return nullptr;
  return buffer_->Entry(buffer_->Count() - count + index);
}

std::string cmn_ErrMarkC::LastText() const {
  const size_t count = NewCount();
  const cmn_ErrEntryI* entry = count > 0 ? NewEntry(count - 1) : nullptr;
  return entry != nullptr ? std::string(entry->Text()) : std::string();
}

void cmn_ErrMarkC::Rollback() noexcept {
  if (buffer_ != nullptr) buffer_->Rollback(mark_);
}

std::string cmn_ErrMarkC::TakeLastText() {
  std::string text = LastText();
  Rollback();
  return text;
}
