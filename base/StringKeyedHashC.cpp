#include "base/StringKeyedHashC.h"

#include "base/TextUtil.h"

StringKeyedElemC::~StringKeyedElemC() = default;

StringKeyedHashC::StringKeyedHashC(bool ignoreCase) noexcept : ignore_case_(ignoreCase) {}

StringKeyedHashC::~StringKeyedHashC() = default;

uint32_t StringKeyedHashC::Hash(const void* key) const noexcept {
  const auto& text = *static_cast<const StringC*>(key);
  return ignore_case_ ? HashTextNoCase(text) : HashText(text);
}

bool StringKeyedHashC::KeysEqual(const StringC& a, const StringC& b) const noexcept {
  if (a.Length() != b.Length()) return false;
  return (ignore_case_ ? a.CompareNoCase(b) : a.Compare(b)) == 0;
}

bool StringKeyedHashC::Equals(const HashElemI* elem, const void* key) const noexcept {
  return KeysEqual(*static_cast<const StringC*>(elem->Key()), *static_cast<const StringC*>(key));
}
