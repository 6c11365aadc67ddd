#include "env/PrefsFileSetC.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>

#include "cmn/cmn_ErrBufI.h"
#include "cmn/cmn_ErrMarkC.h"
#include "cmn/cmn_SafeOpen_posix.h"
#include "cmn/cmn_Services.h"
#include "env/PrefsLookup.h"
#include "env/PrefsStaticDataC.h"
#include "env/PrefsSystem_posix.h"
#include "log/ErrMessages.h"
#include "messages/prefs_Messages.h"

namespace {

// Set once the one-time diagnostic header was written in this process.
std::atomic<bool> s_HeaderWritten{false};

constexpr std::string_view kSuffix = PrefsPathC::c_Suffix;

bool EndsWith(std::string_view text, std::string_view end) noexcept {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

void PrintDiagnostics(const std::string& text) {
  if (text.empty()) return;
  std::printf("%s", text.c_str());
  std::fflush(stdout);
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

// The % codes' view of the world while this set searches.
class PrefsFileSetC::SearchContextC final : public PrefsPathContextI {
 public:
  explicit SearchContextC(const PrefsFileSetC& set) noexcept : set_(set) {}

  bool GetEnv(const char* name, std::string* value) override {
    const char* text = ::GetEnv(name);
    if (text == nullptr) return false;
    value->assign(text);
    return true;
  }
  bool ProcessEnv(const char* name, std::string* value) override {
    return PrefsProcessEnv(name, value);
  }
  bool CacheDirectory(std::string* value) override {
    return set_.Find("Launcher", "CacheDirectory", value);
  }
  bool CurrentDirectory(std::string* value) override { return PrefsCurrentDirectory(value); }
  void CannotExpand(std::string_view code, std::string_view element) override {
    set_.Diag(PREFS_E_CANNOT_EXPAND, PREFS_T_CANNOT_EXPAND, ArgList << code << element);
  }

 private:
  const PrefsFileSetC& set_;
};

PrefsFileSetC::PrefsFileSetC(const PrefsTaskInfoS& task) : task_(task) {}

PrefsFileSetC::~PrefsFileSetC() = default;

void PrefsFileSetC::ForgetDiagnosticHeader() noexcept {
  s_HeaderWritten.store(false);
}

void PrefsFileSetC::Diag(uint32_t number, const char* default_text, const ArgListC& args) const {
  if (!diag_text_.has_value()) return;
  PrefsStaticDataC& data = PrefsStaticDataC::Current();
  if (data.writing_diagnostic) return;
  data.writing_diagnostic = true;
  int severity = 0;
  const StringC text = ErrGetText(number, default_text, args, &severity);
  std::string line = text.ToUtf8();
  line += '\n';
  if (data.diagnostic_output != nullptr) {
    *data.diagnostic_output += line;
  } else {
    PrintDiagnostics(line);
  }
  data.writing_diagnostic = false;
}

bool PrefsFileSetC::Watched(std::string_view name) const noexcept {
  if (!diag_text_.has_value()) return false;
  return prefs::ContainsNoCase(name, *diag_text_) || prefs::ContainsNoCase(*diag_text_, name);
}

std::unique_ptr<PrefsFileSetC> PrefsFileSetC::Create(const char* search_path,
                                                     const PrefsTaskInfoS& task) {
  std::unique_ptr<PrefsFileSetC> set(new PrefsFileSetC(task));
  std::string debug;
  if (PrefsProcessEnv(c_DebugVariable, &debug)) set->diag_text_ = std::move(debug);

  PrefsStaticDataC& data = PrefsStaticDataC::Current();
  std::string output;
  std::string* const outer_output = data.diagnostic_output;
  data.diagnostic_output = &output;

  if (set->DiagnosticsOn()) {
    if (!s_HeaderWritten.exchange(true)) {
      set->Diag(PREFS_E_DIAGNOSTICS, PREFS_T_DIAGNOSTICS);
      set->Diag(PREFS_E_DEFAULT_DIRS, PREFS_T_DEFAULT_DIRS, ArgList << PrefsPathC::c_DefaultDirs);
      set->Diag(PREFS_E_DEFAULT_FILES, PREFS_T_DEFAULT_FILES,
                ArgList << PrefsPathC::c_DefaultFiles);
      set->Diag(PREFS_E_FILE_PREFIX, PREFS_T_FILE_PREFIX);
      set->Diag(PREFS_E_FILE_SUFFIX, PREFS_T_FILE_SUFFIX, ArgList << PrefsPathC::c_Suffix);
      set->Diag(PREFS_E_SUBSTITUTION_HELP, PREFS_T_SUBSTITUTION_HELP);
      PrintDiagnostics(output);
      output.clear();
    }
    set->Diag(PREFS_E_DIAGNOSTICS, PREFS_T_DIAGNOSTICS);
  }

  bool done = false;
  if (search_path != nullptr && *search_path != '\0') {
    set->Diag(PREFS_E_SEARCH_PATH, PREFS_T_SEARCH_PATH, ArgList << search_path);
    if (set->Search(search_path, nullptr, 0)) {
      set->Diag(PREFS_E_END_OF_SEARCH, PREFS_T_END_OF_SEARCH);
      done = true;
    }
  }
  if (!done) {
    set->Diag(PREFS_E_DEFAULT_SEARCH_PATH, PREFS_T_DEFAULT_SEARCH_PATH,
              ArgList << PrefsPathC::c_DefaultPath);
    // The search reports what it finds and misses in its own diagnostics.
    (void)set->Search(PrefsPathC::c_DefaultPath, nullptr, 0);
    set->Diag(PREFS_E_END_OF_SEARCH, PREFS_T_END_OF_SEARCH);
  }

  data.diagnostic_output = outer_output;
  PrintDiagnostics(output);
  return set;
}

void PrefsFileSetC::Try(const std::string& file, int depth, bool* stopped,
                        std::optional<PrefsFileKindE> known) {
  if (*stopped) {
    Diag(PREFS_E_FILE_IGNORED, PREFS_T_FILE_IGNORED, ArgList << file);
    return;
  }
  *stopped = TryFile(file, depth, known);
}

bool PrefsFileSetC::Search(const std::string& path, const std::string* found_in, int depth) {
  SearchContextC context(*this);
  PrefsPathC expander(task_, context);
  PrefsPathC::InputS input;
  input.path = path;
  input.variable = PrefsPathC::c_PathVariable;
  input.file_name = task_.program_name;
  input.suffix = kSuffix;
  input.found_in = found_in;
  PrefsPathListC candidates;
  // A path that does not expand gives no candidates.
  (void)expander.Expand(input, &candidates);

  bool stopped = false;
  std::string joined;
  for (const std::string& candidate : candidates.Items()) {
    if (candidate.find('/') != std::string::npos) {
      const PrefsFileKindE kind = PrefsFileKind(candidate);
      if (kind == PREFS_KIND_DIRECTORY) {
        // A directory: the default file names inside it, once it passed the trust rule (a
        // refused one ends the search like a refused file).
        if (!stopped && Checked("directory", candidate, [&] {
                          return PrefsCheckDirectory(candidate);
                        }) == cmn_kPathRefused) {
          Diag(PREFS_E_OPEN_FAILED, PREFS_T_OPEN_FAILED, ArgList << candidate);
          stopped = true;
          continue;
        }
        PrefsPathC::InputS files = input;
        files.path = PrefsPathC::c_DefaultFiles;
        PrefsPathListC names;
        // A path that does not expand gives no candidates.
        (void)expander.Expand(files, &names);
        for (const std::string& name : names.Items()) {
          if (PrefsPathC::Join(candidate, name, &joined)) Try(joined, depth, &stopped);
        }
      } else {
        Try(candidate, depth, &stopped, kind);
      }
      continue;
    }
    // A bare file name: looked for in the default directories.
    PrefsPathC::InputS dirs = input;
    dirs.path = PrefsPathC::c_DefaultDirs;
    dirs.file_name = candidate;
    PrefsPathListC directories;
    // A path that does not expand gives no candidates.
    (void)expander.Expand(dirs, &directories);
    for (const std::string& dir : directories.Items()) {
      if (const PrefsFileKindE dir_kind = PrefsFileKind(dir); dir_kind != PREFS_KIND_DIRECTORY) {
        std::string with_suffix = dir + std::string(kSuffix);
        if (!EndsWith(dir, kSuffix) && with_suffix.size() <= PrefsPathC::c_MaxText &&
            PrefsFileKind(with_suffix) == PREFS_KIND_REGULAR) {
          Try(with_suffix, depth, &stopped, PREFS_KIND_REGULAR);
        } else {
          Try(dir, depth, &stopped, dir_kind);
        }
      } else if (dir == task_.home) {
        if (PrefsPathC::Join(dir, PrefsPathC::c_HomePrefix + candidate, &joined)) {
          Try(joined, depth, &stopped);
        }
      } else if (PrefsPathC::Join(dir, candidate, &joined)) {
        Try(joined, depth, &stopped);
      }
    }
  }
  return stopped || candidates.complete;
}

bool PrefsFileSetC::TryFile(std::string file, int depth, std::optional<PrefsFileKindE> known) {
  if (!EndsWith(file, kSuffix)) {
    file += kSuffix;
    known.reset();  // another path than the one looked up
  }
  if (file.size() > PrefsPathC::c_MaxText) return false;

  // A missing name or a directory is "not found". A FIFO or device goes to the checked open
  // below, which refuses it with its reason instead of letting it pass for a missing file.
  const PrefsFileKindE kind = known.has_value() ? *known : PrefsFileKind(file);
  if (kind == PREFS_KIND_MISSING || kind == PREFS_KIND_DIRECTORY) {
    Diag(PREFS_E_FILE_NOT_FOUND, PREFS_T_FILE_NOT_FOUND, ArgList << file);
    LatchGuardC guard(latch_);
    if (files_.empty()) {
      first_name_ = file;
      files_.push_back(std::make_unique<PrefsC>(file));
    }
    return false;
  }
  bool already_read = false;
  {
    LatchGuardC guard(latch_);
    for (const std::unique_ptr<PrefsC>& loaded : files_) already_read |= loaded->FileName() == file;
    if (!already_read) last_found_ = file;
  }
  if (already_read) {
    // A redirection that leads back to a file already read would read it forever.
    Diag(PREFS_E_ALREADY_READ, PREFS_T_ALREADY_READ, ArgList << file);
    return false;
  }

  Diag(PREFS_E_FILE_FOUND, PREFS_T_FILE_FOUND, ArgList << file);
  auto prefs = std::make_unique<PrefsC>(file);
  const RcT rc = Checked("file", file, [&] { return prefs->Read(false, false); });
  if (rc != RC_OK) {
    Diag(PREFS_E_OPEN_FAILED, PREFS_T_OPEN_FAILED, ArgList << file);
    return true;
  }
  // Read before the file joins the set: afterwards only the latch's holder may look at it.
  const std::string* redirect = prefs->Find(c_EnvironmentSection, PrefsPathC::c_PathVariable);
  const std::optional<std::string> redirection =
      redirect != nullptr ? std::optional<std::string>(*redirect) : std::nullopt;
  {
    LatchGuardC guard(latch_);
    files_.push_back(std::move(prefs));
    if (first_name_.empty()) first_name_ = file;
  }

  if (!redirection.has_value()) return false;
  const std::string& path = *redirection;
  Diag(PREFS_E_PATH_VARIABLE, PREFS_T_PATH_VARIABLE,
       ArgList << "  " << PrefsPathC::c_PathVariable << path);
  if (!path.empty()) {
    if (depth >= c_MaxRedirections) {
      Diag(PREFS_E_NESTED_TOO_DEEPLY, PREFS_T_NESTED_TOO_DEEPLY, ArgList << file);
    } else if (!Search(path, &file, depth + 1)) {
      return false;
    }
  }
  Diag(PREFS_E_SEARCH_STOPPED, PREFS_T_SEARCH_STOPPED, ArgList << path);
  return true;
}

RcT PrefsFileSetC::Checked(const char* what, const std::string& path,
                           const std::function<RcT()>& open) {
  // Opening failures are this search's business, not the caller's: nothing is left in the
  // error buffer. A refusal under the trust rule is kept (path and reason) for the program to
  // report once.
  cmn_ErrBufI* buffer = getErrBuf(2);
  const uint64_t mark = buffer != nullptr ? buffer->Mark() : 0;
  const RcT rc = open();
  if (rc == cmn_kPathRefused) {
    std::string refusal = "Refusing to use '" + path + "'";
    if (buffer != nullptr && buffer->Mark() != mark && buffer->Count() > 0) {
      refusal = std::string(buffer->Entry(buffer->Count() - 1)->Text());
    }
    LatchGuardC guard(latch_);
    refusals_.push_back("Preference " + std::string(what) + " '" + path +
                        "' is not used and the search for preference files ends there: " + refusal);
  }
  if (buffer != nullptr) buffer->Rollback(mark);
  return rc;
}

bool PrefsFileSetC::FindLocked(std::string_view section, std::string_view key,
                               std::string* value) const {
  const bool watched = Watched(key.empty() ? section : key);
  if (prefs::EqualsNoCase(section, c_EnvironmentSection) && !key.empty()) {
    const std::string name(key);
    std::string upper = Upper(key);
    if (!prefs::StartsWithNoCase(upper, "OUI")) upper.insert(0, "OUI");
    if (PrefsProcessEnv(name.c_str(), value) || PrefsProcessEnv(upper.c_str(), value)) {
      if (watched) {
        Diag(PREFS_E_VARIABLE_FOUND, PREFS_T_VARIABLE_FOUND,
             ArgList << *value << key << c_EnvironmentSection);
      }
      return true;
    }
  }
  for (const std::unique_ptr<PrefsC>& file : files_) {
    if (const std::string* found = file->Find(section, key)) {
      *value = *found;
      if (watched) {
        Diag(PREFS_E_VARIABLE_FOUND, PREFS_T_VARIABLE_FOUND,
             ArgList << *value << key << file->FileName());
      }
      return true;
    }
  }
  if (watched) {
    if (key.empty()) {
      Diag(PREFS_E_NO_SECTION, PREFS_T_NO_SECTION, ArgList << section);
    } else {
      Diag(PREFS_E_NO_VARIABLE, PREFS_T_NO_VARIABLE, ArgList << key);
    }
  }
  return false;
}

bool PrefsFileSetC::Find(const char* section, const char* key, std::string* value) const {
  if (section == nullptr || key == nullptr || value == nullptr) return false;
  LatchGuardC guard(latch_);
  if (!guard.Locked()) return false;
  return FindLocked(section, key, value);
}

std::string PrefsFileSetC::GetString(const char* section, const char* key,
                                     const char* default_value) const {
  std::string value;
  if (Find(section, key, &value)) return value;
  return default_value != nullptr ? std::string(default_value) : std::string();
}

bool PrefsFileSetC::GetBool(const char* section, const char* key, bool default_value) const {
  std::string value;
  if (!Find(section, key, &value) || value.empty()) return default_value;
  const std::string yes = PrefsYesWord();
  const std::string no = PrefsNoWord();
  if (prefs::EqualsNoCase(value, "true") || (!yes.empty() && prefs::EqualsNoCase(value, yes))) {
    return true;
  }
  if (prefs::EqualsNoCase(value, "false") || (!no.empty() && prefs::EqualsNoCase(value, no))) {
    return false;
  }
  if (value[0] == '0') return false;
  if (value[0] == '1') return true;
  return default_value;
}

int16_t PrefsFileSetC::GetEnum(const char* section, const char* key, const char* tags,
                               int16_t default_value) const {
  std::string value;
  if (tags == nullptr || !Find(section, key, &value) || value.empty()) return default_value;
  const std::vector<std::string_view> words = prefs::Words(tags);
  for (size_t i = 0; i < words.size() && i <= INT16_MAX; ++i) {
    if (prefs::EqualsNoCase(words[i], value)) return static_cast<int16_t>(i);
  }
  return default_value;
}

uint64_t PrefsFileSetC::GetMask(const char* section, const char* key, const char* tags,
                                uint64_t default_value) const {
  std::string value;
  if (!Find(section, key, &value)) return default_value;
  const std::vector<std::string_view> words = prefs::Words(tags != nullptr ? tags : "");
  uint64_t mask = 0;
  for (std::string_view word : prefs::Words(value)) {
    for (size_t i = 0; i < words.size() && i < 64; ++i) {
      if (prefs::EqualsNoCase(words[i], word)) mask |= uint64_t{1} << i;
    }
  }
  return mask;
}

bool PrefsFileSetC::SetLocked(std::string_view section, std::string_view key,
                              std::string_view value) {
  if (files_.empty() || !files_.front()->SetValue(section, key, value, true)) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReport(PREFS_E_CANNOT_SET_KEY, PREFS_T_CANNOT_SET_KEY, ArgList << key << section);
    return false;
  }
  if (Watched(key)) {
    Diag(PREFS_E_VARIABLE_SET, PREFS_T_VARIABLE_SET, ArgList << key << value);
  }
  return true;
}

bool PrefsFileSetC::SetValue(const char* section, const char* key, const char* value) {
  LatchGuardC guard(latch_);
  if (!guard.Locked()) return false;
  return SetLocked(section != nullptr ? section : "", key != nullptr ? key : "",
                   value != nullptr ? value : "");
}

bool PrefsFileSetC::SetBool(const char* section, const char* key, bool value) {
  return SetValue(section, key, value ? "true" : "false");
}

bool PrefsFileSetC::SetLong(const char* section, const char* key, long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld", value);
  return SetValue(section, key, text);
}

bool PrefsFileSetC::SetEnum(const char* section, const char* key, const char* tags, int16_t index) {
  const std::string_view section_text = section != nullptr ? section : "";
  const std::string_view key_text = key != nullptr ? key : "";
  LatchGuardC guard(latch_);
  if (!guard.Locked()) return false;
  const std::vector<std::string_view> words = prefs::Words(tags != nullptr ? tags : "");
  if (index < 0 || static_cast<size_t>(index) >= words.size()) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReport(PREFS_E_ENUM_RANGE, PREFS_T_ENUM_RANGE,
                    ArgList << key_text << section_text << last_found_
                            << static_cast<int32_t>(index)
                            << static_cast<int16_t>(static_cast<int>(words.size()) - 1));
    return false;
  }
  return SetLocked(section_text, key_text, words[static_cast<size_t>(index)]);
}

bool PrefsFileSetC::SetMask(const char* section, const char* key, const char* tags, uint64_t mask) {
  const std::string_view section_text = section != nullptr ? section : "";
  const std::string_view key_text = key != nullptr ? key : "";
  LatchGuardC guard(latch_);
  if (!guard.Locked()) return false;
  const std::vector<std::string_view> words = prefs::Words(tags != nullptr ? tags : "");
  std::string value;
  for (size_t i = 0; i < words.size() && i < 64; ++i) {
    if ((mask >> i) & 1u) {
      if (!value.empty()) value += ' ';
      value.append(words[i].data(), words[i].size());
    }
  }
  const bool beyond = words.size() < 64 && (mask >> words.size()) != 0;
  if (beyond) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)ErrReport(PREFS_E_MASK_BITS, PREFS_T_MASK_BITS,
                    ArgList << key_text << section_text << last_found_);
  }
  return SetLocked(section_text, key_text, value) && !beyond;
}

std::string PrefsFileSetC::FirstName() const {
  LatchGuardC guard(latch_);
  return first_name_;
}

std::string PrefsFileSetC::LastFound() const {
  LatchGuardC guard(latch_);
  return last_found_;
}

std::vector<std::string> PrefsFileSetC::Refusals() const {
  LatchGuardC guard(latch_);
  return refusals_;
}

std::vector<std::string> PrefsFileSetC::FileNames() const {
  LatchGuardC guard(latch_);
  std::vector<std::string> names;
  for (const std::unique_ptr<PrefsC>& file : files_) names.push_back(file->FileName());
  return names;
}
