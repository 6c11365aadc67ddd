// The tracer behind getTracer(2).
//
// Enabling rules and the destination come from QLMTRACE / QLMTRACEFILE (see cmn_TracerI.h)
// when the process tracer is made, and from Configure() afterwards. Each distinct category
// name gets one flag owned by the tracer; the flags live as long as the tracer, at stable
// addresses, so category records can point at them and test them without a call.
//
// Locking: mutex_ guards the rules and the name -> flag map; write_mutex_ guards the
// destination and is held only around the write(2) of a record, so a Configure that swaps the
// file never closes a descriptor while a record is being written to it. Testing a filled
// category record takes no lock. Order: mutex_ before write_mutex_.
#ifndef QLM_CMN_CMN_TRACERC_H_
#define QLM_CMN_CMN_TRACERC_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cmn/cmn_MutexC.h"
#include "cmn/cmn_TracerI.h"

class cmn_TracerC final : public cmn_TracerI {
 public:
  // Reads QLMTRACE and QLMTRACEFILE (ignored in a set-user-id or set-group-id process, where
  // the environment belongs to the caller, not the program's owner).
  cmn_TracerC();
  // Uses the given rules and destination instead of the environment (empty destination:
  // standard error).
  cmn_TracerC(std::string_view categories, std::string_view destination);
  ~cmn_TracerC();
  cmn_TracerC(const cmn_TracerC&) = delete;
  cmn_TracerC& operator=(const cmn_TracerC&) = delete;

  // The process tracer, made on first use and never destroyed.
  static cmn_TracerC& Instance();

  // A filter applied to the text of every record (from byte `from` of `record` on) before
  // control characters are escaped: the log layer installs its credential masking here, so
  // trace records hide what log lines hide. Null removes it. Safe from any thread.
  using TextFilterT = void (*)(std::string& record, size_t from);
  static void SetTextFilter(TextFilterT filter) noexcept;

  int IsEnabled(const char* name, cmn_TraceCategoryS* category) noexcept override;
  void Trace(const char* name, cmn_TraceCategoryS* category, const char* format,
             const cmn_ArgsI* args) noexcept override;
  void Configure(std::string_view categories, std::string_view destination) override;

 private:
  // One entry of the rules text: a category prefix (leading detail digit and trailing "/"
  // removed) or "*" for every category.
  struct RuleS {
    std::string prefix;
    bool all = false;
    bool enable = true;
  };

  // Where records go. Owns its descriptor unless it is standard error.
  class SinkC {
   public:
    SinkC(int fd, bool owned) noexcept : fd_(fd), owned_(owned) {}
    ~SinkC();
    SinkC(const SinkC&) = delete;
    SinkC& operator=(const SinkC&) = delete;
    int Fd() const noexcept { return fd_; }

   private:
    int fd_;
    bool owned_;
  };

  static std::vector<RuleS> ParseRules(std::string_view text);
  static bool RulesEnable(const std::vector<RuleS>& rules, std::string_view name) noexcept;
  // "stderr", "-" or "" give standard error; anything else is a file opened for appending
  // through the safe-open helper, like the log (a regular file only, never through a
  // symbolic link or a path another user could change; a FIFO never blocks the opening),
  // created 0600. A file that cannot be opened falls back to standard error with a line
  // saying why, so records are not lost.
  static std::unique_ptr<SinkC> MakeSink(std::string_view destination);

  // The flag of `name`, made (and set from the current rules) when new. Takes mutex_.
  std::atomic<int32_t>* FlagFor(const char* name) QLM_EXCLUDES(mutex_);

  // Taken before write_mutex_ when both are held.
  cmn_MutexC mutex_ QLM_ACQUIRED_BEFORE(write_mutex_);
  std::vector<RuleS> rules_ QLM_GUARDED_BY(mutex_);
  std::map<std::string, std::atomic<int32_t>, std::less<>> flags_ QLM_GUARDED_BY(mutex_);
  cmn_MutexC write_mutex_;
  std::unique_ptr<SinkC> sink_ QLM_GUARDED_BY(write_mutex_);  // never null
};

#endif  // QLM_CMN_CMN_TRACERC_H_
