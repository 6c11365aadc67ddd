#include "net/SocketC.h"

#include <cerrno>

#include "log/Trace.h"
#include "log/TraceCategories.h"
#include "net/NetDataDump.h"
#include "net/NetErrors.h"
#include "net/NetTrace.h"
#include "net/Socket_posix.h"
#include "net/StreamRegistryC.h"

namespace {

constexpr int kSocketBufferSize = 32768;

}  // namespace

SocketC::SocketC() = default;

SocketC::~SocketC() {
  // Best effort: a failed close leaves nothing to undo here.
  if (fd_ >= 0) (void)Close();
}

RcT SocketC::NetworkError() {
  const RcT code = NetLastError();
  NetTrace(TrcNetlibBasicError, "%.12T: network error %d occurred",
           static_cast<int>(code & 0xFFFFu));
  SetError(code);
  return code;
}

RcT SocketC::CloseAfterError() {
  const RcT code = NetLastError();
  NetTrace(TrcNetlibBasicError, "%.12T: network error %d occurred",
           static_cast<int>(code & 0xFFFFu));
  // Best effort: a failed close leaves nothing to undo here.
  (void)Close();
  SetError(code);  // last: the listener may destroy this stream
  return code;
}

RcT SocketC::Open(int family, int type, int protocol) {
  // Best effort: a failed close leaves nothing to undo here.
  if (fd_ >= 0) (void)Close();
  const int fd = NetSocket(family, type, protocol);
  NetTrace(TrcNetlibBasicSocket, "%.12T: socket() returns %d", fd);
  NetTrace(TrcNetlibDetailSocket, "SocketC %p->socket(%d, %d, %d) returns fd %d",
           static_cast<const void*>(this), family, type, protocol, fd);
  if (fd < 0) return NetworkError();
  fd_ = fd;
  int rc = NetSetSockOptInt(fd_, kNetSolSocket, kNetSoSndBuf, kSocketBufferSize);
  NetTrace(TrcNetlibBasicSocket, "%.12T: setsockopt(%d, SO_SNDBUF, %d) returned %d", fd_,
           kSocketBufferSize, rc);
  rc = NetSetSockOptInt(fd_, kNetSolSocket, kNetSoRcvBuf, kSocketBufferSize);
  NetTrace(TrcNetlibBasicSocket, "%.12T: setsockopt(%d, SO_RCVBUF, %d) returned %d", fd_,
           kSocketBufferSize, rc);
  Touch();
  return RC_OK;
}

void SocketC::Attach(int fd) noexcept {
  // Best effort: a failed close leaves nothing to undo here.
  if (fd_ >= 0) (void)Close();
  fd_ = fd;
  hung_up_fd_ = -1;
  Touch();
}

int SocketC::Detach() noexcept {
  const int fd = fd_;
  fd_ = -1;
  hung_up_fd_ = -1;
  return fd;
}

RcT SocketC::SetNonBlocking(bool on) {
  const int rc = NetSetNonBlocking(fd_, on);
  NetTrace(TrcNetlibBasicSocket, "%.12T: ioctl(%d, FIONBIO, %d) returns %d", fd_, on ? 1 : 0, rc);
  return rc < 0 ? NetworkError() : RC_OK;
}

int SocketC::PollOrFd(uint32_t events) {
  NetTrace(TrcNetlibDetailSocket, "%.12T: %p->SocketC::PollOrFd()", static_cast<const void*>(this));
  if (TimedOut()) {
    // Reported once; the listener switches the time-out on again if it wants another.
    timeout_enabled_ = false;
    SetError(RC_NET_TIMEOUT);
    return kNetPollProgress;
  }
  return fd_;
}

void SocketC::TraceData(bool received, const void* data, size_t size) const {
  cmn_TraceCategoryS& category = received ? TrcNetlibBasicReadData : TrcNetlibBasicWriteData;
  if (size == 0 || !IsTraceEnabled(category)) return;
  const std::string dump(NetDataDump(data, size));
  NetTrace(category, received ? "Received %d bytes:\n%s" : "Sent %d bytes:\n%s",
           static_cast<int>(size), dump.c_str());
}

RcT SocketC::Read(void* buffer, size_t size, int flags, size_t* got) {
  *got = 0;
  NetTrace(TrcNetlibBasicRead, "%.12T: read(%d, %d)", fd_, static_cast<int>(size));
  errno = 0;
  const ssize_t n = fd_ >= 0 ? NetRecv(fd_, buffer, size, flags) : -1;
  if (fd_ < 0) errno = EBADF;
  NetTrace(TrcNetlibBasicRead, "%.12T: read(%d, %d) returns %d", fd_, static_cast<int>(size),
           static_cast<int>(n));
  readable_ = 0;
  if (n < 0) return NetworkError();
  Touch();
  *got = static_cast<size_t>(n);
  TraceData(true, buffer, *got);
  return RC_OK;
}

RcT SocketC::Write(const void* data, size_t size, size_t* written) {
  *written = 0;
  NetTrace(TrcNetlibBasicWrite, "%.12T: write(%d, %d)", fd_, static_cast<int>(size));
  errno = 0;
  const ssize_t n = fd_ >= 0 ? NetSend(fd_, data, size, 0) : -1;
  if (fd_ < 0) errno = EBADF;
  NetTrace(TrcNetlibBasicWrite, "%.12T: write(%d, %d) returns %d", fd_, static_cast<int>(size),
           static_cast<int>(n));
  writable_ = 0;
  if (n < 0) return NetworkError();
  Touch();
  *written = static_cast<size_t>(n);
  TraceData(false, data, *written);
  return RC_OK;
}

bool SocketC::TestReady(uint32_t bit) {
  if (fd_ < 0) return false;
  uint32_t ready = 0;
  // A failed wait leaves `ready` 0: the descriptor counts as not ready, which is all this
  // zero-time test answers.
  return StreamRegistryC::WaitFd(fd_, bit, 0, &ready) == RC_OK && (ready & bit) != 0;
}

bool SocketC::IsReadable() {
  if (readable_) return true;
  if (TestReady(kNetEventReadable)) readable_ = 1;
  return readable_ != 0;
}

bool SocketC::IsWritable() {
  if (writable_) return true;
  if (TestReady(kNetEventWritable)) writable_ = 1;
  return writable_ != 0;
}

RcT SocketC::Close() {
  if (fd_ < 0) return RC_OK;
  const int fd = fd_;
  NetTrace(TrcNetlibBasicClose, "%.12T: close(%d)", fd);
  errno = 0;
  const int rc = NetClose(fd);
  const int err = errno;
  NetTrace(TrcNetlibDetailSocket, "SocketC %p->close(%d) returned %d",
           static_cast<const void*>(this), fd, rc);
  fd_ = -1;
  hung_up_fd_ = -1;
  readable_ = 0;
  writable_ = 0;
  Touch();
  return rc < 0 ? NetRcFromErrno(err) : RC_OK;
}
