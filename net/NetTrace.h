// Tracing for the network layer.
//
// Network trace texts may begin with a time-stamp conversion, "%.12T" (clock time) or
// "%.23t" (date and time). The tracer's own record header carries the wall-clock time to the
// microsecond, so the stamp is rendered as the seconds.microseconds of the call (a "%t"
// argument); the rest of the text takes its arguments from the variable list as usual.
#ifndef QLM_NET_NETTRACE_H_
#define QLM_NET_NETTRACE_H_

#include "cmn/cmn_TracerI.h"

// Traces `format` under `category`; the list is built only when the category is on.
void NetTrace(cmn_TraceCategoryS& category, const char* format, ...) noexcept;

#endif  // QLM_NET_NETTRACE_H_
