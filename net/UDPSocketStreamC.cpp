#include "net/UDPSocketStreamC.h"

#include "log/TraceCategories.h"
#include "net/NetErrors.h"
#include "net/NetTrace.h"
#include "net/Socket_posix.h"

UDPSocketStreamC::UDPSocketStreamC() = default;
UDPSocketStreamC::~UDPSocketStreamC() = default;

RcT UDPSocketStreamC::Open(int family) {
  return SocketC::Open(family, kNetSockDgram, kNetProtoUdp);
}

RcT UDPSocketStreamC::Bind(const SockAddrC& address) {
  if (address.IsEmpty()) return RC_INVALIDARG;
  if (fd_ < 0) {
    if (const RcT rc = Open(address.Family()); RcFailed(rc)) return rc;
  }
  if (NetBind(fd_, address.Data(), address.Length()) < 0) return NetworkError();
  return RC_OK;
}

uint16_t UDPSocketStreamC::LocalPort() const {
  unsigned char buffer[128] = {};
  size_t length = sizeof buffer;
  if (fd_ < 0 || NetGetSockName(fd_, buffer, &length) < 0) return 0;
  SockAddrRefC local(new SockAddrC(buffer, length));
  return local->Port();
}

RcT UDPSocketStreamC::Write(const void* data, size_t size, size_t* written) {
  *written = 0;
  if (!peer_ || peer_->IsEmpty()) return RC_UNEXPECTED;
  NetTrace(TrcNetlibBasicWrite, "%.12T: sendto(%d, %d)", fd_, static_cast<int>(size));
  const ssize_t n = NetSendTo(fd_, data, size, peer_->Data(), peer_->Length());
  NetTrace(TrcNetlibBasicWrite, "%.12T: sendto(%d, %d) returns %d", fd_, static_cast<int>(size),
           static_cast<int>(n));
  writable_ = 0;
  if (n < 0) return NetworkError();
  Touch();
  *written = static_cast<size_t>(n);
  TraceData(false, data, *written);
  return RC_OK;
}
