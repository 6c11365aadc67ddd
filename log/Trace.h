// Tracing under the named categories of TraceCategories.h through the tracer of the
// common-services layer (getTracer(2)).
//
// Trace texts name their class and operation ("RegKeyC::Open(): ..."); their conversions are
// mostly non-positional ("%s" a character string, "%S" a StringC, "%p", "%d", "%08lx") and are
// filled from the argument list in order. The tracer drops records of disabled categories
// itself; callers test IsTraceEnabled() first only where building the arguments is costly.
#ifndef QLM_LOG_TRACE_H_
#define QLM_LOG_TRACE_H_

#include "base/ArgListC.h"
#include "cmn/cmn_TracerI.h"

// Writes one record under `category`, `format` rendered with `args`. Never fails visibly.
void Trace(cmn_TraceCategoryS& category, const char* format,
           const ArgListC& args = ArgListNull) noexcept;

// The same with C variable arguments, typed by the conversions of `format` (see
// ArgListC::FromFormatV). The list is built only when the category is enabled.
void TraceV(cmn_TraceCategoryS& category, const char* format, ...) noexcept;

// True when `category` is enabled: reads the record's flag when the tracer has set its
// pointer, otherwise asks the tracer (which then fills the pointer in). Takes no lock once the
// pointer is set.
[[nodiscard]] bool IsTraceEnabled(cmn_TraceCategoryS& category) noexcept;

// TraceV under "Communication/Network/Library".
void NetworkTrace(const char* format, ...) noexcept;

#endif  // QLM_LOG_TRACE_H_
