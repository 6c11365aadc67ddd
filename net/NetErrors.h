// Result codes of the network layer and its one errno mapping.
#ifndef QLM_NET_NETERRORS_H_
#define QLM_NET_NETERRORS_H_

#include "cmn/cmn_Result.h"
#include "messages/net_Messages.h"

// The layer's own codes RC_NET_<name> and their default texts kNet<Name>Text come from
// messages/net.def.

// The code of a failed network call that left `err` in errno: 0xE0000000 | (err & 0xFFFF), or
// RC_NET_NO_ERRNO when `err` is 0.
[[nodiscard]] constexpr RcT NetRcFromErrno(int err) noexcept {
  return err == 0 ? RC_NET_NO_ERRNO : cmn_RcFromErrno(err);
}

// NetRcFromErrno of the calling thread's current errno.
[[nodiscard]] RcT NetLastError() noexcept;

#endif  // QLM_NET_NETERRORS_H_
