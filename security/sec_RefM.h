// sec_RefM<T>: a counted reference to a RefCountC-derived object (key generators).
//
// Holding a sec_RefM is holding one reference: it adds it when it takes the object and
// releases it when it lets go, so the object lives as long as its last holder.
#ifndef QLM_SECURITY_SEC_REFM_H_
#define QLM_SECURITY_SEC_REFM_H_

#include <utility>

template <class T>
class sec_RefM {
 public:
  sec_RefM() noexcept = default;
  // Adds a reference to `object` (may be null).
  explicit sec_RefM(T* object) noexcept : object_(object) {
    if (object_ != nullptr) object_->AddRef();
  }
  sec_RefM(const sec_RefM& other) noexcept : sec_RefM(other.object_) {}
  sec_RefM(sec_RefM&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  sec_RefM& operator=(sec_RefM other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~sec_RefM() {
    if (object_ != nullptr) object_->Release();
  }

  T* Get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  // Releases the object held; holds nothing afterwards.
  void Reset() noexcept { sec_RefM().Swap(*this); }
  void Swap(sec_RefM& other) noexcept { std::swap(object_, other.object_); }

 private:
  T* object_ = nullptr;
};

#endif  // QLM_SECURITY_SEC_REFM_H_
