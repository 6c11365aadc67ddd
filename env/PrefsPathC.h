// PrefsPathC: expands a preference search path into the list of candidate files or
// directories it names.
//
// A path is a list of elements separated by ":". Within an element:
//   - "$NAME" or "$(NAME)" (a "$" followed by "(" or a letter; NAME is letters, digits and "_";
//     the ")" is optional) is the process environment variable, nothing when unset; a "$"
//     followed by anything else is an ordinary character;
//   - "%:", "%$" and "%%" give ":", "$" and "%";
//   - "%" codes (case matters; the longer form wins when the text continues with it):
//       %A %U     home directory            %B %BASE  GetEnv("OUIBASE")
//       %C %CACHE "CacheDirectory" of section "Launcher" in the files loaded so far
//       %CWD      working directory now     %E        the caller's variable, expanded in turn
//       %F %f     task name, lower case     %L        GetEnv("LANG")
//       %l %t %c  language, territory, codeset of LANG (language_territory.codeset@modifier)
//       %N %NAME  the file name looked for  %P        directory of the file holding the path
//       %S        the suffix, unless the file name ends with it or %S was already used in
//                 this element              %SYS      %WIN joined with "SYSTEM"
//       %T %TEMP  TMPDIR, TMP or TEMP, else "/tmp"
//       %V        first two characters of the version text
//       %W        start directory           %WIN      GetEnv("windir"), else "C:\WINDOWS"
//       %X        ends the path here; the list is then not complete.
// A code without a value (unset variable, missing preference, unknown letter, %E without a
// variable or inside a %E expansion) drops its element; the rest of the element is still read
// and the context is told (CannotExpand). %E puts the candidates of the variable's value in
// place of its element. Empty results are not added, nor names already in the list.
//
// Limits: an element's expansion holds at most c_MaxText bytes (4095 and a terminator fill
// the 4096-byte buffer); an element that would grow beyond ends the whole expansion with an
// empty, incomplete list.
#ifndef QLM_ENV_PREFSPATHC_H_
#define QLM_ENV_PREFSPATHC_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The task facts the % codes use.
struct PrefsTaskInfoS {
  std::string program_name;  // last component of argv[0]
  std::string home;          // HOME without a trailing "/" ("/" stays), "." when unset
  std::string start_dir;     // working directory at task start, no trailing "/"
  std::string task_name;
  std::string task_name_lower;
  std::string version_text;  // decimal, e.g. "450"
};

// What the codes need from outside. Every call may come several times per expansion.
class PrefsPathContextI {
 public:
  // GetEnv semantics: the process environment, then the preference files' "Environment".
  [[nodiscard]] virtual bool GetEnv(const char* name, std::string* value) = 0;
  // The process environment only ($NAME).
  [[nodiscard]] virtual bool ProcessEnv(const char* name, std::string* value) = 0;
  // "CacheDirectory" of section "Launcher" in the files loaded so far.
  [[nodiscard]] virtual bool CacheDirectory(std::string* value) = 0;
  // The working directory now.
  [[nodiscard]] virtual bool CurrentDirectory(std::string* value) = 0;
  // An element was dropped because the code `code` (empty at the end of the text) had no
  // value; `element` is the element's unexpanded text.
  virtual void CannotExpand(std::string_view code, std::string_view element) = 0;

 protected:
  ~PrefsPathContextI() = default;
};

// The ordered candidate list: keeps insertion order, refuses a name already present.
class PrefsPathListC {
 public:
  // False when `name` is already in the list (exact comparison).
  bool Add(std::string name);
  void Clear() noexcept;
  const std::vector<std::string>& Items() const noexcept { return items_; }
  size_t Size() const noexcept { return items_.size(); }
  // Set when the end of the path was reached (not after %X, not after an overflow).
  bool complete = false;

 private:
  std::vector<std::string> items_;
};

class PrefsPathC {
 public:
  static constexpr size_t c_BufferSize = 4096;
  static constexpr size_t c_MaxText = c_BufferSize - 1;
  static constexpr const char* c_DefaultPath = "%E:%U/.%N%S:%B/lib/%N%S:%U/.%f%V%S:%B/lib/%f%V%S";
  static constexpr const char* c_DefaultDirs = "%E:%U:%B/lib";
  static constexpr const char* c_DefaultFiles = "%N%S:%f%V%S";
  static constexpr const char* c_Suffix = "rc";
  static constexpr const char* c_HomePrefix = ".";
  static constexpr const char* c_PathVariable = "OUIPREFSPATH";

  struct InputS {
    std::string_view path;
    const char* variable = nullptr;         // for %E; null: %E has no value
    std::string_view file_name;             // %N
    std::string_view suffix;                // %S
    const std::string* found_in = nullptr;  // %P: the file holding the path, null when none
  };

  PrefsPathC(const PrefsTaskInfoS& task, PrefsPathContextI& context) noexcept
      : task_(task), context_(context) {}

  // Replaces `out` by the candidates of `input`. False (and `out` empty, incomplete) when an
  // element overflowed the buffer.
  bool Expand(const InputS& input, PrefsPathListC* out);

  // `directory` + "/" + `name` ("/" not doubled); false when the result exceeds c_MaxText.
  static bool Join(std::string_view directory, std::string_view name, std::string* out);
  // The directory part of `file` without a trailing "/" ("." when it has none, "/" for the
  // root).
  static std::string DirectoryOf(std::string_view file);

 private:
  bool ExpandInto(const InputS& input, int depth, PrefsPathListC* out);

  const PrefsTaskInfoS& task_;
  PrefsPathContextI& context_;
};

#endif  // QLM_ENV_PREFSPATHC_H_
