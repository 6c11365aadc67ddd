// SockAddrC: a socket address in an owned buffer, shared by reference count.
//
// The buffer is 16 bytes for family 2 (IPv4) and 28 bytes for family 10 (IPv6), with the
// family in its first 16 bits; any other family has no buffer (length 0). An empty address
// renders as "unknown".
#ifndef QLM_NET_SOCKADDRC_H_
#define QLM_NET_SOCKADDRC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "base/RefCountC.h"
#include "base/StringC.h"

inline constexpr int kNetFamilyUnspec = 0;
inline constexpr int kNetFamilyIPv4 = 2;
inline constexpr int kNetFamilyIPv6 = 10;

// "IPv4", "IPv6", "Unspecified" or "Unknown".
const char* NetFamilyName(int family) noexcept;

class SockAddrC : public RefCountC {
 public:
  // A zeroed address of `family` (no buffer for other families).
  explicit SockAddrC(int family);
  // A copy of `length` bytes at `data` (a sockaddr of family 2 or 10; anything else or a
  // length too short for its family gives the empty address).
  SockAddrC(const void* data, size_t length);
  // The address written in `address`: a numeric address is converted directly, a name is
  // resolved and its first answer taken. Failures are traced and leave the address empty.
  explicit SockAddrC(const StringC& address);

  int Family() const noexcept;
  uint32_t Length() const noexcept { return length_; }
  const void* Data() const noexcept { return data_.get(); }
  void* MutableData() noexcept { return data_.get(); }
  bool IsEmpty() const noexcept { return length_ == 0; }
  // The port in host order (0 for an empty address).
  uint16_t Port() const noexcept;
  // Sets the port (given in host order); nothing for an empty address.
  void SetPort(uint16_t port) noexcept;
  // The numeric form ("127.0.0.1", "::1", "fe80::1%eth0"), or "unknown".
  std::string ToString() const;

 protected:
  ~SockAddrC() override;

 private:
  void Allocate(int family);

  uint32_t length_ = 0;
  std::unique_ptr<unsigned char[]> data_;
};

// Holds one reference to a SockAddrC (or none).
class SockAddrRefC {
 public:
  SockAddrRefC() noexcept = default;
  // Adds a reference to `p` (may be null).
  explicit SockAddrRefC(SockAddrC* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  SockAddrRefC(const SockAddrRefC& o) noexcept : SockAddrRefC(o.p_) {}
  SockAddrRefC(SockAddrRefC&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  SockAddrRefC& operator=(SockAddrRefC o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~SockAddrRefC() {
    if (p_) p_->Release();
  }
  SockAddrC* get() const noexcept { return p_; }
  SockAddrC* operator->() const noexcept { return p_; }
  SockAddrC& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept { SockAddrRefC().swap(*this); }
  void swap(SockAddrRefC& o) noexcept { std::swap(p_, o.p_); }

 private:
  SockAddrC* p_ = nullptr;
};

#endif  // QLM_NET_SOCKADDRC_H_
