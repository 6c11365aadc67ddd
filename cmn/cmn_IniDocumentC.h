// One configuration store file held in memory: its lines exactly as read, and the sections and
// typed values parsed from them. Edits change lines in place so that comments, blank lines,
// order and lines that cannot be parsed survive a rewrite byte for byte.
//
// Format (UTF-8):
//   ; comment            (also "#")
//   [Section\Path]       a key below the key the file is attached to; values before the first
//                        section belong to that key itself
//   Name=text            SZ
//   Name{expand}=text    EXPAND_SZ
//   Name{dword}=42       DWORD, decimal or 0x-hexadecimal, 0..4294967295
//   Name{binary}=0a ff   BINARY, hexadecimal bytes, blanks allowed between them
//   Name{multi}=text     MULTI_SZ: each line with the name adds one text, in order
//   Name{sz}=text        SZ, explicitly
// Names and unquoted texts are trimmed of blanks and tabs. A text written as "..." with the
// escapes \\ \" \n \r \t \xHH is unquoted; the writer uses that form only when the text needs
// it. Names and sections are compared ignoring ASCII case. For a single-valued name given
// twice in one section, the later line wins, and a write replaces that line only. There are
// no inline comments: ";" after a value is part of the value.
//
// A line whose first non-blank character is "[" always ends the section before it. When it
// does not parse as a header, every line up to the next good header belongs to no key: kept
// byte for byte, never read, never edited, and listed in BadLines(). A comment line directly
// above a header (no blank line between) belongs to that header: values added to the section
// before it go above the comment, and deleting that section keeps it. A UTF-8 byte-order mark
// is accepted and kept; a file whose first line ends in CR LF gets CR LF on every line written.
// A MULTI_SZ item cannot be empty (the wire form ends the list at an empty text): an empty
// "Name{multi}=" line adds no item, and writing an empty item is refused.
#ifndef QLM_CMN_CMN_INIDOCUMENTC_H_
#define QLM_CMN_CMN_INIDOCUMENTC_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A typed value in its stored form.
struct cmn_RegValueS {
  uint32_t type = 1;               // cmn_kRegSz ...
  std::vector<std::string> texts;  // SZ / EXPAND_SZ: one text; MULTI_SZ: the list
  std::string bytes;               // BINARY
  uint32_t dword = 0;              // DWORD

  bool operator==(const cmn_RegValueS&) const = default;
  // The wire form of cmn_RegistryI::QueryValue.
  std::string ToWire() const;
  // From the wire form; false when `size` does not fit the type.
  static bool FromWire(uint32_t type, const void* data, size_t size, cmn_RegValueS* out);
};

// Not thread-safe, not even for concurrent reads (lookups remember their last answer).
class cmn_IniDocumentC {
 public:
  struct ValueS {
    std::string name;  // spelling of the first line
    cmn_RegValueS value;
  };
  struct SectionS {
    std::string name;            // spelling of the first header ("" for the attachment key)
    std::vector<ValueS> values;  // in order of first appearance
    std::unordered_map<std::string, size_t> index;  // lower-cased name -> values[]
  };
  struct BadLineS {
    size_t line_number;  // 1-based
    std::string text;
    std::string reason;  // why the line is ignored, for messages
  };

  cmn_IniDocumentC() = default;

  // Replaces the content. Never fails: lines that cannot be parsed are kept and listed.
  void Parse(std::string_view content);
  // The content, byte for byte as parsed where nothing was edited.
  std::string Serialize() const;

  const std::vector<BadLineS>& BadLines() const noexcept { return bad_lines_; }
  // The section `path` (case-insensitive), or null.
  const SectionS* FindSection(std::string_view path) const;
  // The value `name` of section `path`, or null.
  const cmn_RegValueS* FindValue(std::string_view path, std::string_view name,
                                 const std::string** spelling = nullptr) const;
  // Sections in order of first appearance.
  const std::vector<SectionS>& Sections() const noexcept { return sections_; }
  // True when `path` is a section or an ancestor of one ("" always is).
  bool HasKey(std::string_view path) const;
  // The direct children of `path` that some section names (first spellings, in order).
  void ChildKeys(std::string_view path, std::vector<std::string>* out) const;

  // Whether SetValue(path, name, value) would be accepted (nothing is changed).
  static bool CanWrite(std::string_view path, std::string_view name, const cmn_RegValueS& value);
  // The 1-based line number of the line that gives the value `name` of section `path` (the
  // last line of a MULTI_SZ value), or 0.
  size_t LineOfValue(std::string_view path, std::string_view name) const;

  // Edits. Each returns false when the name or section cannot be written in this format
  // (then nothing changed). Setting a value to what is already read changes nothing.
  bool SetValue(std::string_view path, std::string_view name, const cmn_RegValueS& value);
  // True when something was removed.
  bool DeleteValue(std::string_view path, std::string_view name);
  // Adds an empty section header when the key does not exist yet.
  bool EnsureSection(std::string_view path);
  // Removes the section (with every section below it when `recursive`). True when removed.
  bool DeleteSection(std::string_view path, bool recursive);

  // Lower-cases ASCII letters.
  static std::string Fold(std::string_view text);
  // Key paths: components separated by "\", trimmed, empty components dropped.
  static std::string NormalisePath(std::string_view path);

 private:
  enum class KindE : uint8_t { kBlank, kComment, kSection, kValue, kBad, kBadHeader };
  struct LineS {
    std::string raw;  // without the line feed
    KindE kind = KindE::kBlank;
    std::string section;           // kSection: the name; kValue: the owning section
    std::string name;              // kValue
    uint32_t type = 1;             // kValue
    std::string text;              // kValue: decoded text (SZ, EXPAND_SZ, MULTI_SZ element)
    cmn_RegValueS scalar;          // kValue: DWORD / BINARY
    bool orphan = false;           // kValue after a header that does not parse: belongs to no key
    const char* reason = nullptr;  // kBad / kBadHeader: why
  };

  static LineS ParseLine(std::string_view raw, const std::string& section);
  static bool IsBoundary(KindE kind) {
    return kind == KindE::kSection || kind == KindE::kBadHeader;
  }
  // A new line in the file's line-ending style.
  LineS NewLine(const std::string& text, const std::string& section) const;
  // Makes sure the last line is terminated before lines are added after it.
  void TerminateLastLine();
  // The first line of the comment block directly above the header at `header` (== header
  // when there is none).
  size_t AttachedCommentStart(size_t header) const;
  static bool FormatValueLines(std::string_view name, const cmn_RegValueS& value,
                               std::vector<std::string>* lines);
  void Rebuild();
  // Line indices of every header of `path` and the end of each such section.
  void SectionRanges(std::string_view folded, std::vector<std::pair<size_t, size_t>>* ranges) const;

  std::vector<LineS> lines_;
  bool trailing_newline_ = true;
  bool bom_ = false;   // content began with a UTF-8 byte-order mark (kept on output)
  bool crlf_ = false;  // the first line ended in CR LF: new lines do too
  std::vector<SectionS> sections_;
  std::unordered_map<std::string, size_t> section_index_;  // folded path -> sections_[]
  std::vector<BadLineS> bad_lines_;
  // The last FindSection: its argument and answer (valid until the next Rebuild). This makes
  // even const use of one document unsafe from several threads at once.
  mutable bool memo_valid_ = false;
  mutable std::string memo_path_;
  mutable size_t memo_index_ = 0;
};

#endif  // QLM_CMN_CMN_INIDOCUMENTC_H_
