// StringSetC: a set of strings, case-sensitive or ignoring case, on a StringKeyedHashC.
//
// The set owns its entries (StringSetEntryC) and destroys them on removal and destruction.
// Iteration follows the hash table's buckets, not the order of insertion.
#ifndef QLM_BASE_STRINGSETC_H_
#define QLM_BASE_STRINGSETC_H_

#include <cstdint>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "base/StringKeyedHashC.h"

// One member of a StringSetC.
class StringSetEntryC : public StringKeyedElemC {
 public:
  explicit StringSetEntryC(const StringC& text) : StringKeyedElemC(text) {}
  ~StringSetEntryC() override;
};

class StringSetC {
 public:
  explicit StringSetC(bool ignoreCase = false) noexcept;
  StringSetC(const StringSetC&) = delete;
  StringSetC& operator=(const StringSetC&) = delete;
  // Destroys every entry.
  ~StringSetC();

  // Adds `text`; false when an equal string is already a member (the set is unchanged).
  bool Add(const StringC& text);
  bool Contains(const StringC& text) const noexcept;
  // The member equal to `text` as stored (its original case), or null.
  const StringC* Lookup(const StringC& text) const noexcept;
  // Removes the member equal to `text`; false when there was none.
  bool Remove(const StringC& text) noexcept;
  // Removes every member.
  void Clear() noexcept;

  uint64_t Count() const noexcept { return table_.Count(); }
  bool IsEmpty() const noexcept { return table_.Count() == 0; }
  bool IgnoresCase() const noexcept { return table_.IgnoresCase(); }
  // The members, in table order.
  StringArrayC ToArray() const;

 private:
  StringKeyedHashC table_;
};

#endif  // QLM_BASE_STRINGSETC_H_
