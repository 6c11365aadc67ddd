#include "cmn/cmn_ErrMarkC.h"

#include <algorithm>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"

cmn_ErrMarkC::cmn_ErrMarkC(OnExitE on_exit) noexcept
    : m_pBuffer(getErrBuf()),
      m_uMark(m_pBuffer != nullptr ? m_pBuffer->Mark() : 0),
      m_OnExit(on_exit) {}

cmn_ErrMarkC::~cmn_ErrMarkC() {
  if (m_OnExit == kRollbackOnExit) Rollback();
}

size_t cmn_ErrMarkC::NewCount() const noexcept {
  if (m_pBuffer == nullptr) return 0;
  // A buffer rolled back past this mark by someone else reads as nothing new.
  const uint64_t next = m_pBuffer->Mark();
  if (next <= m_uMark) return 0;
  return static_cast<size_t>(std::min<uint64_t>(next - m_uMark, m_pBuffer->Count()));
}

const cmn_ErrEntryI* cmn_ErrMarkC::NewEntry(size_t index) const noexcept {
  const size_t count = NewCount();
  if (index >= count) return nullptr;
  return m_pBuffer->Entry(m_pBuffer->Count() - count + index);
}

std::string cmn_ErrMarkC::LastText() const {
  const size_t count = NewCount();
  const cmn_ErrEntryI* entry = count > 0 ? NewEntry(count - 1) : nullptr;
  return entry != nullptr ? std::string(entry->Text()) : std::string();
}

void cmn_ErrMarkC::Rollback() noexcept {
  if (m_pBuffer != nullptr) m_pBuffer->Rollback(m_uMark);
}

std::string cmn_ErrMarkC::TakeLastText() {
  std::string text = LastText();
  Rollback();
  return text;
}
