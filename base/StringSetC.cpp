#include "base/StringSetC.h"

StringSetEntryC::~StringSetEntryC() = default;

StringSetC::StringSetC(bool ignoreCase) noexcept : table_(ignoreCase) {}

StringSetC::~StringSetC() {
  table_.DeleteAll();
}

bool StringSetC::Add(const StringC& text) {
  if (table_.FindString(text) != nullptr) return false;
  table_.Insert(new StringSetEntryC(text));
  return true;
}

bool StringSetC::Contains(const StringC& text) const noexcept {
  return table_.FindString(text) != nullptr;
}

const StringC* StringSetC::Lookup(const StringC& text) const noexcept {
  const HashElemI* e = table_.FindString(text);
  return e ? &static_cast<const StringSetEntryC*>(e)->KeyString() : nullptr;
}

bool StringSetC::Remove(const StringC& text) noexcept {
  return table_.DeleteString(text);
}

void StringSetC::Clear() noexcept {
  table_.DeleteAll();
}

StringArrayC StringSetC::ToArray() const {
  StringArrayC result;
  HashTableC::IteratorC it(table_);
  while (const HashElemI* e = it.Next()) {
    result.Append(static_cast<const StringSetEntryC*>(e)->KeyString());
  }
  return result;
}
