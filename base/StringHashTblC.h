// StringHashTblC: a HashTblC keyed by C strings.
//
// The key field of an element (at the table's key offset) is a `const char*`; a null key
// counts as the empty string. The bucket of a key is h mod size, where h starts at 0 and, for
// each byte taken as a signed character, h = rotate-left(h, 5) + byte (32-bit). Keys are equal
// when strcmp returns 0. Find(const char*) and friends take the text itself.
#ifndef QLM_BASE_STRINGHASHTBLC_H_
#define QLM_BASE_STRINGHASHTBLC_H_

#include "base/HashTblC.h"

class StringHashTblC : public HashTblC {
 public:
  // `keyOffset`: where the element's `const char*` key field lies (see HashTblC).
  StringHashTblC(const uint32_t* sizes, uint32_t sizeCount, bool ownsElements, size_t keyOffset);
  ~StringHashTblC() override;

  // The string hash h of `text` (null: "").
  static uint32_t HashString(const char* text) noexcept;

  // `key` is the address of a `const char*`.
  uint32_t Hash(uint32_t size, const void* key) const noexcept override;
  bool Equals(const void* key, const void* elementKey) const noexcept override;

  using HashTblC::Find;
  // The first element whose key text equals `text`, or null.
  ListElemI* FindText(const char* text) const noexcept { return Find(&text); }
};

#endif  // QLM_BASE_STRINGHASHTBLC_H_
