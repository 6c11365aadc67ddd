#include "os/InputStreamC.h"

#include "os/StreamErrors.h"

InputStreamC::~InputStreamC() = default;

RcT InputStreamC::Close() {
  return RC_OK;
}

int64_t InputStreamC::Read(void* /*buffer*/, int64_t /*length*/) {
  // Reported for the caller; the code it returns is not this function's result.
  (void)os_Report(OS_E_STREAM_NO_READ, OS_T_STREAM_NO_READ);
  return -1;
}

int64_t InputStreamC::GetLength() {
  // Reported for the caller; the code it returns is not this function's result.
  (void)os_Report(OS_E_STREAM_LENGTH, OS_T_STREAM_LENGTH);
  return -1;
}

bool InputStreamC::CanRead() const {
  return false;
}
bool InputStreamC::CanSeek() const {
  return false;
}
bool InputStreamC::CanWrite() const {
  return false;
}
