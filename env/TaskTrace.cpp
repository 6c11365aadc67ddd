#include "env/TaskTrace.h"

#include <memory>
#include <string>

#include "env/PrefsLookup.h"
#include "env/TaskC.h"
#include "log/IndentedTraceC.h"

void ReplaceTaskTrace() {
  // Read before taking the task's trace, so that the preference lookup is not nested in it.
  std::string text;
  const bool set = GetPref(IndentedTraceC::c_DepthMultiplierKey, c_PrefsDefaultSection, &text);
  const int32_t multiplier = IndentedTraceC::ParseDepthMultiplier(set ? text.c_str() : nullptr);

  cmn_RecursiveLockC lock(TaskC::Mutex());
  TaskC* task = TaskC::first_task_p;
  if (task == nullptr) return;
  const TraceC* old = task->TraceLocked();
  if (old == nullptr) return;
  const auto* indented = dynamic_cast<const IndentedTraceC*>(old);
  const uint32_t depth = indented != nullptr ? indented->Depth() : 0;
  // The flags an administrator set before the replacement stay in force.
  std::unique_ptr<TraceC> replacement = std::make_unique<IndentedTraceC>(*old, depth, multiplier);
  // `old` is destroyed by the swap; nothing touches it afterwards.
  (void)task->ReplaceTraceLocked(std::move(replacement));
}

bool TaskStartHookIndentedTrace(TaskC& /*task*/) {
  ReplaceTaskTrace();
  return true;
}

RcT SetTaskTraceFlags(const char* text) {
  RcT rc = RC_FAIL;
  // Without a task the default above stands.
  (void)TaskC::WithTrace([&](TraceC& trace) { rc = TraceSetFlags(trace, text); });
  return rc;
}

RcT ApplyTraceFlagsFromEnvironment() {
  const char* text = GetEnv(c_TraceFlagsVariable);
  if (text == nullptr) return RC_OK;
  const std::string copy(text);  // GetEnv's buffer may be reused by a lookup while parsing
  return SetTaskTraceFlags(copy.c_str());
}

bool TaskTraceEnabled(uint32_t letter, uint32_t level) {
  bool enabled = false;
  // Without a task the default above stands.
  (void)TaskC::WithTrace([&](TraceC& trace) { enabled = trace.IsEnabled(letter, level); });
  return enabled;
}
