// StringKeyedHashC: a HashTableC keyed by StringC, case-sensitive or ignoring case.
//
// Case-sensitive tables hash with HashText and compare with StringC::Compare; tables that
// ignore case hash with HashTextNoCase and compare with StringC::CompareNoCase. In both, keys
// are equal only when their lengths are equal as well. Keys passed to the HashTableC
// operations are `const StringC*`; the elements' Key() must return one too
// (StringKeyedElemC does). The table does not own its elements (see HashTableC).
#ifndef QLM_BASE_STRINGKEYEDHASHC_H_
#define QLM_BASE_STRINGKEYEDHASHC_H_

#include "base/HashTableC.h"
#include "base/StringC.h"

// An element keyed by a string; derive from it to carry a value.
class StringKeyedElemC : public HashElemI {
 public:
  explicit StringKeyedElemC(const StringC& key) : key_(key) {}
  ~StringKeyedElemC() override;

  // Points at the key string (a `const StringC*`).
  const void* Key() const noexcept override { return &key_; }
  const StringC& KeyString() const noexcept { return key_; }

 private:
  // Immutable: the table files the element under the hash of this key.
  const StringC key_;
};

class StringKeyedHashC : public HashTableC {
 public:
  explicit StringKeyedHashC(bool ignoreCase) noexcept;
  ~StringKeyedHashC() override;

  bool IgnoresCase() const noexcept { return ignore_case_; }

  // `key` is a `const StringC*`.
  uint32_t Hash(const void* key) const noexcept override;
  // `elem->Key()` and `key` are `const StringC*`.
  bool Equals(const HashElemI* elem, const void* key) const noexcept override;

  // Typed forms of the keyed operations.
  HashElemI* FindString(const StringC& key) const noexcept { return Find(&key); }
  [[nodiscard]] HashElemI* RemoveString(const StringC& key) noexcept { return RemoveKey(&key); }
  bool DeleteString(const StringC& key) noexcept { return DeleteKey(&key); }

  // True when `a` and `b` are equal keys for this table.
  bool KeysEqual(const StringC& a, const StringC& b) const noexcept;

 private:
  bool ignore_case_;
};

#endif  // QLM_BASE_STRINGKEYEDHASHC_H_
