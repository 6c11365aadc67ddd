// ComClassTableC: the names of one name space, each mapped to a class identifier.
//
// Entries (ComClassEntryC) are keyed by the lower-case key of their name: the part after the
// first ":", or the whole name. Not locked: the registry's lock guards every table.
#ifndef QLM_REGISTRY_COMCLASSTABLEC_H_
#define QLM_REGISTRY_COMCLASSTABLEC_H_

#include <map>

#include "registry/GuidC.h"
#include "registry/ZelStringC.h"

// One name of a name space and the class it stands for.
struct ComClassEntryC {
  ZelStringC name;  // the name as registered
  GuidC clsid;
};

class ComClassTableC {
 public:
  // Stores `entry` under `key`, replacing (and dropping) an entry with the same key.
  void Set(const ZelStringC& key, ComClassEntryC entry);
  // The entry of `key`, or null. Valid until the table changes.
  const ComClassEntryC* Find(const ZelStringC& key) const noexcept;
  // Removes the entry of `key`; false when there is none.
  bool Remove(const ZelStringC& key) noexcept;
  size_t Size() const noexcept { return entries_.size(); }
  void Clear() noexcept { entries_.clear(); }

 private:
  std::map<ZelStringC, ComClassEntryC> entries_;
};

#endif  // QLM_REGISTRY_COMCLASSTABLEC_H_
