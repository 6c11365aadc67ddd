// OSRefM<T>: a handle holding one reference to a reference-counted object (a RefCountC), or
// nothing. Copies add a reference, destruction drops one.
#ifndef QLM_OS_OSREFM_H_
#define QLM_OS_OSREFM_H_

#include <utility>

template <class T>
class OSRefM {
 public:
  OSRefM() noexcept = default;
  // Adds a reference to `object` (null: an empty handle).
  explicit OSRefM(T* object) noexcept : object_(object) {
    if (object_ != nullptr) object_->AddRef();
  }
  OSRefM(const OSRefM& other) noexcept : OSRefM(other.object_) {}
  OSRefM(OSRefM&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  OSRefM& operator=(OSRefM other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~OSRefM() {
    if (object_ != nullptr) object_->Release();
  }

  T* Get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  T& operator*() const noexcept { return *object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

#endif  // QLM_OS_OSREFM_H_
