// Catalogued messages of the server layer (set 0x0B4); numbers and texts in messages/servers.def.
#ifndef QLM_SERVERS_LKISERVERERRORS_H_
#define QLM_SERVERS_LKISERVERERRORS_H_

// LKI_E_<name> / LKI_W_<name> with default text LKI_T_<name> (messages/servers.def). %1$s: the
// location's name. The URL is never part of a message (it may hold a password).
#include "messages/servers_Messages.h"

#endif  // QLM_SERVERS_LKISERVERERRORS_H_
