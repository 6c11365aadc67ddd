// FileNameC: the path type of the system.
//
// A name is kept in one canonical form: the text without its leading "/" (an absolute flag
// records that there was one), every run of "/" inside the text reduced to one "/", and no
// trailing "/". The root directory is the empty text with the absolute flag set; the empty
// relative name is the empty text without it. Names are joined, split into components,
// compared by components and matched against wildcard patterns without looking at the file
// system. Components are split at "/" only; "." and ".." are ordinary components except in
// GetNormalised().
//
// A FileNameC is a value: copies are independent (they share the text body, which is
// immutable here). Not meant to be assigned on one thread while another reads it.
#ifndef QLM_OS_FILENAMEC_H_
#define QLM_OS_FILENAMEC_H_

#include <cstdint>
#include <memory>
#include <string_view>

#include "base/StringC.h"

class StringArrayC;

class FileNameC {
 public:
  // The empty relative name.
  FileNameC() noexcept;
  // `text` in canonical form.
  explicit FileNameC(const StringC& text);
  // UTF-8 `text` (validated) in canonical form.
  explicit FileNameC(const char* text);
  // Join(directory, name).
  FileNameC(const StringC& directory, const StringC& name);
  // Join of the full text of `directory` and `name`; a null directory gives the empty name.
  FileNameC(const FileNameC* directory, const StringC& name);
  // Join of the full text of `directory` and `name`.
  FileNameC(const FileNameC& directory, const StringC& name);
  // The components joined with "/": a relative name. Empty components add nothing.
  explicit FileNameC(const StringArrayC& components);

  FileNameC(const FileNameC& other) = default;
  FileNameC(FileNameC&& other) noexcept = default;
  FileNameC& operator=(const FileNameC& other) = default;
  FileNameC& operator=(FileNameC&& other) noexcept = default;
  virtual ~FileNameC();

  // The text without the leading "/".
  const StringC& GetText() const noexcept { return text_; }
  bool IsAbsolute() const noexcept { return absolute_ != 0; }
  // "/" when absolute, followed by the text.
  StringC GetFullText() const;
  // Empty text, relative.
  bool IsEmpty() const noexcept { return absolute_ == 0 && text_.IsEmpty(); }
  // Empty text, absolute.
  bool IsRoot() const noexcept { return absolute_ != 0 && text_.IsEmpty(); }

  // 0 for an empty text, else 1 plus the number of "/" in the text.
  int64_t GetComponentCount() const noexcept;
  // The component at `index` (from 0); the empty text when `index` is out of range.
  StringC GetComponent(int64_t index) const;
  // `count` components from `first` in a new array owned by the caller. `first` is clamped
  // to 0 .. count-1; a `count` that is negative or reaches beyond the end takes the rest; a
  // `count` of 0 gives null.
  std::unique_ptr<StringArrayC> GetComponents(int64_t first, int64_t count) const;

  // The text with `suffix` removed from its end (StripSuffix), then the part after the last
  // "/" (all of it when there is none).
  StringC GetBaseName(const StringC& suffix = StringC()) const;
  // The full text of the part before the last "/"; "" (relative) or "/" (absolute) when the
  // text holds no "/".
  StringC GetDirectory() const;
  // GetDirectory() as a name.
  FileNameC GetDirectoryName() const;

  // True when both names have the same absolute flag and every component of `other` equals
  // the component of this name at the same index (exactly, case-sensitive). A name with no
  // components is a prefix of every name with the same flag.
  bool StartsWith(const FileNameC& other) const;

  // The full text with "." components dropped and each ".." removing the component before
  // it. A ".." that has nothing to remove is kept in a relative name and dropped in an
  // absolute one (the parent of the root is the root). A non-empty relative name that reduces
  // to nothing gives "."; the result never ends in "/" unless it is the root.
  StringC GetNormalised() const;

  // Wildcard match of the base name against `pattern`, case-sensitive.
  bool MatchBaseName(const StringC& pattern) const;

  // Same absolute flag and equal text.
  bool Equals(const FileNameC& other) const noexcept;
  friend bool operator==(const FileNameC& a, const FileNameC& b) noexcept { return a.Equals(b); }
  friend bool operator!=(const FileNameC& a, const FileNameC& b) noexcept { return !a.Equals(b); }

  // Removes `suffix` from the end of `text` when `suffix` is not empty and `text` ends with
  // exactly it (case-sensitive); otherwise leaves `text` unchanged.
  static void StripSuffix(StringC& text, const StringC& suffix);

  // Matches all of `text` against all of `pattern`, character by character: "?" matches any
  // one character, "*" any run of characters (the empty run included), any other character
  // itself; without `caseSensitive`, characters that differ are compared again after simple
  // case folding. Runs in O(length(text) * length(pattern)) at worst, whatever the pattern.
  static bool Match(const StringC& text, const StringC& pattern, bool caseSensitive);
  // The same over UTF-8 texts (ill-formed sequences compare as U+FFFD).
  static bool Match(std::string_view text, std::string_view pattern, bool caseSensitive);

 private:
  // Sets the name from UTF-8 `text`: leading "/" run → absolute flag; inner runs of "/" →
  // one "/"; trailing "/" removed; the two reserved flags cleared.
  void Canonicalise(std::string_view text);
  // Join(directory, name) over UTF-8 texts.
  void Join(std::string_view directory, std::string_view name);

  StringC text_;
  // Reserved flags: cleared by every construction and canonicalisation, copied with the
  // name, not interpreted.
  uint8_t reserved1_ = 0;
  uint8_t absolute_ = 0;
  uint8_t reserved3_ = 0;
};

#endif  // QLM_OS_FILENAMEC_H_
