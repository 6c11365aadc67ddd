// The system calls behind the cryptographic provider: opening the cipher library (a trusted
// file by descriptor, or the system's by name), resolving its symbols, and clearing memory
// when the library is not there to do it.
#ifndef QLM_CMN_CMN_OPENSSLC_POSIX_H_
#define QLM_CMN_CMN_OPENSSLC_POSIX_H_

#include <cstddef>
#include <string>

// Opens the library file `path` under the trust rule: the file is opened through the safe-open
// helper (no planted link, trusted owners along the path when running as root) and must not be
// writable by group or others; the dynamic loader then maps exactly that open file. Returns the
// loader's handle, or null with *absent set when there is no such file (nothing reported) or
// with *why saying why the file was refused or could not be loaded (a refusal is also in the
// thread's error buffer).
void* cmn_CryptoOpenTrusted(const std::string& path, bool* absent, std::string* why) noexcept;
// Opens the library `name` along the dynamic loader's search path. Null with *why on failure.
void* cmn_CryptoOpenSystem(const std::string& name, std::string* why) noexcept;
// The file the loader mapped for `handle` ("" when unknown).
std::string cmn_CryptoMappedFile(void* handle) noexcept;
// The address of `name` in the library, or null.
void* cmn_CryptoSymbol(void* handle, const char* name) noexcept;
// Drops a handle that turned out unusable (missing symbols).
void cmn_CryptoClose(void* handle) noexcept;
// Clears `count` bytes in a way the compiler cannot drop.
void cmn_CryptoWipe(void* bytes, size_t count) noexcept;

#endif  // QLM_CMN_CMN_OPENSSLC_POSIX_H_
