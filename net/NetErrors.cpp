#include "net/NetErrors.h"

#include <cerrno>

RcT NetLastError() noexcept {
  return NetRcFromErrno(errno);
}
