// The task's trace object: replacing it by an indented one, setting its flags, and reading the
// administrator's "RKTRACE" setting at start.
//
// RKTRACE holds a level specification (see TraceC): e.g. "A-z" switches every letter on,
// "G0-3,T" levels 0 to 3 of component G and every level of T. It is read with GetEnv, so it may
// come from the process environment or from section "Environment" of the preference files.
#ifndef QLM_ENV_TASKTRACE_H_
#define QLM_ENV_TASKTRACE_H_

#include <cstdint>

#include "cmn/cmn_Result.h"

class TaskC;

inline constexpr const char* c_TraceFlagsVariable = "RKTRACE";

// Gives the current task a new IndentedTraceC that keeps the depth and the flags of the trace
// object it replaces (which is destroyed); the multiplier is the preference
// "TraceDepthMultiplier" of section "Environment" (2 when absent). Nothing without a task.
void ReplaceTaskTrace();
// A start-up hook for TaskC::Initialize that calls ReplaceTaskTrace; always true.
bool TaskStartHookIndentedTrace(TaskC& task);
// Parses `text` into the current task's trace object in enable mode: 0, 0xE0A30002 (reported)
// when the text is malformed, RC_FAIL without a task.
[[nodiscard]] RcT SetTaskTraceFlags(const char* text);
// Applies GetEnv("RKTRACE") with SetTaskTraceFlags; 0 when it is unset.
[[nodiscard]] RcT ApplyTraceFlagsFromEnvironment();
// True when level `level` of component `letter` passes the task's trace object (false without
// a task).
[[nodiscard]] bool TaskTraceEnabled(uint32_t letter, uint32_t level);

#endif  // QLM_ENV_TASKTRACE_H_
