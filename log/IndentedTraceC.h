// IndentedTraceC: the per-task trace object, a TraceC (letter and level filter) that also keeps
// a nesting depth and indents trace text by depth × multiplier blanks.
//
// The multiplier comes from the preference "TraceDepthMultiplier" of section "Environment";
// this layer does not read preferences, so the owner of the task reads the value and hands it
// in (ParseDepthMultiplier turns the preference text into the multiplier).
//
// An object belongs to one task and is used under that task's lock; it is not synchronised.
#ifndef QLM_LOG_INDENTEDTRACEC_H_
#define QLM_LOG_INDENTEDTRACEC_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cmn/cmn_Result.h"
#include "log/TraceC.h"

class IndentedTraceC : public TraceC {
 public:
  static constexpr const char* c_DepthMultiplierKey = "TraceDepthMultiplier";
  static constexpr int32_t c_DefaultDepthMultiplier = 2;
  static constexpr int32_t c_MaxDepthMultiplier = 64;
  // Indentation never grows beyond this many blanks, whatever the depth.
  static constexpr size_t c_MaxIndent = 256;

  explicit IndentedTraceC(uint32_t depth = 0,
                          int32_t depth_multiplier = c_DefaultDepthMultiplier) noexcept;
  // Starts with the masks of `flags`.
  IndentedTraceC(const TraceC& flags, uint32_t depth, int32_t depth_multiplier) noexcept;
  ~IndentedTraceC() override;

  // The multiplier a preference text gives: a decimal integer from 0 to c_MaxDepthMultiplier
  // (blanks around it allowed); c_DefaultDepthMultiplier for a null, empty, non-numeric or
  // out-of-range text.
  static int32_t ParseDepthMultiplier(const char* text) noexcept;

  uint32_t Depth() const noexcept { return depth_; }
  void SetDepth(uint32_t depth) noexcept { depth_ = depth; }
  // One level deeper; one level back out (never below 0).
  void Enter() noexcept {
    if (depth_ < UINT32_MAX) ++depth_;
  }
  void Leave() noexcept {
    if (depth_ > 0) --depth_;
  }
  int32_t DepthMultiplier() const noexcept { return depth_multiplier_; }

  // depth × multiplier, at most c_MaxIndent.
  size_t IndentWidth() const noexcept;
  // `text` preceded by IndentWidth() blanks.
  std::string Indent(std::string_view text) const;

 private:
  uint32_t depth_;
  int32_t depth_multiplier_;
};

// Parses `text` into `trace` in enable mode. On a malformed text reports 0xE0A30002 "Cannot
// parse RKTRACE flags" with the text and returns that number (the items before the fault stay
// applied); returns 0 on success. A null text is an empty one.
[[nodiscard]] RcT TraceSetFlags(TraceC& trace, const char* text);

#endif  // QLM_LOG_INDENTEDTRACEC_H_
