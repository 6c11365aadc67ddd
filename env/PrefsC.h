// PrefsC: the content of one preference file, an ordered list of named sections each holding
// an ordered list of key = value entries.
//
// Names and values are 8-bit text in the system encoding. Section names and keys are compared
// ignoring ASCII case; values keep their case. Sections and entries carry a state (read from
// the file, set by the program, deleted); deleted ones are passed over by lookups and by
// saving, but a later SetValue brings a deleted entry back.
//
// File format, read line by line:
//   - each line is stripped of " \t\n\r" at both ends; empty lines are skipped;
//   - ";" starts a comment line;
//   - "[name]" starts the section `name` (stripped); a missing "]" or an empty name is a bad
//     line;
//   - any other line is "key = value" with the "=" after the first character; key and value
//     are stripped; a pair before the first section header is a bad line; a key given twice
//     in a section keeps the later value.
// Bad lines are ignored unless reading is strict, where the first one fails the read and drops
// everything read. With continuations, a line ending in an odd number of backslashes loses the
// last one and is joined with the next line.
//
// A PrefsC is not synchronised: the preference-file set that owns it guards every access.
#ifndef QLM_ENV_PREFSC_H_
#define QLM_ENV_PREFSC_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cmn/cmn_Result.h"

class PrefsC {
 public:
  enum StateE : int { STATE_READ = 0, STATE_MODIFIED = 1, STATE_DELETED = 2 };

  struct EntryS {
    std::string key;
    std::string value;
    StateE state = STATE_READ;
  };
  struct SectionS {
    std::string name;
    std::vector<EntryS> entries;
    StateE state = STATE_READ;
  };

  // An empty content for the file `file_name` (nothing is read yet).
  explicit PrefsC(std::string file_name);
  PrefsC(const PrefsC&) = delete;
  PrefsC& operator=(const PrefsC&) = delete;
  virtual ~PrefsC();

  // Stores `value` under `key` in `section`: false (nothing changed) when the section name or
  // the key is empty. Creates the section when no live section of that name exists; an
  // existing entry, a deleted one included, takes the new value, otherwise a new entry is
  // appended. With `modified` the entry is marked as set by the program and the value loses
  // leading blanks and tabs and trailing blanks, tabs, CR and LF.
  virtual bool SetValue(std::string_view section, std::string_view key, std::string_view value,
                        bool modified);
  // The same for the section's own value (the entry with the empty key).
  virtual bool SetSectionValue(std::string_view section, std::string_view value, bool modified);

  // The value of `key` in the first live section named `section` (first live entry), or null.
  // Valid until the next change of this object.
  const std::string* Find(std::string_view section, std::string_view key) const noexcept;
  // True when a live section named `section` exists.
  bool HasSection(std::string_view section) const noexcept;
  // Marks an entry, or a whole section, as deleted. False when there was nothing to delete.
  bool DeleteValue(std::string_view section, std::string_view key) noexcept;
  bool DeleteSection(std::string_view section) noexcept;

  // Replaces the content by the file's (see the format above). Opens the file through the
  // checked open (for root, the path must not be changeable by other users). Returns 0, or the
  // failure of the open or the read after which the content is empty; in strict mode a bad
  // line gives 0x80000001. Failures are reported into the thread's error buffer by whoever
  // failed.
  [[nodiscard]] RcT Read(bool strict = false, bool continuations = false);
  // Replaces the content by `text` parsed line by line (line ends: CR, LF, CR LF). Returns
  // false only in strict mode at the first bad line (content then empty). Counts the bad lines
  // into `bad_lines` when not null.
  bool ParseText(std::string_view text, bool strict = false, bool continuations = false,
                 size_t* bad_lines = nullptr);

  // Writes the live sections and entries to `path` (this file when empty): first to a new
  // temporary file "pref*.ini" in the target's directory, then moved over the target, so the
  // target is either the old or the complete new file. Comments and bad lines of the old file
  // are not kept. Returns 0, or the failure (reported, 0xE0110022 last).
  [[nodiscard]] RcT Write(const std::string& path = std::string()) const;
  // The text Write puts into the file.
  std::string ToText() const;

  const std::string& FileName() const noexcept { return file_name_; }
  const std::vector<SectionS>& Sections() const noexcept { return sections_; }
  // Removes every section.
  void Clear() noexcept { sections_.clear(); }

 private:
  // Incremental parser state shared by Read and ParseText.
  struct ParserS {
    std::string section;  // current section, empty before the first header
    std::string pending;  // text of a line continued with a backslash
    bool strict = false;
    bool continuations = false;
    size_t bad_lines = 0;
  };
  // Feeds one line; false when it was bad.
  bool ParseLine(ParserS& parser, std::string_view line);
  bool StoreLine(ParserS& parser, std::string_view line);
  SectionS* FindSection(std::string_view section) noexcept;
  const SectionS* FindSection(std::string_view section) const noexcept;
  bool Store(std::string_view section, std::string_view key, std::string_view value, bool modified);

  std::string file_name_;
  std::vector<SectionS> sections_;
};

// Helpers shared by the preference code.
namespace prefs {
// `text` without " \t\n\r" at both ends.
std::string_view Strip(std::string_view text) noexcept;
// ASCII case-insensitive comparisons.
bool EqualsNoCase(std::string_view a, std::string_view b) noexcept;
bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept;
bool ContainsNoCase(std::string_view text, std::string_view part) noexcept;
// The words of `text` separated by " \t\r\n".
std::vector<std::string_view> Words(std::string_view text);
}  // namespace prefs

#endif  // QLM_ENV_PREFSC_H_
