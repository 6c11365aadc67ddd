#include "net/InetSocketC.h"

#include <cerrno>
#include <cstring>

#include "net/NetErrors.h"
#include "net/Socket_posix.h"

InetSocketC::InetSocketC() = default;
InetSocketC::~InetSocketC() = default;

RcT InetSocketC::Connect(const SockAddrC& address, bool non_blocking) {
  if (address.IsEmpty()) return RC_INVALIDARG;
  if (const RcT rc = Open(address.Family(), kNetSockStream, kNetProtoTcp); RcFailed(rc)) {
    return rc;
  }
  // Each failure below closes first and notifies last: a listener may destroy the stream
  // when it hears of the error.
  if (non_blocking && NetSetNonBlocking(fd_, true) < 0) return CloseAfterError();
  if (NetConnect(fd_, address.Data(), address.Length()) < 0 &&
      !(non_blocking && errno == EINPROGRESS)) {
    return CloseAfterError();
  }
  Touch();
  return RC_OK;
}

RcT InetSocketC::Connect(InetAddressC& host, uint16_t port, bool non_blocking) {
  if (host.GetState() != InetAddressC::kDone) {
    if (const RcT rc = host.Resolve(); RcFailed(rc)) return rc;
  }
  const SockAddrC* chosen = host.GetAddress();
  if (chosen == nullptr) return RC_NET_RESOLVE;
  SockAddrRefC target(new SockAddrC(chosen->Data(), chosen->Length()));
  target->SetPort(port);
  return Connect(*target, non_blocking);
}

RcT InetSocketC::ConnectResult() {
  int error = 0;
  if (fd_ < 0) return NetRcFromErrno(EBADF);
  if (NetGetSocketError(fd_, &error) < 0) return NetLastError();
  return error == 0 ? RC_OK : NetRcFromErrno(error);
}

RcT InetSocketC::Listen(const SockAddrC& address, int backlog) {
  if (address.IsEmpty()) return RC_INVALIDARG;
  if (const RcT rc = Open(address.Family(), kNetSockStream, kNetProtoTcp); RcFailed(rc)) {
    return rc;
  }
  // Best effort: without reuse a quick restart may only wait for the port.
  (void)NetSetSockOptInt(fd_, kNetSolSocket, kNetSoReuseAddr, 1);
  if (NetBind(fd_, address.Data(), address.Length()) < 0 || NetListen(fd_, backlog) < 0) {
    return CloseAfterError();
  }
  return RC_OK;
}

RcT InetSocketC::Accept(InetSocketC** accepted) {
  if (accepted == nullptr) return RC_POINTER;
  *accepted = nullptr;
  const int fd = NetAccept(fd_, nullptr, nullptr);
  if (fd < 0) return NetworkError();
  auto* stream = new InetSocketC();
  stream->Attach(fd);
  Touch();
  *accepted = stream;
  return RC_OK;
}

uint16_t InetSocketC::LocalPort() const {
  unsigned char buffer[128] = {};
  size_t length = sizeof buffer;
  if (fd_ < 0 || NetGetSockName(fd_, buffer, &length) < 0) return 0;
  SockAddrRefC local(new SockAddrC(buffer, length));
  return local->Port();
}
