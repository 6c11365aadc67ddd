#include "env/PrefsC.h"

#include <memory>
#include <utility>

#include "base/TextEncodingM.h"
#include "cmn/cmn_Encodings.h"
#include "env/PrefsSystem_posix.h"
#include "env/env_Sys8TextC.h"
#include "log/ErrMessages.h"
#include "messages/prefs_Messages.h"
#include "os/FDInputStreamC.h"
#include "os/StreamReaderC.h"

namespace prefs {

namespace {
constexpr std::string_view kBlanks = " \t\n\r";

char Fold(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

std::string_view Strip(std::string_view text) noexcept {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool ContainsNoCase(std::string_view text, std::string_view part) noexcept {
  if (part.size() > text.size()) return false;
  for (size_t at = 0; at + part.size() <= text.size(); ++at) {
    if (EqualsNoCase(text.substr(at, part.size()), part)) return true;
  }
  return false;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t pos = 0;
  for (;;) {
    pos = text.find_first_not_of(kBlanks, pos);
    if (pos == std::string_view::npos) break;
    size_t end = text.find_first_of(kBlanks, pos);
    if (end == std::string_view::npos) end = text.size();
    words.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return words;
}

}  // namespace prefs

namespace {

// Values set by the program lose leading blanks and tabs and trailing blanks, tabs, CR, LF.
std::string_view CleanValue(std::string_view value) noexcept {
  const size_t first = value.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = value.find_last_not_of(" \t\r\n");
  return value.substr(first, last - first + 1);
}

}  // namespace

PrefsC::PrefsC(std::string file_name) : file_name_(std::move(file_name)) {}

PrefsC::~PrefsC() = default;

PrefsC::SectionS* PrefsC::FindSection(std::string_view section) noexcept {
  for (SectionS& s : sections_) {
    if (s.state != STATE_DELETED && prefs::EqualsNoCase(s.name, section)) return &s;
  }
  return nullptr;
}

const PrefsC::SectionS* PrefsC::FindSection(std::string_view section) const noexcept {
  return const_cast<PrefsC*>(this)->FindSection(section);
}

bool PrefsC::Store(std::string_view section, std::string_view key, std::string_view value,
                   bool modified) {
  if (section.empty()) return false;
  if (modified) value = CleanValue(value);
  const StateE state = modified ? STATE_MODIFIED : STATE_READ;
  SectionS* s = FindSection(section);
  if (s == nullptr) {
    sections_.push_back(SectionS{std::string(section), {}, state});
    s = &sections_.back();
  }
  for (EntryS& entry : s->entries) {
    if (prefs::EqualsNoCase(entry.key, key)) {
      entry.value.assign(value.data(), value.size());
      entry.state = state;
      return true;
    }
  }
  s->entries.push_back(EntryS{std::string(key), std::string(value), state});
  return true;
}

bool PrefsC::SetValue(std::string_view section, std::string_view key, std::string_view value,
                      bool modified) {
  if (key.empty()) return false;
  return Store(section, key, value, modified);
}

bool PrefsC::SetSectionValue(std::string_view section, std::string_view value, bool modified) {
  return Store(section, std::string_view(), value, modified);
}

const std::string* PrefsC::Find(std::string_view section, std::string_view key) const noexcept {
  const SectionS* s = FindSection(section);
  if (s == nullptr) return nullptr;
  for (const EntryS& entry : s->entries) {
    if (entry.state != STATE_DELETED && prefs::EqualsNoCase(entry.key, key)) return &entry.value;
  }
  return nullptr;
}

bool PrefsC::HasSection(std::string_view section) const noexcept {
  return FindSection(section) != nullptr;
}

bool PrefsC::DeleteValue(std::string_view section, std::string_view key) noexcept {
  SectionS* s = FindSection(section);
  if (s == nullptr) return false;
  for (EntryS& entry : s->entries) {
    if (entry.state != STATE_DELETED && prefs::EqualsNoCase(entry.key, key)) {
      entry.state = STATE_DELETED;
      return true;
    }
  }
  return false;
}

bool PrefsC::DeleteSection(std::string_view section) noexcept {
  SectionS* s = FindSection(section);
  if (s == nullptr) return false;
  s->state = STATE_DELETED;
  return true;
}

bool PrefsC::StoreLine(ParserS& parser, std::string_view raw) {
  const std::string_view line = prefs::Strip(raw);
  if (line.empty() || line.front() == ';') return true;
  if (line.front() == '[') {
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    const std::string_view name = prefs::Strip(line.substr(1, close - 1));
    if (name.empty()) return false;
    parser.section.assign(name.data(), name.size());
    if (FindSection(name) == nullptr) {
      sections_.push_back(SectionS{parser.section, {}, STATE_READ});
    }
    return true;
  }
  const size_t equals = line.find('=');
  if (equals == std::string_view::npos || equals == 0) return false;
  const std::string_view key = prefs::Strip(line.substr(0, equals));
  const std::string_view value = prefs::Strip(line.substr(equals + 1));
  return SetValue(parser.section, key, value, false);
}

bool PrefsC::ParseLine(ParserS& parser, std::string_view line) {
  if (parser.continuations) {
    // Trailing blanks do not hide a continuation backslash.
    const size_t end = line.find_last_not_of(" \t\r\n");
    std::string_view body =
        end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1);
    size_t backslashes = 0;
    while (backslashes < body.size() && body[body.size() - 1 - backslashes] == '\\') ++backslashes;
    if (backslashes % 2 == 1) {
      parser.pending.append(body.data(), body.size() - 1);
      return true;
    }
    if (!parser.pending.empty()) {
      parser.pending.append(line.data(), line.size());
      const std::string joined = std::move(parser.pending);
      parser.pending.clear();
      return StoreLine(parser, joined);
    }
  }
  return StoreLine(parser, line);
}

bool PrefsC::ParseText(std::string_view text, bool strict, bool continuations, size_t* bad_lines) {
  sections_.clear();
  ParserS parser;
  parser.strict = strict;
  parser.continuations = continuations;
  size_t pos = 0;
  bool ok = true;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    if (!ParseLine(parser, text.substr(pos, end - pos))) {
      ++parser.bad_lines;
      if (strict) {
        ok = false;
        break;
      }
    }
    pos = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++pos;
  }
  // A continuation on the last line ends with the input.
  if (ok && !parser.pending.empty()) {
    const std::string joined = std::move(parser.pending);
    parser.pending.clear();
    if (!StoreLine(parser, joined)) {
      ++parser.bad_lines;
      if (strict) ok = false;
    }
  }
  if (!ok) sections_.clear();
  if (bad_lines != nullptr) *bad_lines = parser.bad_lines;
  return ok;
}

RcT PrefsC::Read(bool strict, bool continuations) {
  sections_.clear();
  cmn_UniqueFdC fd;
  RcT rc = PrefsOpenForReading(file_name_, &fd);
  if (rc != RC_OK) return rc;
  const TextEncodingI& encoding =
      cmn_SystemEncoding() == cmn_EncodingE::kLatin1 ? TextEncodingLatin1() : TextEncodingUtf8();
  StreamReaderC reader(std::make_unique<FDInputStreamC>(fd.Release(), true), &encoding);
  ParserS parser;
  parser.strict = strict;
  parser.continuations = continuations;
  StringC line;
  for (;;) {
    rc = reader.ReadLine(line);
    if (rc != RC_OK) break;
    const env_Sys8TextC bytes(line);
    if (!ParseLine(parser, bytes.Get()) && strict) {
      rc = RC_FAIL;
      break;
    }
  }
  if (rc == 0xE0CB001A) rc = RC_OK;  // the end of the input
  if (rc == RC_OK && !parser.pending.empty()) {
    const std::string joined = std::move(parser.pending);
    if (!StoreLine(parser, joined) && strict) rc = RC_FAIL;
  }
  // Best effort: a failed close leaves nothing to undo here.
  (void)reader.Close();
  if (rc != RC_OK) sections_.clear();
  return rc;
}

std::string PrefsC::ToText() const {
  std::string text;
  bool first = true;
  for (const SectionS& s : sections_) {
    if (s.state == STATE_DELETED) continue;
    if (first) {
      text += "[" + s.name + "]\n";
      first = false;
    } else {
      text += "\n[" + s.name + "]\n\n";
    }
    for (const EntryS& entry : s.entries) {
      // A section's own value (empty key) has no line form that reads back.
      if (entry.state == STATE_DELETED || entry.key.empty()) continue;
      text += entry.key;
      text += '=';
      text += entry.value;
      text += '\n';
    }
  }
  return text;
}

RcT PrefsC::Write(const std::string& path) const {
  const std::string& target = path.empty() ? file_name_ : path;
  const RcT rc = PrefsReplaceFile(target, ToText());
  if (rc != RC_OK) {
    return ErrReportV(PREFS_E_CANNOT_WRITE, PREFS_T_CANNOT_WRITE, target.c_str());
  }
  return RC_OK;
}
