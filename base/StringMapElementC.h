// StringMapElementC: one entry of a StringMapC - a key text and the text it maps to.
//
// The key is fixed for the life of the element (the map files the element under its hash);
// the value may be replaced while the element is in a map.
#ifndef QLM_BASE_STRINGMAPELEMENTC_H_
#define QLM_BASE_STRINGMAPELEMENTC_H_

#include "base/StringC.h"
#include "base/StringKeyedHashC.h"

class StringMapElementC : public StringKeyedElemC {
 public:
  StringMapElementC(const StringC& key, const StringC& value)
      : StringKeyedElemC(key), value_(value) {}
  ~StringMapElementC() override;

  const StringC& Value() const noexcept { return value_; }
  void SetValue(const StringC& value) noexcept { value_ = value; }

 private:
  StringC value_;
};

#endif  // QLM_BASE_STRINGMAPELEMENTC_H_
