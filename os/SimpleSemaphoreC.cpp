#include "os/SimpleSemaphoreC.h"

#include "os/UNIXFileSimpleSemaphoreC.h"
#include "os/UNIXSimpleSemaphoreC.h"

std::unique_ptr<SimpleSemaphoreC> SimpleSemaphoreC::Create(const StringC& name, int32_t kind,
                                                           int64_t initialCount, int64_t option) {
  if (kind == c_KindFile) {
    return std::make_unique<UNIXFileSimpleSemaphoreC>(name, initialCount, option);
  }
  return std::make_unique<UNIXSimpleSemaphoreC>(name, initialCount, option);
}

SimpleSemaphoreC::~SimpleSemaphoreC() = default;

int SimpleSemaphoreC::TryAcquire() {
  return 0;
}
