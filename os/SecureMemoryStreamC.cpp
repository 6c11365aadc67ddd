#include "os/SecureMemoryStreamC.h"

SecureMemoryStreamC::SecureMemoryStreamC(int64_t capacity) : MemoryStreamC(capacity, true) {}

// The base destructor frees the buffer; the wipe flag set at construction makes it wipe first.
SecureMemoryStreamC::~SecureMemoryStreamC() = default;
