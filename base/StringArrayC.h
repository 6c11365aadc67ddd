// StringArrayC: an ordered, growable array of StringC handles.
//
// Used for argument lists, environment lists and multi-valued preferences. Each slot holds one
// handle (one reference to a string body); destruction and Clear() release every handle.
// Handles are moved between slots bytewise (a StringC is a single body pointer with no
// self-reference).
#ifndef QLM_BASE_STRINGARRAYC_H_
#define QLM_BASE_STRINGARRAYC_H_

#include <cstdint>
#include <initializer_list>

#include "base/BlobArrayC.h"
#include "base/StringC.h"

class StringArrayC : private BlobArrayC {
 public:
  // Compares two strings: negative, 0 or positive.
  using StringCompareFn = int (*)(const StringC& a, const StringC& b, void* context);

  StringArrayC() noexcept;
  StringArrayC(std::initializer_list<StringC> strings);
  // Copies share the string bodies.
  StringArrayC(const StringArrayC& other);
  StringArrayC& operator=(const StringArrayC& other);
  StringArrayC(StringArrayC&& other) noexcept;
  StringArrayC& operator=(StringArrayC&& other) noexcept;
  ~StringArrayC() override;

  // Releases every handle and frees the storage.
  void Clear() noexcept override;

  using BlobArrayC::Capacity;
  using BlobArrayC::Count;
  using BlobArrayC::IsEmpty;

  // The string at `index`, or null when out of range.
  const StringC* Get(uint64_t index) const noexcept {
    return static_cast<const StringC*>(BlobArrayC::Get(index));
  }
  // The string at `index`. Precondition: index < Count().
  const StringC& operator[](uint64_t index) const noexcept { return *Get(index); }
  // Replaces the string at `index`; false when out of range.
  bool Set(uint64_t index, const StringC& text);

  // Appends `text` (which may be an element of this array).
  void Append(const StringC& text);
  void Append(StringC&& text);
  // Inserts `text` at `index`, moving the following strings up; at or past the end appends.
  void Insert(uint64_t index, const StringC& text);
  // Appends every string of `other` in order (`other` may be this array).
  void AppendAll(const StringArrayC& other);
  // Removes the string at `index`; false when out of range.
  bool Remove(uint64_t index) noexcept;
  // The position of the first string equal to `text` (ignoring case when asked), or -1.
  int64_t IndexOf(const StringC& text, bool ignoreCase = false) const noexcept;

  // Sorts with `compare` (stable).
  void Sort(StringCompareFn compare, void* context = nullptr);
  // Sorts by StringC::Compare (code-point order).
  void Sort();

 private:
  StringC* Slot(uint64_t index) const noexcept {
    return static_cast<StringC*>(BlobArrayC::Get(index));
  }
};

#endif  // QLM_BASE_STRINGARRAYC_H_
