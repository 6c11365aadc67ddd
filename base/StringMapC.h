// StringMapC: a map from text to text, case-sensitive or ignoring case, on a StringKeyedHashC.
//
// The map owns its entries (StringMapElementC) and destroys them on removal, on Clear() and
// with itself. Iteration order is the hash table's, not the order of insertion. Not
// thread-safe: a map shared between threads is filled once before it is shared (the section
// table of the preference store is filled under a one-time guard) and only read afterwards.
#ifndef QLM_BASE_STRINGMAPC_H_
#define QLM_BASE_STRINGMAPC_H_

#include <cstdint>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "base/StringKeyedHashC.h"
#include "base/StringMapElementC.h"

class StringMapC {
 public:
  explicit StringMapC(bool ignoreCase = false) noexcept;
  StringMapC(const StringMapC&) = delete;
  StringMapC& operator=(const StringMapC&) = delete;
  // Destroys every entry.
  ~StringMapC();

  // Maps `key` to `value`, replacing the value of an equal key that is already present (the
  // key keeps its first spelling). True when a new entry was added.
  bool Set(const StringC& key, const StringC& value);
  // The value of `key`, or null when absent. Valid until the entry is changed or removed.
  const StringC* Find(const StringC& key) const noexcept;
  // The value of `key`, or `fallback` when absent.
  StringC Get(const StringC& key, const StringC& fallback = StringC()) const;
  bool Contains(const StringC& key) const noexcept { return Find(key) != nullptr; }
  // Removes the entry of `key`; false when there was none.
  bool Remove(const StringC& key) noexcept;
  // Removes every entry.
  void Clear() noexcept;

  uint64_t Count() const noexcept { return table_.Count(); }
  bool IsEmpty() const noexcept { return table_.Count() == 0; }
  bool IgnoresCase() const noexcept { return table_.IgnoresCase(); }
  // The keys as stored, in table order.
  StringArrayC Keys() const;

 private:
  StringKeyedHashC table_;
};

#endif  // QLM_BASE_STRINGMAPC_H_
