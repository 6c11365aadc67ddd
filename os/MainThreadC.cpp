#include "os/MainThreadC.h"

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_Services.h"
#include "os/Thread_posix.h"

MainThreadC::MainThreadC() noexcept {
  is_main_ = true;
  id_.store(os_ThreadSelf(), std::memory_order_release);
  state_.store(c_StateRunning, std::memory_order_release);
  errbuf_ = getErrBuf();
}

MainThreadC::~MainThreadC() = default;
