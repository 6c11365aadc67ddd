#include "net/Socket_posix.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

const int kNetSockStream = SOCK_STREAM;
const int kNetSockDgram = SOCK_DGRAM;
const int kNetProtoTcp = IPPROTO_TCP;
const int kNetProtoUdp = IPPROTO_UDP;
const int kNetSolSocket = SOL_SOCKET;
const int kNetSoSndBuf = SO_SNDBUF;
const int kNetSoRcvBuf = SO_RCVBUF;
const int kNetSoReuseAddr = SO_REUSEADDR;

int NetSocket(int family, int type, int protocol) {
  return socket(family, type | SOCK_CLOEXEC, protocol);
}

int NetSocketPair(int fds[2]) {
  return socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
}

int NetSetSockOptInt(int fd, int level, int option, int value) {
  return setsockopt(fd, level, option, &value, sizeof value);
}

int NetGetSocketError(int fd, int* error) {
  socklen_t len = sizeof *error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, error, &len);
}

int NetSetNonBlocking(int fd, bool on) {
  int value = on ? 1 : 0;
  return ioctl(fd, FIONBIO, &value);
}

int NetConnect(int fd, const void* addr, size_t length) {
  int rc;
  do {
    rc = connect(fd, static_cast<const sockaddr*>(addr), static_cast<socklen_t>(length));
  } while (rc < 0 && errno == EINTR);
  return rc;
}

int NetBind(int fd, const void* addr, size_t length) {
  return bind(fd, static_cast<const sockaddr*>(addr), static_cast<socklen_t>(length));
}

int NetListen(int fd, int backlog) {
  return listen(fd, backlog);
}

int NetAccept(int fd, void* addr, size_t* length) {
  socklen_t len = length ? static_cast<socklen_t>(*length) : 0;
  int rc;
  do {
    rc = accept4(fd, static_cast<sockaddr*>(addr), addr ? &len : nullptr, SOCK_CLOEXEC);
  } while (rc < 0 && errno == EINTR);
  if (rc >= 0 && length) *length = len;
  return rc;
}

int NetGetSockName(int fd, void* addr, size_t* length) {
  socklen_t len = static_cast<socklen_t>(*length);
  const int rc = getsockname(fd, static_cast<sockaddr*>(addr), &len);
  if (rc == 0) *length = len;
  return rc;
}

ssize_t NetRecv(int fd, void* buffer, size_t size, int flags) {
  ssize_t n;
  do {
    n = recv(fd, buffer, size, flags);
  } while (n < 0 && errno == EINTR);
  return n;
}

ssize_t NetSend(int fd, const void* data, size_t size, int flags) {
  ssize_t n;
  do {
    n = send(fd, data, size, flags | MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n;
}

ssize_t NetSendTo(int fd, const void* data, size_t size, const void* addr, size_t length) {
  ssize_t n;
  do {
    n = sendto(fd, data, size, MSG_NOSIGNAL, static_cast<const sockaddr*>(addr),
               static_cast<socklen_t>(length));
  } while (n < 0 && errno == EINTR);
  return n;
}

// Not repeated on EINTR: the descriptor is gone either way on Linux.
int NetClose(int fd) {
  return close(fd);
}

int NetWatch(NetWatchS* watches, size_t count, long timeout_ms) {
  // poll(2) rather than select(2): descriptors above FD_SETSIZE are watched safely.
  thread_local std::vector<pollfd> fds;
  fds.resize(count);
  for (size_t i = 0; i < count; ++i) {
    short ev = 0;
    if (watches[i].events & 2u) ev |= POLLIN;
    if (watches[i].events & 4u) ev |= POLLOUT;
    if (watches[i].events & 8u) ev |= POLLPRI;
    fds[i] = pollfd{watches[i].fd, ev, 0};
    watches[i].ready = 0;
  }
  const int timeout =
      timeout_ms < 0 ? -1 : (timeout_ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(timeout_ms));
  const int rc = poll(fds.data(), static_cast<nfds_t>(count), timeout);
  if (rc <= 0) return rc;
  for (size_t i = 0; i < count; ++i) {
    const short re = fds[i].revents;
    uint32_t ready = 0;
    // As select() does: a hang-up or an error makes the descriptor readable and writable
    // (the next read or write reports it).
    if (re & (POLLIN | POLLHUP | POLLERR)) ready |= 2u;
    if (re & (POLLOUT | POLLERR | POLLHUP)) ready |= 4u;
    if (re & POLLPRI) ready |= 8u;
    if (re & POLLNVAL) ready |= watches[i].events & 6u;
    ready &= watches[i].events;
    if (re & (POLLHUP | POLLERR | POLLNVAL)) ready |= kNetWatchHangup;
    watches[i].ready = ready;
  }
  return rc;
}
