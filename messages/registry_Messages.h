// The registry layer's messages (messages/registry.def) as constants: for every message its number
// and the default text used when no catalog has words for it.
#ifndef QLM_MESSAGES_REGISTRY_MESSAGES_H_
#define QLM_MESSAGES_REGISTRY_MESSAGES_H_

#include <cstdint>

// In this order: the macros, the table, the end of the macros.
#include "messages/MessageConstantsBegin.inc"

#include "messages/registry.def"

#include "messages/MessageConstantsEnd.inc"

#endif  // QLM_MESSAGES_REGISTRY_MESSAGES_H_
