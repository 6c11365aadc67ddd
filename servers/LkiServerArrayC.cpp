#include "servers/LkiServerArrayC.h"

#include <algorithm>

#include "servers/LkiServerLocationC.h"
#include "servers/LkiServerManagerC.h"

LkiServerArrayC::~LkiServerArrayC() {
  Clear();
}

int64_t LkiServerArrayC::EffectivePriority(const LkiServerLocationC* location) noexcept {
  return location->PriorityValue(LkiServerManagerC::s_LowPriority + 1);
}

int32_t LkiServerArrayC::ComparePriority(const LkiServerLocationC* a,
                                         const LkiServerLocationC* b) noexcept {
  if (a == nullptr || b == nullptr) return static_cast<int32_t>(RC_INVALIDARG);
  const int64_t pa = EffectivePriority(a);
  const int64_t pb = EffectivePriority(b);
  return pa < pb ? -1 : (pa > pb ? 1 : 0);
}

int64_t LkiServerArrayC::Insert(LkiServerLocationC* location) {
  if (location == nullptr) return -1;
  const int64_t priority = EffectivePriority(location);
  // First position whose priority is greater: after every location of equal priority.
  size_t lo = 0;
  size_t hi = items_.size();
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    if (EffectivePriority(items_[mid]) > priority) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(lo), location);
  location->AddRef();
  return static_cast<int64_t>(lo);
}

int64_t LkiServerArrayC::Append(LkiServerLocationC* location) {
  if (location == nullptr) return -1;
  items_.push_back(location);
  location->AddRef();
  return static_cast<int64_t>(items_.size() - 1);
}

void LkiServerArrayC::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [](const LkiServerLocationC* a, const LkiServerLocationC* b) {
                     return ComparePriority(a, b) < 0;
                   });
}

LkiServerLocationC* LkiServerArrayC::At(size_t index) const noexcept {
  return index < items_.size() ? items_[index] : nullptr;
}

int64_t LkiServerArrayC::IndexOf(const LkiServerLocationC* location) const noexcept {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == location) return static_cast<int64_t>(i);
  }
  return -1;
}

bool LkiServerArrayC::RemoveAt(size_t index) noexcept {
  LkiServerLocationC* location = DetachAt(index);
  if (location == nullptr) return false;
  location->Release();
  return true;
}

LkiServerLocationC* LkiServerArrayC::DetachAt(size_t index) noexcept {
  if (index >= items_.size()) return nullptr;
  LkiServerLocationC* location = items_[index];
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
  return location;
}

void LkiServerArrayC::Clear() noexcept {
  std::vector<LkiServerLocationC*> items;
  items.swap(items_);
  for (LkiServerLocationC* location : items) location->Release();
}
