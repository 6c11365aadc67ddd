// Result codes of the network layer and its one errno mapping.
#ifndef QLM_NET_NETERRORS_H_
#define QLM_NET_NETERRORS_H_

#include "cmn/cmn_Result.h"

// A URL text that cannot be taken apart (bad port, unclosed "[", ...).
inline constexpr RcT RC_NET_BAD_URL = 0xE0500001;
// A host name that the resolver could not turn into an address.
inline constexpr RcT RC_NET_RESOLVE = 0xE0500005;
// A stream with time-out enabled saw no activity for longer than the interface's time-out.
inline constexpr RcT RC_NET_TIMEOUT = 0xE0500013;
// A network call failed without setting errno.
inline constexpr RcT RC_NET_NO_ERRNO = 0xE05003E9;

// Default texts of the codes above (catalogued in messages/net.txt).
inline constexpr const char* kNetBadUrlText = "The URL is not valid: %1$s.";
inline constexpr const char* kNetResolveText = "The host name \"%1$s\" could not be resolved.";
inline constexpr const char* kNetTimeoutText = "The network connection timed out.";
inline constexpr const char* kNetNoErrnoText = "A network call failed without an error number.";

// The code of a failed network call that left `err` in errno: 0xE0000000 | (err & 0xFFFF), or
// RC_NET_NO_ERRNO when `err` is 0.
[[nodiscard]] constexpr RcT NetRcFromErrno(int err) noexcept {
  return err == 0 ? RC_NET_NO_ERRNO : cmn_RcFromErrno(err);
}

// NetRcFromErrno of the calling thread's current errno.
[[nodiscard]] RcT NetLastError() noexcept;

#endif  // QLM_NET_NETERRORS_H_
