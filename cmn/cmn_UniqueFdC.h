// Owner of one file descriptor: closes it when destroyed or reset.
#ifndef QLM_CMN_CMN_UNIQUEFDC_H_
#define QLM_CMN_CMN_UNIQUEFDC_H_

#include <unistd.h>

#include <utility>

class cmn_UniqueFdC {
 public:
  cmn_UniqueFdC() noexcept = default;
  explicit cmn_UniqueFdC(int fd) noexcept : fd_(fd) {}
  cmn_UniqueFdC(cmn_UniqueFdC&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  cmn_UniqueFdC& operator=(cmn_UniqueFdC&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  cmn_UniqueFdC(const cmn_UniqueFdC&) = delete;
  cmn_UniqueFdC& operator=(const cmn_UniqueFdC&) = delete;
  ~cmn_UniqueFdC() { Reset(); }

  int Get() const noexcept { return fd_; }
  bool IsValid() const noexcept { return fd_ >= 0; }
  // Gives up ownership without closing.
  [[nodiscard]] int Release() noexcept { return std::exchange(fd_, -1); }
  // Closes the current descriptor (if any) and owns `fd`.
  void Reset(int fd = -1) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

#endif  // QLM_CMN_CMN_UNIQUEFDC_H_
