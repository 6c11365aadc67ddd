// PrefsFileSetC: the preference files found by one search along a search path, in load order,
// with the lookups and changes made over them.
//
// Lookups consult the files in load order; the first file with a live value for the key wins.
// For the section "Environment" (any case) the process environment comes first: the variable
// named by the key, then the key in upper case with "OUI" put in front unless it already
// starts with "OUI" (any case). Lookups never fail: they give the caller's default.
//
// Every lookup and change takes the set's error-checking latch for its whole duration and
// calls no other public operation while holding it; a nested call from the same thread (which
// would deadlock an ordinary mutex) fails the latch and gives the default, or false for a
// change. Results are copies, so they stay valid whatever happens to the set afterwards. The
// search takes the latch only around each change it makes to the set, never while it expands
// a path: the expansion may look up the task's set, whose lookups run under the task's mutex.
//
// Diagnostics: when "OUIPREFSDEBUG" is set (the empty text included) when the set is created,
// the search reports what it tries into a text printed on standard output at the end of the
// search, and lookups and changes of watched keys (names that contain the variable's text or
// are contained in it, ignoring case) report their outcome, printed at once.
#ifndef QLM_ENV_PREFSFILESETC_H_
#define QLM_ENV_PREFSFILESETC_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ArgListC.h"
#include "env/PrefsC.h"
#include "env/PrefsPathC.h"
#include "env/PrefsSystem_posix.h"
#include "os/LatchC.h"

class PrefsFileSetC {
 public:
  static constexpr const char* c_EnvironmentSection = "Environment";
  static constexpr const char* c_DebugVariable = "OUIPREFSDEBUG";
  // Redirections ("OUIPREFSPATH" inside a file) followed inside one another at most.
  static constexpr int c_MaxRedirections = 8;

  // Creates a set and runs the search: `search_path` (not null and not empty) first; when
  // that search does not stop, the default search path. `task` gives the values of the %
  // codes and is copied. Runs on the creating thread before any other thread can see the set.
  static std::unique_ptr<PrefsFileSetC> Create(const char* search_path, const PrefsTaskInfoS& task);
  PrefsFileSetC(const PrefsFileSetC&) = delete;
  PrefsFileSetC& operator=(const PrefsFileSetC&) = delete;
  ~PrefsFileSetC();

  // The value of `key` in `section`: true with a copy in `value`, false (value untouched) when
  // no file has it. Null section or key: false.
  [[nodiscard]] bool Find(const char* section, const char* key, std::string* value) const;
  // The value, or `default_value` (null: "") when none.
  std::string GetString(const char* section, const char* key, const char* default_value) const;
  // "true" or the locale's yes word give true, "false" or its no word false (ignoring case);
  // else a first character "0" or "1" decides; anything else, missing or empty: the default.
  bool GetBool(const char* section, const char* key, bool default_value) const;
  // The position of the value among the words of `tags` (ignoring case); the default when the
  // value is missing, empty or no tag.
  int16_t GetEnum(const char* section, const char* key, const char* tags,
                  int16_t default_value) const;
  // Bit i set for every word of the value equal (ignoring case) to word i of `tags` (the
  // first 64 tags); the default only when the value is missing.
  uint64_t GetMask(const char* section, const char* key, const char* tags,
                   uint64_t default_value) const;

  // Stores the value in the first file of the set, marked as set by the program. Without any
  // file, or with an empty section or key, reports 0xE0110016 and returns false.
  bool SetValue(const char* section, const char* key, const char* value);
  bool SetBool(const char* section, const char* key, bool value);  // "true" / "false"
  bool SetLong(const char* section, const char* key, long value);  // "%ld"
  // Stores word `index` of `tags` (0 is the first). Without such a word stores nothing,
  // reports 0xE0110003 and returns false.
  bool SetEnum(const char* section, const char* key, const char* tags, int16_t index);
  // Stores the words of `tags` whose bit is set in `mask`, in tag order, joined by blanks.
  // When `mask` has bits beyond the last tag, still stores the words it has, reports
  // 0xE0110004 and returns false.
  bool SetMask(const char* section, const char* key, const char* tags, uint64_t mask);

  // The first candidate file (the file changes go to), "" when none.
  std::string FirstName() const;
  // The last file found, "" when none.
  std::string LastFound() const;
  // The files of the set in load order (a first candidate that did not exist included).
  std::vector<std::string> FileNames() const;
  // The files the search refused because another user could change them (or they are no
  // regular files), each as one sentence naming the file and the reason; the search ended at
  // the first. Nothing of this is left in the error buffer: the program reports these once.
  std::vector<std::string> Refusals() const;
  bool DiagnosticsOn() const noexcept { return diag_text_.has_value(); }

  // Tests: lets the next set created with diagnostics on write the one-time header again.
  static void ForgetDiagnosticHeader() noexcept;

 private:
  class SearchContextC;

  explicit PrefsFileSetC(const PrefsTaskInfoS& task);

  // Searches `path`; true means stop. `found_in` is the file holding the path (for %P).
  bool Search(const std::string& path, const std::string* found_in, int depth);
  // Tries one file: true means stop.
  // `known` is the kind of `file` when the caller has just looked it up (saves a second stat of
  // the same path); it is ignored when the suffix has to be added.
  bool TryFile(std::string file, int depth, std::optional<PrefsFileKindE> known = std::nullopt);
  // Tries `file` unless the search has stopped already.
  void Try(const std::string& file, int depth, bool* stopped,
           std::optional<PrefsFileKindE> known = std::nullopt);

  // Runs `open` (a checked open of `path`, a preference "file" or "directory") leaving the
  // error buffer as it was; a refusal under the trust rule is kept for Refusals().
  RcT Checked(const char* what, const std::string& path, const std::function<RcT()>& open)
      QLM_EXCLUDES(latch_);
  bool FindLocked(std::string_view section, std::string_view key, std::string* value) const
      QLM_REQUIRES(latch_);
  bool SetLocked(std::string_view section, std::string_view key, std::string_view value)
      QLM_REQUIRES(latch_);
  bool Watched(std::string_view name) const noexcept;
  // Writes a diagnostic message (nothing when diagnostics are off or one is being written).
  void Diag(uint32_t number, const char* default_text, const ArgListC& args = ArgListC()) const;

  // Set before the set is published and never changed afterwards: read without the latch.
  PrefsTaskInfoS task_;
  std::optional<std::string> diag_text_;

  mutable LatchC latch_;
  // The files (load order; changes go to the first) and what is stored in them.
  std::vector<std::unique_ptr<PrefsC>> files_ QLM_GUARDED_BY(latch_);
  std::string first_name_ QLM_GUARDED_BY(latch_);
  std::string last_found_ QLM_GUARDED_BY(latch_);
  std::vector<std::string> refusals_ QLM_GUARDED_BY(latch_);
};

#endif  // QLM_ENV_PREFSFILESETC_H_
