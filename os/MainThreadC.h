// MainThreadC: the registry's entry for the thread that first used the thread registry. It is
// never started or joined; its Run() returns 0.
#ifndef QLM_OS_MAINTHREADC_H_
#define QLM_OS_MAINTHREADC_H_

#include "os/ThreadC.h"

class MainThreadC final : public ThreadC {
 public:
  // Stands for the calling thread (state running).
  MainThreadC() noexcept;
  // Only frees the object.
  ~MainThreadC() override;
  int32_t Run() override { return 0; }
};

#endif  // QLM_OS_MAINTHREADC_H_
