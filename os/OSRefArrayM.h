// OSRefArrayM<T>: an array of reference-counted objects (T derives from RefCountC). The array
// holds one reference to each object it lists and drops it when the object leaves the array
// (Clear, Replace, destruction). It grows like every BlobArrayC: to
// ((capacity * 3 / 2) | 31) + 1 slots when full.
#ifndef QLM_OS_OSREFARRAYM_H_
#define QLM_OS_OSREFARRAYM_H_

#include <cstdint>

#include "base/ObjArrayC.h"
#include "base/RefCountC.h"

template <class T>
class OSRefArrayM {
 public:
  OSRefArrayM() noexcept : objects_(&ReleaseObject) {}
  OSRefArrayM(const OSRefArrayM&) = delete;
  OSRefArrayM& operator=(const OSRefArrayM&) = delete;

  uint64_t Count() const noexcept { return objects_.Count(); }
  bool IsEmpty() const noexcept { return objects_.IsEmpty(); }
  // The object at `index` (null when out of range), valid while it stays in the array; add a
  // reference to keep it longer.
  T* Get(uint64_t index) const noexcept {
    return static_cast<T*>(static_cast<RefCountC*>(objects_.Get(index)));
  }
  // Appends `object` (not null) with a reference of the array's own.
  void Add(T* object) {
    object->AddRef();
    objects_.Add(static_cast<RefCountC*>(object));
  }
  // Puts `object` (not null) in place of the object at `index` (which loses the array's
  // reference). False when `index` is out of range.
  bool Replace(uint64_t index, T* object) {
    if (index >= objects_.Count()) return false;
    object->AddRef();
    ReleaseObject(objects_.Detach(index));
    objects_.Insert(index, static_cast<RefCountC*>(object));
    return true;
  }
  // Drops every object.
  void Clear() noexcept { objects_.Clear(); }

 private:
  static void ReleaseObject(void* object) noexcept {
    if (object != nullptr) static_cast<RefCountC*>(object)->Release();
  }

  ObjArrayC objects_;
};

#endif  // QLM_OS_OSREFARRAYM_H_
