// InetSocketC: a TCP socket stream to or from an internet address.
#ifndef QLM_NET_INETSOCKETC_H_
#define QLM_NET_INETSOCKETC_H_

#include <cstdint>

#include "net/InetAddressC.h"
#include "net/SockAddrC.h"
#include "net/SocketC.h"

class InetSocketC : public SocketC {
 public:
  InetSocketC();
  ~InetSocketC() override;
  const char* TypeName() const noexcept override { return "InetSocketC"; }

  // Opens a TCP socket of the address's family and connects it. With `non_blocking` the
  // connection completes later (the stream becomes writable; ConnectResult() tells how it
  // went) and 0 is returned at once; otherwise the call blocks until connected.
  // Failure: the errno code (the stream is left closed).
  [[nodiscard]] RcT Connect(const SockAddrC& address, bool non_blocking);
  // Resolves `host` when needed and connects to its address (see InetAddressC::GetAddress)
  // on `port`. Failure: the resolver's or the connection's code.
  [[nodiscard]] RcT Connect(InetAddressC& host, uint16_t port, bool non_blocking);
  // The outcome of a non-blocking connect once the stream is writable: 0 or the errno code.
  [[nodiscard]] RcT ConnectResult();

  // Opens a listening TCP socket on `address` (port 0: any free port; see LocalPort).
  [[nodiscard]] RcT Listen(const SockAddrC& address, int backlog);
  // Accepts one connection into `*accepted` (a new stream the caller owns; null on failure).
  [[nodiscard]] RcT Accept(InetSocketC** accepted);
  // The local port of the socket (0 when unknown).
  uint16_t LocalPort() const;
};

#endif  // QLM_NET_INETSOCKETC_H_
