#include "log/Trace.h"

#include <cstdarg>

#include "cmn/cmn_Services.h"
#include "cmn/cmn_TracerC.h"
#include "log/CredentialMask.h"
#include "log/TraceCategories.h"

namespace {

// Trace records hide what log lines hide: the tracer applies the log's credential masking to
// every record from before main on.
void MaskTraceText(std::string& record, size_t from) {
  // Edits in place; how much it changed is not needed.
  (void)MaskCredentials(record, from);
}
[[maybe_unused]] const bool g_TraceMaskInstalled =
    (cmn_TracerC::SetTextFilter(&MaskTraceText), true);

// Builds the list from `format` and traces it, unless the category is off.
void TraceList(cmn_TraceCategoryS& category, const char* format, va_list args) noexcept {
  if (!IsTraceEnabled(category)) return;
  const ArgListC list = ArgListC::FromFormatV(format, args);
  Trace(category, format, list);
}

}  // namespace

void Trace(cmn_TraceCategoryS& category, const char* format, const ArgListC& args) noexcept {
  cmn_TracerI* tracer = getTracer(2);
  if (tracer == nullptr) return;
  tracer->Trace(category.name, &category, format, args.Args());
}

void TraceV(cmn_TraceCategoryS& category, const char* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  TraceList(category, format, args);
  va_end(args);
}

bool IsTraceEnabled(cmn_TraceCategoryS& category) noexcept {
  if (const std::atomic<int32_t>* flag = category.flag.load(std::memory_order_acquire)) {
    return flag->load(std::memory_order_relaxed) != 0;
  }
  cmn_TracerI* tracer = getTracer(2);
  return tracer != nullptr && tracer->IsEnabled(category.name, &category) != 0;
}

void NetworkTrace(const char* format, ...) noexcept {
  va_list args;
  va_start(args, format);
  TraceList(TrcNetlib, format, args);
  va_end(args);
}
