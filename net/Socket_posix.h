// The socket system calls of the network layer. Each returns what the system call returns
// and leaves errno as it set it; interrupted calls are repeated where that is safe. Only the
// network layer calls them (and its tests and benchmarks): it turns errno into its code with
// NetLastError before a result leaves the layer.
#ifndef QLM_NET_SOCKET_POSIX_H_
#define QLM_NET_SOCKET_POSIX_H_

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// One descriptor to watch: `events` and `ready` are event bits (2 readable, 4 writable,
// 8 exceptional); `ready` may also hold kNetWatchHangup.
struct NetWatchS {
  int fd;
  uint32_t events;
  uint32_t ready;
};

int NetSocket(int family, int type, int protocol);
int NetSocketPair(int fds[2]);
int NetSetSockOptInt(int fd, int level, int option, int value);
int NetGetSocketError(int fd, int* error);
// FIONBIO.
int NetSetNonBlocking(int fd, bool on);
int NetConnect(int fd, const void* addr, size_t length);
int NetBind(int fd, const void* addr, size_t length);
int NetListen(int fd, int backlog);
// Returns the new descriptor (close-on-exec); `addr`/`length` may be null.
int NetAccept(int fd, void* addr, size_t* length);
int NetGetSockName(int fd, void* addr, size_t* length);
ssize_t NetRecv(int fd, void* buffer, size_t size, int flags);
// Never raises SIGPIPE.
ssize_t NetSend(int fd, const void* data, size_t size, int flags);
ssize_t NetSendTo(int fd, const void* data, size_t size, const void* addr, size_t length);
int NetClose(int fd);
// Set in `ready` whatever was asked for when the peer hung up, the descriptor has an error
// or is not open: such a descriptor stays "ready" on every later wait.
inline constexpr uint32_t kNetWatchHangup = 0x100;

// Watches `count` descriptors up to `timeout_ms` (-1: no limit). Fills `ready` with the asked
// bits that occurred (a peer that hung up or an error counts as readable and writable, as
// with select) plus kNetWatchHangup. Returns the number of descriptors the system reported
// (some may have no asked bit, only kNetWatchHangup), 0 on time-out, -1 on failure (errno
// EINTR when a signal interrupted the wait). Not restarted after a signal.
int NetWatch(NetWatchS* watches, size_t count, long timeout_ms);

// Symbolic values the stream classes need without the system headers.
extern const int kNetSockStream;
extern const int kNetSockDgram;
extern const int kNetProtoTcp;
extern const int kNetProtoUdp;
extern const int kNetSolSocket;
extern const int kNetSoSndBuf;
extern const int kNetSoRcvBuf;
extern const int kNetSoReuseAddr;

#endif  // QLM_NET_SOCKET_POSIX_H_
