// Catalogued messages of the server layer (set 0x0B4); texts in messages/servers.txt.
#ifndef QLM_SERVERS_LKISERVERERRORS_H_
#define QLM_SERVERS_LKISERVERERRORS_H_

#include <cstdint>

// %1$s: the location's name. The URL is never part of a message (it may hold a password).
inline constexpr uint32_t LKI_E_BAD_URL = 0xE0B40001;
inline constexpr const char* LKI_T_BAD_URL =
    "The server location \"%1$s\" was not written because its URL is not valid.";
inline constexpr uint32_t LKI_E_WRITE = 0xE0B40002;
inline constexpr const char* LKI_T_WRITE =
    "The server location \"%1$s\" could not be written to the configuration store.";
inline constexpr uint32_t LKI_W_ENCRYPT = 0xE0B40003;
inline constexpr const char* LKI_T_ENCRYPT =
    "{w} The password of the server location \"%1$s\" could not be encrypted and was not stored.";
inline constexpr uint32_t LKI_W_REMOVE = 0xE0B40004;
inline constexpr const char* LKI_T_REMOVE =
    "{w} The server location \"%1$s\" could not be removed from the configuration store.";

#endif  // QLM_SERVERS_LKISERVERERRORS_H_
