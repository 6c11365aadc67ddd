#include "registry/ComClassTableC.h"

#include <utility>

void ComClassTableC::Set(const ZelStringC& key, ComClassEntryC entry) {
  entries_.insert_or_assign(key, std::move(entry));
}

const ComClassEntryC* ComClassTableC::Find(const ZelStringC& key) const noexcept {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : &it->second;
}

bool ComClassTableC::Remove(const ZelStringC& key) noexcept {
  return entries_.erase(key) != 0;
}
