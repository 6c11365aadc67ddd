#include "net/StreamC.h"

StreamC::~StreamC() = default;

RcT StreamC::ReadAll(void* buffer, size_t size) {
  auto* p = static_cast<unsigned char*>(buffer);
  while (size > 0) {
    size_t got = 0;
    if (const RcT rc = Read(p, size, 0, &got); RcFailed(rc)) return rc;
    if (got == 0) return RC_NET_NO_ERRNO;
    p += got;
    size -= got;
  }
  return RC_OK;
}

RcT StreamC::WriteAll(const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  while (size > 0) {
    size_t written = 0;
    if (const RcT rc = Write(p, size, &written); RcFailed(rc)) return rc;
    if (written == 0) return RC_NET_NO_ERRNO;
    p += written;
    size -= written;
  }
  return RC_OK;
}
