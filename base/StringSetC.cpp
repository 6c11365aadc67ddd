#include "base/StringSetC.h"

StringSetEntryC::~StringSetEntryC() = default;

StringSetC::StringSetC(bool ignoreCase) noexcept : m_Table(ignoreCase) {}

StringSetC::~StringSetC() {
  m_Table.DeleteAll();
}

bool StringSetC::Add(const StringC& text) {
  if (m_Table.FindString(text) != nullptr) return false;
  m_Table.Insert(new StringSetEntryC(text));
  return true;
}

bool StringSetC::Contains(const StringC& text) const noexcept {
  return m_Table.FindString(text) != nullptr;
}

const StringC* StringSetC::Lookup(const StringC& text) const noexcept {
  const HashElemI* e = m_Table.FindString(text);
  return e ? &static_cast<const StringSetEntryC*>(e)->KeyString() : nullptr;
}

bool StringSetC::Remove(const StringC& text) noexcept {
  return m_Table.DeleteString(text);
}

void StringSetC::Clear() noexcept {
  m_Table.DeleteAll();
}

StringArrayC StringSetC::ToArray() const {
  StringArrayC result;
  HashTableC::IteratorC it(m_Table);
  while (const HashElemI* e = it.Next()) {
    result.Append(static_cast<const StringSetEntryC*>(e)->KeyString());
  }
  return result;
}
