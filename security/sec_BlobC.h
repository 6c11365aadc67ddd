// sec_BlobC: a byte buffer for key material, plain text and cipher text.
//
// Owns its bytes and wipes them (OPENSSL_cleanse) before they are freed or replaced, so a
// buffer that once held a password or a key leaves nothing behind in freed memory. The
// length is 64 bits; the storage always has at least one byte, so Data() is never null and
// can be handed to library calls that reject null pointers even for empty input.
#ifndef QLM_SECURITY_SEC_BLOBC_H_
#define QLM_SECURITY_SEC_BLOBC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class sec_BlobC {
 public:
  // `length` zero bytes.
  explicit sec_BlobC(uint64_t length = 0);
  // A copy of `length` bytes at `bytes` (null `bytes` with length 0 is allowed).
  sec_BlobC(const void* bytes, uint64_t length);
  // The C string `text` and its terminating zero; a null `text` gives one zero byte.
  static std::unique_ptr<sec_BlobC> FromCString(const char* text);
  // `text` followed by one zero byte (the form in which passwords are encrypted).
  static std::unique_ptr<sec_BlobC> FromText(std::string_view text);
  // Wipes and frees the storage.
  ~sec_BlobC();

  sec_BlobC(const sec_BlobC&) = delete;
  sec_BlobC& operator=(const sec_BlobC&) = delete;

  unsigned char* Data() noexcept { return data_; }
  const unsigned char* Data() const noexcept { return data_; }
  uint64_t Length() const noexcept { return length_; }
  // The bytes up to the first zero byte, or all of them when there is none (never reads past
  // the buffer).
  std::string_view TextView() const noexcept;

  // Shortens the buffer to `length` (no effect when it is not shorter); the bytes cut off
  // are wiped at once.
  void Truncate(uint64_t length) noexcept;

  // Overwrites `count` bytes at `bytes` with zeros in a way the compiler does not remove.
  static void Wipe(void* bytes, size_t count) noexcept;

 private:
  unsigned char* data_;
  uint64_t length_;
  uint64_t capacity_;
};

#endif  // QLM_SECURITY_SEC_BLOBC_H_
