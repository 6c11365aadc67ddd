#include "base/StringArrayC.h"

#include <new>
#include <type_traits>
#include <utility>

static_assert(sizeof(StringC) == sizeof(void*),
              "StringC slots are moved bytewise: a handle must be one body pointer");

namespace {

struct SortAdapter {
  StringArrayC::StringCompareFn compare;
  void* context;
};

int CompareSlots(const void* a, const void* b, void* context) {
  auto* adapter = static_cast<SortAdapter*>(context);
  return adapter->compare(*static_cast<const StringC*>(a), *static_cast<const StringC*>(b),
                          adapter->context);
}

int CompareOrdinal(const StringC& a, const StringC& b, void*) {
  return a.Compare(b);
}

}  // namespace

StringArrayC::StringArrayC() noexcept : BlobArrayC(sizeof(StringC)) {}

StringArrayC::StringArrayC(std::initializer_list<StringC> strings) : StringArrayC() {
  for (const StringC& s : strings) Append(s);
}

StringArrayC::StringArrayC(const StringArrayC& other) : StringArrayC() {
  AppendAll(other);
}

StringArrayC& StringArrayC::operator=(const StringArrayC& other) {
  if (this != &other) {
    StringArrayC copy(other);
    SwapStorage(copy);
  }
  return *this;
}

StringArrayC::StringArrayC(StringArrayC&& other) noexcept : StringArrayC() {
  SwapStorage(other);
}

StringArrayC& StringArrayC::operator=(StringArrayC&& other) noexcept {
  if (this != &other) {
    Clear();
    SwapStorage(other);
  }
  return *this;
}

StringArrayC::~StringArrayC() {
  StringArrayC::Clear();
}

void StringArrayC::Clear() noexcept {
  for (uint64_t i = 0; i < Count(); ++i) Slot(i)->~StringC();
  BlobArrayC::Clear();
}

bool StringArrayC::Set(uint64_t index, const StringC& text) {
  StringC* slot = Slot(index);
  if (slot == nullptr) return false;
  *slot = text;
  return true;
}

void StringArrayC::Append(const StringC& text) {
  // Copy before the storage may move: `text` may live in this array.
  StringC copy(text);
  Append(std::move(copy));
}

void StringArrayC::Append(StringC&& text) {
  StringC value(std::move(text));
  new (BlobArrayC::Append(nullptr)) StringC(std::move(value));
}

void StringArrayC::Insert(uint64_t index, const StringC& text) {
  StringC copy(text);
  new (BlobArrayC::Insert(index, nullptr)) StringC(std::move(copy));
}

void StringArrayC::AppendAll(const StringArrayC& other) {
  const uint64_t n = other.Count();
  for (uint64_t i = 0; i < n; ++i) Append(other[i]);
}

bool StringArrayC::Remove(uint64_t index) noexcept {
  StringC* slot = Slot(index);
  if (slot == nullptr) return false;
  slot->~StringC();
  return BlobArrayC::Remove(index);
}

int64_t StringArrayC::IndexOf(const StringC& text, bool ignoreCase) const noexcept {
  for (uint64_t i = 0; i < Count(); ++i) {
    const StringC& s = *Slot(i);
    if (ignoreCase ? s.EqualsNoCase(text) : s.Equals(text)) return static_cast<int64_t>(i);
  }
  return -1;
}

void StringArrayC::Sort(StringCompareFn compare, void* context) {
  if (compare == nullptr) return;
  SortAdapter adapter{compare, context};
  BlobArrayC::Sort(&CompareSlots, &adapter);
}

void StringArrayC::Sort() {
  Sort(&CompareOrdinal, nullptr);
}
