#include "tests/testing/FakeStringBodyC.h"

namespace qlmtest {

int64_t FakeStringBodyC::Length() const noexcept {
  int64_t n = 0;
  for (unsigned char c : text_) n += (c & 0xC0) != 0x80;  // count every byte but continuations
  return n;
}

bool FakeStringBodyC::IsAscii() const noexcept {
  for (unsigned char c : text_) {
    if (c >= 0x80) return false;
  }
  return true;
}

}  // namespace qlmtest
