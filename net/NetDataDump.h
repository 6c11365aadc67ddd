// The hexadecimal dump of data traced by the sockets.
#ifndef QLM_NET_NETDATADUMP_H_
#define QLM_NET_NETDATADUMP_H_

#include <cstddef>
#include <string_view>

// Sixteen bytes a line: "%04x: " with the offset, each byte as "%02x " (three blanks for
// each missing byte of the last line), "| " and the bytes as characters, a blank for each
// byte that is not a printable, non-blank ASCII character; lines separated by line feeds.
// The text lives in one buffer reused by every call of the process (not thread-safe); it is
// valid until the next call. An empty input gives "".
std::string_view NetDataDump(const void* data, size_t size);

#endif  // QLM_NET_NETDATADUMP_H_
