#include "base/StringMapC.h"

StringMapC::StringMapC(bool ignoreCase) noexcept : m_Table(ignoreCase) {}

StringMapC::~StringMapC() {
  m_Table.DeleteAll();
}

bool StringMapC::Set(const StringC& key, const StringC& value) {
  if (HashElemI* e = m_Table.FindString(key)) {
    static_cast<StringMapElementC*>(e)->SetValue(value);
    return false;
  }
  m_Table.Insert(new StringMapElementC(key, value));
  return true;
}

const StringC* StringMapC::Find(const StringC& key) const noexcept {
  const HashElemI* e = m_Table.FindString(key);
  return e != nullptr ? &static_cast<const StringMapElementC*>(e)->Value() : nullptr;
}

StringC StringMapC::Get(const StringC& key, const StringC& fallback) const {
  const StringC* v = Find(key);
  return v != nullptr ? *v : fallback;
}

bool StringMapC::Remove(const StringC& key) noexcept {
  return m_Table.DeleteString(key);
}

void StringMapC::Clear() noexcept {
  m_Table.DeleteAll();
}

StringArrayC StringMapC::Keys() const {
  StringArrayC result;
  HashTableC::IteratorC it(m_Table);
  while (const HashElemI* e = it.Next()) {
    result.Append(static_cast<const StringMapElementC*>(e)->KeyString());
  }
  return result;
}
