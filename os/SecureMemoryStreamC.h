// SecureMemoryStreamC: a MemoryStreamC for secrets (passwords, keys, plain text of cipher
// text). Every buffer it lets go of, on growth, on shrinking and on destruction, is first
// overwritten with zeros over its whole capacity, and bytes cut off by shortening the stream
// are zeroed at once.
#ifndef QLM_OS_SECUREMEMORYSTREAMC_H_
#define QLM_OS_SECUREMEMORYSTREAMC_H_

#include <cstdint>

#include "os/MemoryStreamC.h"

class SecureMemoryStreamC final : public MemoryStreamC {
 public:
  explicit SecureMemoryStreamC(int64_t capacity = 0);
  ~SecureMemoryStreamC() override;
};

#endif  // QLM_OS_SECUREMEMORYSTREAMC_H_
