#include "base/StringMapC.h"

StringMapC::StringMapC(bool ignoreCase) noexcept : table_(ignoreCase) {}

StringMapC::~StringMapC() {
  table_.DeleteAll();
}

bool StringMapC::Set(const StringC& key, const StringC& value) {
  if (HashElemI* e = table_.FindString(key)) {
    static_cast<StringMapElementC*>(e)->SetValue(value);
    return false;
  }
  table_.Insert(new StringMapElementC(key, value));
  return true;
}

const StringC* StringMapC::Find(const StringC& key) const noexcept {
  const HashElemI* e = table_.FindString(key);
  return e != nullptr ? &static_cast<const StringMapElementC*>(e)->Value() : nullptr;
}

StringC StringMapC::Get(const StringC& key, const StringC& fallback) const {
  const StringC* v = Find(key);
  return v != nullptr ? *v : fallback;
}

bool StringMapC::Remove(const StringC& key) noexcept {
  return table_.DeleteString(key);
}

void StringMapC::Clear() noexcept {
  table_.DeleteAll();
}

StringArrayC StringMapC::Keys() const {
  StringArrayC result;
  HashTableC::IteratorC it(table_);
  while (const HashElemI* e = it.Next()) {
    result.Append(static_cast<const StringMapElementC*>(e)->KeyString());
  }
  return result;
}
