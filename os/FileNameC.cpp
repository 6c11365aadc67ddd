#include "os/FileNameC.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/StringArrayC.h"
#include "cmn/cmn_Encodings.h"
#include "cmn/cmn_TextCodec.h"
#include "cmn/cmn_Unicode.h"

namespace {

// A StringC from UTF-8 bytes that are known to be well formed (slices of a body's text cut at
// "/", which never falls inside a multi-byte sequence).
StringC FromValidUtf8(std::string_view text) {
  if (text.empty()) return StringC();
  return StringC(text.data(), text.size(), cmn_kEncValidUtf8);
}

// True when `text` needs no change to be canonical.
bool IsCanonical(std::string_view text) noexcept {
  if (text.empty()) return true;
  if (text.front() == '/' || text.back() == '/') return false;
  return text.find("//") == std::string_view::npos;
}

// Appends `text` to `out` with every run of "/" reduced to one "/" and without a "/" at the
// start of `out` or at its end.
void AppendCollapsed(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c == '/' && (out.empty() || out.back() == '/')) continue;
    out.push_back(c);
  }
  if (!out.empty() && out.back() == '/') out.pop_back();
}

// Splits canonical `text` at "/".
std::vector<std::string_view> Split(std::string_view text) {
  std::vector<std::string_view> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (;;) {
    size_t slash = text.find('/', start);
    if (slash == std::string_view::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, slash - start));
    start = slash + 1;
  }
}

// The code points of UTF-8 `text`; an incomplete sequence at the end gives U+FFFD per byte.
std::u32string Decode(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  size_t n = text.size();
  while (n > 0) {
    char32_t cp;
    size_t used = cmn_ReadUtf8(p, n, &cp);
    if (used == 0) {
      cp = cmn_kReplacementChar;
      used = 1;
    }
    out.push_back(cp);
    p += used;
    n -= used;
  }
  return out;
}

}  // namespace

FileNameC::FileNameC() noexcept = default;

FileNameC::FileNameC(const StringC& text) {
  std::string_view view = text.Utf8View();
  if (IsCanonical(view)) {
    text_ = text;  // shares the body
  } else {
    Canonicalise(view);
  }
}

FileNameC::FileNameC(const char* text) : FileNameC(StringC::FromUtf8(text ? text : "")) {}

FileNameC::FileNameC(const StringC& directory, const StringC& name) {
  Join(directory.Utf8View(), name.Utf8View());
}

FileNameC::FileNameC(const FileNameC* directory, const StringC& name) {
  if (directory != nullptr) Join(directory->GetFullText().Utf8View(), name.Utf8View());
}

FileNameC::FileNameC(const FileNameC& directory, const StringC& name)
    : FileNameC(&directory, name) {}

FileNameC::FileNameC(const StringArrayC& components) {
  std::string joined;
  for (uint64_t i = 0; i < components.Count(); ++i) {
    std::string_view part = components[i].Utf8View();
    if (part.empty()) continue;
    if (!joined.empty()) joined.push_back('/');
    AppendCollapsed(joined, part);
  }
  // Components that were only "/" may leave a separator behind.
  if (!joined.empty() && joined.back() == '/') joined.pop_back();
  text_ = FromValidUtf8(joined);
}

FileNameC::~FileNameC() = default;

void FileNameC::Canonicalise(std::string_view text) {
  reserved1_ = 0;
  reserved3_ = 0;
  absolute_ = 0;
  if (!text.empty() && text.front() == '/') {
    absolute_ = 1;
    text.remove_prefix(std::min(text.find_first_not_of('/'), text.size()));
  }
  if (IsCanonical(text)) {
    text_ = FromValidUtf8(text);
    return;
  }
  std::string out;
  out.reserve(text.size());
  AppendCollapsed(out, text);
  text_ = FromValidUtf8(out);
}

void FileNameC::Join(std::string_view directory, std::string_view name) {
  std::string text;
  if (directory == ".") {
    // The current directory is dropped: the name stays relative to it.
  } else if (directory.empty()) {
    Canonicalise(name);
    return;
  } else {
    text.assign(directory);
    if (text.back() != '/') text.push_back('/');
  }
  name.remove_prefix(std::min(name.find_first_not_of('/'), name.size()));
  text.append(name);
  Canonicalise(text);
}

StringC FileNameC::GetFullText() const {
  if (!absolute_) return text_;
  std::string full;
  std::string_view view = text_.Utf8View();
  full.reserve(view.size() + 1);
  full.push_back('/');
  full.append(view);
  return FromValidUtf8(full);
}

int64_t FileNameC::GetComponentCount() const noexcept {
  std::string_view view = text_.Utf8View();
  if (view.empty()) return 0;
  int64_t count = 1;
  for (char c : view) count += (c == '/');
  return count;
}

StringC FileNameC::GetComponent(int64_t index) const {
  if (index < 0) return StringC();
  std::vector<std::string_view> parts = Split(text_.Utf8View());
  if (index >= static_cast<int64_t>(parts.size())) return StringC();
  return FromValidUtf8(parts[static_cast<size_t>(index)]);
}

std::unique_ptr<StringArrayC> FileNameC::GetComponents(int64_t first, int64_t count) const {
  if (count == 0) return nullptr;
  std::vector<std::string_view> parts = Split(text_.Utf8View());
  auto array = std::make_unique<StringArrayC>();
  const auto total = static_cast<int64_t>(parts.size());
  if (total == 0) return array;
  first = std::clamp<int64_t>(first, 0, total - 1);
  int64_t end = (count < 0 || count > total - first) ? total : first + count;
  for (int64_t i = first; i < end; ++i) array->Append(FromValidUtf8(parts[static_cast<size_t>(i)]));
  return array;
}

void FileNameC::StripSuffix(StringC& text, const StringC& suffix) {
  std::string_view view = text.Utf8View();
  std::string_view end = suffix.Utf8View();
  if (end.empty() || end.size() > view.size()) return;
  if (view.substr(view.size() - end.size()) != end) return;
  // Byte equality of well-formed UTF-8 at the end implies the cut falls between characters.
  text = FromValidUtf8(view.substr(0, view.size() - end.size()));
}

StringC FileNameC::GetBaseName(const StringC& suffix) const {
  StringC text = text_;
  StripSuffix(text, suffix);
  std::string_view view = text.Utf8View();
  size_t slash = view.rfind('/');
  if (slash == std::string_view::npos) return text;
  return FromValidUtf8(view.substr(slash + 1));
}

StringC FileNameC::GetDirectory() const {
  std::string_view view = text_.Utf8View();
  size_t slash = view.rfind('/');
  std::string dir;
  if (absolute_) dir.push_back('/');
  if (slash != std::string_view::npos) dir.append(view.substr(0, slash));
  return FromValidUtf8(dir);
}

FileNameC FileNameC::GetDirectoryName() const {
  return FileNameC(GetDirectory());
}

bool FileNameC::StartsWith(const FileNameC& other) const {
  if (absolute_ != other.absolute_) return false;
  std::string_view mine = text_.Utf8View();
  std::string_view theirs = other.text_.Utf8View();
  if (theirs.empty()) return true;
  // Component-wise equality of canonical texts: `theirs` is a byte prefix of `mine` that ends
  // where a component of `mine` ends.
  if (theirs.size() > mine.size() || mine.substr(0, theirs.size()) != theirs) return false;
  return mine.size() == theirs.size() || mine[theirs.size()] == '/';
}

StringC FileNameC::GetNormalised() const {
  std::vector<std::string_view> kept;
  bool removed = false;
  for (std::string_view part : Split(text_.Utf8View())) {
    if (part == ".") continue;
    if (part == "..") {
      if (!kept.empty() && kept.back() != "..") {
        kept.pop_back();
        removed = true;
        continue;
      }
      if (absolute_) continue;  // the parent of the root is the root
    }
    kept.push_back(part);
  }
  std::string out;
  if (absolute_) out.push_back('/');
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out.push_back('/');
    out.append(kept[i]);
  }
  // Everything cancelled out: the name denotes the directory it is relative to. (An empty
  // text would name nothing at all.)
  if (out.empty() && (removed || !text_.IsEmpty())) out = ".";
  return FromValidUtf8(out);
}

bool FileNameC::MatchBaseName(const StringC& pattern) const {
  return Match(GetBaseName().Utf8View(), pattern.Utf8View(), true);
}

bool FileNameC::Equals(const FileNameC& other) const noexcept {
  return absolute_ == other.absolute_ && text_.Utf8View() == other.text_.Utf8View();
}

bool FileNameC::Match(const StringC& text, const StringC& pattern, bool caseSensitive) {
  return Match(text.Utf8View(), pattern.Utf8View(), caseSensitive);
}

bool FileNameC::Match(std::string_view text_utf8, std::string_view pattern_utf8,
                      bool caseSensitive) {
  const std::u32string text = Decode(text_utf8);
  const std::u32string pattern = Decode(pattern_utf8);
  auto same = [caseSensitive](char32_t p, char32_t t) {
    if (p == t) return true;
    return !caseSensitive && cmn_ToLower(p) == cmn_ToLower(t);
  };
  // Greedy scan with backtracking to the most recent "*" only: when a later literal fails,
  // that "*" absorbs one more character and the rest of the pattern is tried again. Earlier
  // stars never need revisiting, since the latest star can already absorb anything they
  // could, which bounds the work by length(text) * length(pattern).
  size_t t = 0;
  size_t p = 0;
  size_t star = std::u32string::npos;  // position of the last "*" seen in the pattern
  size_t resume = 0;                   // text position that "*" matched up to
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == U'*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && (pattern[p] == U'?' || same(pattern[p], text[t]))) {
      ++p;
      ++t;
    } else if (star != std::u32string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}
