#include "base/ObjArrayC.h"

#include <cstring>

namespace {

void* LoadPtr(const void* slot) noexcept {
  void* p;
  std::memcpy(&p, slot, sizeof p);
  return p;
}

struct SortAdapter {
  BlobArrayC::CompareFn compare;
  void* context;
};

int CompareObjects(const void* a, const void* b, void* context) {
  auto* adapter = static_cast<SortAdapter*>(context);
  return adapter->compare(LoadPtr(a), LoadPtr(b), adapter->context);
}

}  // namespace

ObjArrayC::ObjArrayC(DeleterFn deleter) noexcept : BlobArrayC(sizeof(void*)), deleter_(deleter) {}

ObjArrayC::~ObjArrayC() {
  ObjArrayC::Clear();
}

void ObjArrayC::Clear() noexcept {
  for (uint64_t i = 0; i < Count(); ++i) {
    void* object = LoadPtr(BlobArrayC::Get(i));
    if (object != nullptr) deleter_(object);
  }
  BlobArrayC::Clear();
}

void* ObjArrayC::Get(uint64_t index) const noexcept {
  const void* slot = BlobArrayC::Get(index);
  return slot ? LoadPtr(slot) : nullptr;
}

void ObjArrayC::Add(void* object) {
  BlobArrayC::Append(&object);
}

void ObjArrayC::Insert(uint64_t index, void* object) {
  BlobArrayC::Insert(index, &object);
}

void* ObjArrayC::Detach(uint64_t index) noexcept {
  const void* slot = BlobArrayC::Get(index);
  if (slot == nullptr) return nullptr;
  void* object = LoadPtr(slot);
  BlobArrayC::Remove(index);
  return object;
}

bool ObjArrayC::DeleteAt(uint64_t index) noexcept {
  if (index >= Count()) return false;
  void* object = Detach(index);
  if (object != nullptr) deleter_(object);
  return true;
}

void ObjArrayC::Sort(CompareFn compare, void* context) {
  if (compare == nullptr) return;
  SortAdapter adapter{compare, context};
  BlobArrayC::Sort(&CompareObjects, &adapter);
}
