// The tracer (getTracer()): diagnostic records under named categories.
//
// Categories are names of a tree written with "/" ("Communication/Process/List"). Tracing is
// off by default. An administrator switches it on with two environment variables read once
// when the tracer is first used:
//   QLMTRACE      comma-separated category prefixes to enable; a prefix matches a name that
//                 equals it or continues with "/" (so "Communication/Process" enables
//                 "Communication/Process/List"); "*" enables everything; an entry starting with
//                 "-" disables that subtree again (later entries win). A leading digit of a
//                 category name is a detail level and is ignored for matching.
//   QLMTRACEFILE  where records go: a file path (opened for appending, created 0600) or
//                 "stderr" / "-" (the default).
// Each record is one line written with a single write(2):
//   "YYYY-MM-DDThh:mm:ss.uuuuuuZ <pid>.<tid> <category>: <text>\n"
#ifndef QLM_CMN_CMN_TRACERI_H_
#define QLM_CMN_CMN_TRACERI_H_

#include <atomic>
#include <cstdint>
#include <string_view>

class cmn_ArgsI;

// A category record: one global per category. The tracer fills `flag` on first use with a
// flag it owns; afterwards callers test *flag without calling the tracer.
struct cmn_TraceCategoryS {
  std::atomic<std::atomic<int32_t>*> flag;
  const char* name;
};

// True when the record's category is on; the cheap test callers make before costly tracing.
[[nodiscard]] bool cmn_TraceIsOn(cmn_TraceCategoryS& category) noexcept;

class cmn_TracerI {
 public:
  // Nonzero when `name` is enabled. Fills `category->flag` when `category` is not null.
  virtual int IsEnabled(const char* name, cmn_TraceCategoryS* category) noexcept = 0;
  // Writes one record built from `format` and `args` (may be null), or nothing when the
  // category is off. Never fails visibly: a write error drops the record.
  virtual void Trace(const char* name, cmn_TraceCategoryS* category, const char* format,
                     const cmn_ArgsI* args) noexcept = 0;
  // Replaces the enabling rules (QLMTRACE syntax) and the destination (QLMTRACEFILE syntax;
  // empty keeps the current one). Updates every flag already handed out. Used by programs
  // with their own switches and by tests.
  virtual void Configure(std::string_view categories, std::string_view destination) = 0;

 protected:
  ~cmn_TracerI() = default;
};

#endif  // QLM_CMN_CMN_TRACERI_H_
