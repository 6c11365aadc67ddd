#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "cmn/cmn_Check.h"

namespace {

void WriteAll(const char* text) noexcept {
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, text, left);
    if (n <= 0) return;  // nothing better to do on the way to abort()
    text += n;
    left -= static_cast<size_t>(n);
  }
}

}  // namespace

void cmn_CheckFailed(const char* file, int line, const char* condition) noexcept {
  char number[16];
  int at = sizeof number - 1;
  number[at] = '\0';
  unsigned value = line > 0 ? static_cast<unsigned>(line) : 0;
  do {
    number[--at] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0 && at > 0);
  WriteAll(file);
  WriteAll(":");
  WriteAll(number + at);
  WriteAll(": check failed: ");
  WriteAll(condition);
  WriteAll("\n");
  std::abort();
}

bool cmn_OnMainThread() noexcept {
  return ::gettid() == ::getpid();
}
