// RefCountC: the base of reference-counted objects.
//
// An object starts with a count of 0; whoever keeps it adds its own reference with AddRef and
// gives it back with Release, which destroys the object when the count reaches 0. The count is
// atomic, so references may be added and dropped from any thread; everything else about the
// object is the derived class's business.
#ifndef QLM_BASE_REFCOUNTC_H_
#define QLM_BASE_REFCOUNTC_H_

#include <atomic>
#include <cstdint>

class RefCountC {
 public:
  RefCountC(const RefCountC&) = delete;
  RefCountC& operator=(const RefCountC&) = delete;

  // Adds one reference. Never fails.
  void AddRef() const noexcept;
  // Drops one reference and deletes the object when it was the last one. Precondition: the
  // caller holds a reference. After the call the caller must not touch the object.
  void Release() const noexcept;
  // The current count; exact only while no other thread changes it.
  uint32_t RefCount() const noexcept { return count_.load(std::memory_order_acquire); }
  // True when more than one reference is held. A caller holding one reference that sees false
  // is the only holder, and stays so until it hands out another reference itself.
  bool IsShared() const noexcept { return RefCount() > 1; }

 protected:
  RefCountC() noexcept = default;
  // Called by Release at zero (or directly for an object that was never referenced).
  virtual ~RefCountC();

 private:
  mutable std::atomic<uint32_t> count_{0};
};

#endif  // QLM_BASE_REFCOUNTC_H_
