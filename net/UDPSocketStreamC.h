// UDPSocketStreamC: a datagram socket stream; writes go to the peer set with SetPeer.
#ifndef QLM_NET_UDPSOCKETSTREAMC_H_
#define QLM_NET_UDPSOCKETSTREAMC_H_

#include "net/SockAddrC.h"
#include "net/SocketC.h"

class UDPSocketStreamC : public SocketC {
 public:
  UDPSocketStreamC();
  ~UDPSocketStreamC() override;
  const char* TypeName() const noexcept override { return "UDPSocketStreamC"; }

  // Opens a UDP socket of `family`.
  [[nodiscard]] RcT Open(int family);
  // Binds the socket to `address` (port 0: any free port).
  [[nodiscard]] RcT Bind(const SockAddrC& address);
  // The address writes are sent to (shared).
  void SetPeer(SockAddrC* peer) noexcept { peer_ = SockAddrRefC(peer); }
  // The local port (0 when unknown).
  uint16_t LocalPort() const;

  // Sends one datagram of `size` bytes to the peer (sendto). Without a peer: RC_UNEXPECTED.
  [[nodiscard]] RcT Write(const void* data, size_t size, size_t* written) override;

 private:
  SockAddrRefC peer_;
};

#endif  // QLM_NET_UDPSOCKETSTREAMC_H_
