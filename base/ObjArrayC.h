// ObjArrayC: an array of owned object pointers.
//
// The array owns the objects it holds: Clear(), DeleteAt() and the destructor destroy them
// with the deleter given at construction (a function, so that any type can be held without a
// common base class; DeleterFor<T>() gives `delete static_cast<T*>(p)`). Detach() hands an
// object back to the caller without destroying it.
#ifndef QLM_BASE_OBJARRAYC_H_
#define QLM_BASE_OBJARRAYC_H_

#include "base/BlobArrayC.h"

class ObjArrayC : private BlobArrayC {
 public:
  // Destroys one object held by the array; never called with null.
  using DeleterFn = void (*)(void* object) noexcept;

  template <class T>
  static constexpr DeleterFn DeleterFor() noexcept {
    return [](void* object) noexcept { delete static_cast<T*>(object); };
  }

  // `deleter` must not be null.
  explicit ObjArrayC(DeleterFn deleter) noexcept;
  // Destroys every object.
  ~ObjArrayC() override;

  // Destroys every object (in order of position), then frees the storage.
  void Clear() noexcept override;

  using BlobArrayC::Capacity;
  using BlobArrayC::CompareFn;
  using BlobArrayC::Count;
  using BlobArrayC::IsEmpty;

  // The object at `index`, or null when out of range.
  void* Get(uint64_t index) const noexcept;
  // Takes ownership of `object` (null is stored as null) and appends it.
  void Add(void* object);
  // Takes ownership of `object` and inserts it at `index` (at or past the end: appends).
  void Insert(uint64_t index, void* object);
  // Removes the object at `index` from the array and returns it; the caller owns it. Null
  // when out of range.
  [[nodiscard]] void* Detach(uint64_t index) noexcept;
  // Removes and destroys the object at `index`. False when out of range.
  bool DeleteAt(uint64_t index) noexcept;
  // Sorts the pointers; `compare` receives the two objects (not the slots).
  void Sort(CompareFn compare, void* context);

 private:
  DeleterFn deleter_;
};

#endif  // QLM_BASE_OBJARRAYC_H_
