#include "os/OutputStreamC.h"

#include <algorithm>

#include "os/InputStreamC.h"
#include "os/StreamErrors.h"

OutputStreamC::~OutputStreamC() = default;

RcT OutputStreamC::Close() {
  return RC_OK;
}

RcT OutputStreamC::Write(const void* /*buffer*/, int64_t /*length*/) {
  return os_Report(OS_E_STREAM_NO_WRITE, OS_T_STREAM_NO_WRITE);
}

RcT OutputStreamC::CopyFrom(InputStreamC& input, int64_t maxBytes, int64_t* copied) {
  unsigned char piece[c_CopyPieceSize];
  int64_t total = 0;
  RcT rc = RC_OK;
  for (;;) {
    int64_t want = c_CopyPieceSize;
    if (maxBytes > 0) {
      if (total >= maxBytes) break;
      want = std::min(want, maxBytes - total);
    }
    int64_t got = input.Read(piece, want);
    if (got == 0) break;
    if (got < 0) {
      // The input reported why; a copy cut short is not a finished copy.
      rc = RC_FAIL;
      break;
    }
    if (Write(piece, got) != RC_OK) {
      rc = os_Report(OS_E_STREAM_COPY_WRITE, OS_T_STREAM_COPY_WRITE);
      break;
    }
    total += got;
  }
  if (copied != nullptr) *copied = total;
  return rc;
}

RcT OutputStreamC::CopyFrom(InputStreamC& input) {
  return CopyFrom(input, 0, nullptr);
}

RcT OutputStreamC::Flush() {
  return RC_OK;
}

RcT OutputStreamC::SetLength(int64_t /*length*/) {
  return os_Report(OS_E_STREAM_NO_RESIZE, OS_T_STREAM_NO_RESIZE);
}
