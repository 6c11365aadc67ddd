// ShBufC: a growable, NUL-terminated byte buffer owned by one thread, used to hand out text
// whose lifetime ends at the next call on the same thread (GetEnv results).
#ifndef QLM_ENV_SHBUFC_H_
#define QLM_ENV_SHBUFC_H_

#include <string>
#include <string_view>

class ShBufC {
 public:
  ShBufC() = default;
  ShBufC(const ShBufC&) = delete;
  ShBufC& operator=(const ShBufC&) = delete;
  ~ShBufC();

  // Replaces the content by `text` and returns the terminated copy. The pointer stays valid
  // until the next Set or Clear. Out of memory terminates.
  const char* Set(std::string_view text);
  // Empties the buffer and gives its memory back.
  void Clear() noexcept;
  const char* Get() const noexcept { return text_.c_str(); }

 private:
  std::string text_;
};

#endif  // QLM_ENV_SHBUFC_H_
