// A string body that only holds text, for code that reads bodies handed to it (formatting,
// argument views) and must not depend on the real string factory.
#ifndef QLM_TESTS_TESTING_FAKESTRINGBODYC_H_
#define QLM_TESTS_TESTING_FAKESTRINGBODYC_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "cmn/cmn_StringBodyI.h"

namespace qlmtest {

// Utf8(), Length() (characters), IsEmpty() and IsAscii() answer from the text; every other
// operation is a neutral default (searches find nothing, changes do nothing, Factory() is
// null), so a test overrides only what its code under test reaches. Not reference-counted:
// the test owns the object and it must outlive every use.
class FakeStringBodyC final : public cmn_StringBodyI {
 public:
  explicit FakeStringBodyC(std::string utf8) : text_(std::move(utf8)) {}

  void AddRef() const noexcept override {}
  void Release() const noexcept override {}
  bool IsShared() const noexcept override { return false; }
  cmn_StringFactoryI* Factory() const noexcept override { return nullptr; }
  int64_t Length() const noexcept override;
  bool IsEmpty() const noexcept override { return text_.empty(); }
  int Compare(const cmn_StringBodyI&) const noexcept override { return 0; }
  int CompareNoCase(const cmn_StringBodyI&) const noexcept override { return 0; }
  int64_t FindChar(char32_t, int64_t) const noexcept override { return -1; }
  int64_t FindCharBackwards(char32_t, int64_t) const noexcept override { return -1; }
  int64_t FindText(const cmn_StringBodyI&, int64_t) const noexcept override { return -1; }
  int StartsWith(const cmn_StringBodyI&, int64_t) const noexcept override { return 1; }
  int64_t FindFirstOf(const cmn_StringBodyI&, int64_t) const noexcept override { return -1; }
  int64_t FindLastOf(const cmn_StringBodyI&, int64_t) const noexcept override { return -1; }
  int64_t FindFirstNotOf(const cmn_StringBodyI&, int64_t) const noexcept override { return -1; }
  int64_t FindLastNotOf(const cmn_StringBodyI&, int64_t) const noexcept override { return -1; }
  char32_t CharAt(int64_t) const noexcept override { return 0; }
  int64_t ByteLength(const char*) const noexcept override { return -1; }
  void* Bytes(const char*) const noexcept override { return nullptr; }
  void ReleaseBytes(void*, const char*) const noexcept override {}
  void Erase(int64_t, int64_t) noexcept override {}
  void Append(const cmn_StringBodyI&) noexcept override {}
  void AppendChar(char32_t) noexcept override {}
  void Insert(int64_t, const cmn_StringBodyI&) noexcept override {}
  void ToUpper() noexcept override {}
  void ToLower() noexcept override {}
  std::string_view Utf8() const noexcept override { return text_; }
  bool IsAscii() const noexcept override;

 private:
  std::string text_;
};

}  // namespace qlmtest

#endif  // QLM_TESTS_TESTING_FAKESTRINGBODYC_H_
