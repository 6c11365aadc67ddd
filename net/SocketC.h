// SocketC: a stream over a socket descriptor, which it owns and closes.
//
// The poll watches the descriptor for the wanted events; a stream whose inactivity time-out
// expired is reported once with RC_NET_TIMEOUT (the time-out is then off until SetParam
// switches it on again, so that an unhandled time-out does not make every pass busy).
#ifndef QLM_NET_SOCKETC_H_
#define QLM_NET_SOCKETC_H_

#include <cstddef>

#include "net/StreamC.h"

class SocketC : public StreamC {
 public:
  // A stream without a descriptor (Open or Attach gives it one).
  SocketC();
  // Closes the descriptor.
  ~SocketC() override;
  const char* TypeName() const noexcept override { return "SocketC"; }
  int GetFd() const noexcept override { return fd_; }

  // Creates the socket (closing a previous one) and sets the send and receive buffers to
  // 32768 bytes. Failure: the errno code (also stored as the last error), no descriptor.
  [[nodiscard]] RcT Open(int family, int type, int protocol);
  // Takes ownership of `fd` (closing a previous descriptor); restarts the timer.
  void Attach(int fd) noexcept;
  // Hands the descriptor to the caller; the stream is left without one.
  [[nodiscard]] int Detach() noexcept;
  // Switches non-blocking mode. Failure: the errno code.
  [[nodiscard]] RcT SetNonBlocking(bool on);

  // The descriptor, or kNetPollProgress after reporting a time-out (see the class comment).
  int PollOrFd(uint32_t events) override;

  [[nodiscard]] RcT Read(void* buffer, size_t size, int flags, size_t* got) override;
  [[nodiscard]] RcT Write(const void* data, size_t size, size_t* written) override;
  bool IsReadable() override;
  bool IsWritable() override;
  [[nodiscard]] RcT Close() override;

 protected:
  // Stores and notifies the error of the last network call; returns its code. The listener
  // may destroy the stream from that notification: the caller returns the code at once and
  // touches nothing of the stream afterwards.
  [[nodiscard]] RcT NetworkError();
  // For a call that failed half-way through setting the socket up: closes the descriptor,
  // then stores and notifies the error of the last network call (taken before closing) and
  // returns its code. The notification comes last because the listener may destroy the
  // stream; the caller returns the code without touching the stream.
  [[nodiscard]] RcT CloseAfterError();
  // Traces and dumps data moved through the socket.
  void TraceData(bool received, const void* data, size_t size) const;
  // A zero-time readiness test of the descriptor for `bit`.
  bool TestReady(uint32_t bit);

  int fd_ = -1;
};

#endif  // QLM_NET_SOCKETC_H_
