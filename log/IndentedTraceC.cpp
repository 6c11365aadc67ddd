#include "log/IndentedTraceC.h"

#include "log/ErrMessages.h"
#include "messages/prefs_Messages.h"

namespace {

int32_t ValidMultiplier(int32_t multiplier) noexcept {
  return multiplier >= 0 && multiplier <= IndentedTraceC::c_MaxDepthMultiplier
             ? multiplier
             : IndentedTraceC::c_DefaultDepthMultiplier;
}

}  // namespace

IndentedTraceC::IndentedTraceC(uint32_t depth, int32_t depth_multiplier) noexcept
    : depth_(depth), depth_multiplier_(ValidMultiplier(depth_multiplier)) {}

IndentedTraceC::IndentedTraceC(const TraceC& flags, uint32_t depth,
                               int32_t depth_multiplier) noexcept
    : TraceC(flags), depth_(depth), depth_multiplier_(ValidMultiplier(depth_multiplier)) {}

IndentedTraceC::~IndentedTraceC() = default;

int32_t IndentedTraceC::ParseDepthMultiplier(const char* text) noexcept {
  if (text == nullptr) return c_DefaultDepthMultiplier;
  while (*text == ' ' || *text == '\t') ++text;
  if (*text < '0' || *text > '9') return c_DefaultDepthMultiplier;
  int32_t value = 0;
  while (*text >= '0' && *text <= '9') {
    value = value * 10 + (*text - '0');
    if (value > c_MaxDepthMultiplier) return c_DefaultDepthMultiplier;
    ++text;
  }
  while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n') ++text;
  return *text == '\0' ? value : c_DefaultDepthMultiplier;
}

size_t IndentedTraceC::IndentWidth() const noexcept {
  const uint64_t width = static_cast<uint64_t>(depth_) * static_cast<uint64_t>(depth_multiplier_);
  return width > c_MaxIndent ? c_MaxIndent : static_cast<size_t>(width);
}

std::string IndentedTraceC::Indent(std::string_view text) const {
  std::string line(IndentWidth(), ' ');
  line.append(text.data(), text.size());
  return line;
}

RcT TraceSetFlags(TraceC& trace, const char* text) {
  if (trace.Parse(text, true) != 0) return RC_OK;
  return ErrReport(TRACE_E_FLAGS, TRACE_T_FLAGS, ArgList << (text != nullptr ? text : ""));
}
