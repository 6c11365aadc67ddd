#include "net/NetTrace.h"

#include <sys/time.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "base/ArgListC.h"
#include "log/Trace.h"

namespace {

// The stamp conversions a network trace may begin with.
constexpr const char* kStamps[] = {"%.12T", "%.23t"};

}  // namespace

void NetTrace(cmn_TraceCategoryS& category, const char* format, ...) noexcept {
  if (format == nullptr || !IsTraceEnabled(category)) return;
  const char* rest = format;
  bool stamped = false;
  for (const char* stamp : kStamps) {
    const size_t n = std::strlen(stamp);
    if (std::strncmp(format, stamp, n) == 0) {
      rest = format + n;
      stamped = true;
      break;
    }
  }
  va_list args;
  va_start(args, format);
  const ArgListC tail = ArgListC::FromFormatV(rest, args);
  va_end(args);
  if (!stamped) {
    Trace(category, format, tail);
    return;
  }
  try {
    timeval now{};
    gettimeofday(&now, nullptr);
    ArgListC list;
    list.AddTimeVal(now.tv_sec, now.tv_usec);
    for (size_t i = 0; i < tail.Count(); ++i) list.Add(*tail.At(i));
    const std::string text = std::string("%t") + rest;
    Trace(category, text.c_str(), list);
  } catch (...) {
    // Out of memory while tracing: drop the record.
  }
}
