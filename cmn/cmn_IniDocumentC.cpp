#include "cmn/cmn_IniDocumentC.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "cmn/cmn_RegistryI.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string NormalisePathImpl(std::string_view path) {
  std::string out;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('\\', i);
    if (j == std::string_view::npos) j = path.size();
    std::string_view part = Trim(path.substr(i, j - i));
    if (!part.empty()) {
      if (!out.empty()) out += '\\';
      out.append(part);
    }
    i = j + 1;
  }
  return out;
}

bool Unquote(std::string_view s, std::string* out) {
  if (s.size() < 2 || s.front() != '"' || s.back() != '"') return false;
  std::string r;
  for (size_t i = 1; i + 1 < s.size(); ++i) {
    char c = s[i];
    if (c == '"') return false;
    if (c != '\\') {
      r += c;
      continue;
    }
    if (i + 2 >= s.size()) return false;  // a backslash just before the closing quote
    char e = s[++i];
    switch (e) {
      case '\\':
        r += '\\';
        break;
      case '"':
        r += '"';
        break;
      case 'n':
        r += '\n';
        break;
      case 'r':
        r += '\r';
        break;
      case 't':
        r += '\t';
        break;
      case 'x': {
        if (i + 3 >= s.size()) return false;
        int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        r += static_cast<char>(hi * 16 + lo);
        i += 2;
        break;
      }
      default:
        return false;
    }
  }
  *out = std::move(r);
  return true;
}

bool NeedsQuotes(std::string_view s) {
  if (s.empty()) return false;
  if (IsBlank(s.front()) || IsBlank(s.back()) || s.front() == '"') return true;
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::string Quote(std::string_view s) {
  static const char kHex[] = "0123456789abcdef";
  std::string r = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '\\':
        r += "\\\\";
        break;
      case '"':
        r += "\\\"";
        break;
      case '\n':
        r += "\\n";
        break;
      case '\r':
        r += "\\r";
        break;
      case '\t':
        r += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          r += "\\x";
          r += kHex[c >> 4];
          r += kHex[c & 15];
        } else {
          r += static_cast<char>(c);
        }
    }
  }
  r += '"';
  return r;
}

bool ParseDword(std::string_view s, uint32_t* out) {
  if (s.empty()) return false;
  uint64_t v = 0;
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0 || d >= base) return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return false;
  }
  *out = static_cast<uint32_t>(v);
  return true;
}

bool ParseBinary(std::string_view s, std::string* out) {
  std::string r;
  size_t i = 0;
  while (i < s.size()) {
    if (IsBlank(s[i])) {
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) return false;
    int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
    if (hi < 0 || lo < 0) return false;
    r += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  *out = std::move(r);
  return true;
}

uint32_t TypeOfTag(std::string_view tag) {
  std::string t = cmn_IniDocumentC::Fold(tag);
  if (t == "sz") return cmn_kRegSz;
  if (t == "expand") return cmn_kRegExpandSz;
  if (t == "binary") return cmn_kRegBinary;
  if (t == "dword") return cmn_kRegDword;
  if (t == "multi") return cmn_kRegMultiSz;
  return 0;
}

const char* TagOfType(uint32_t type) {
  switch (type) {
    case cmn_kRegExpandSz:
      return "{expand}";
    case cmn_kRegBinary:
      return "{binary}";
    case cmn_kRegDword:
      return "{dword}";
    case cmn_kRegMultiSz:
      return "{multi}";
    default:
      return "";
  }
}

bool ValidName(std::string_view name) {
  if (name.empty() || Trim(name) != name) return false;
  if (name.front() == '[' || name.front() == ';' || name.front() == '#') return false;
  for (unsigned char c : name) {
    if (c == '=' || c == '{' || c == '}' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool ValidSection(std::string_view path) {
  for (unsigned char c : path) {
    if (c == ']' || c == '[' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool IsUnder(const std::string& folded, const std::string& parent_folded) {
  if (parent_folded.empty()) return !folded.empty();
  return folded.size() > parent_folded.size() &&
         folded.compare(0, parent_folded.size(), parent_folded) == 0 &&
         folded[parent_folded.size()] == '\\';
}

}  // namespace

std::string cmn_RegValueS::ToWire() const {
  std::string w;
  switch (type) {
    case cmn_kRegDword:
      w.resize(4);
      std::memcpy(w.data(), &dword, 4);
      break;
    case cmn_kRegBinary:
      w = bytes;
      break;
    case cmn_kRegMultiSz:
      for (const std::string& t : texts) {
        w += t;
        w += '\0';
      }
      w += '\0';
      break;
    default:
      if (!texts.empty()) w = texts.front();
      w += '\0';
      break;
  }
  return w;
}

bool cmn_RegValueS::FromWire(uint32_t type, const void* data, size_t size, cmn_RegValueS* out) {
  cmn_RegValueS v;
  v.type = type;
  const char* p = static_cast<const char*>(data);
  if (size > 0 && p == nullptr) return false;
  switch (type) {
    case cmn_kRegDword:
      if (size != 4) return false;
      std::memcpy(&v.dword, p, 4);
      break;
    case cmn_kRegBinary:
      v.bytes.assign(p, size);
      break;
    case cmn_kRegMultiSz: {
      size_t i = 0;
      while (i < size) {
        size_t j = i;
        while (j < size && p[j] != '\0') ++j;
        if (j == i && (j + 1 >= size || j == size)) break;  // the final empty text ends the list
        v.texts.emplace_back(p + i, j - i);
        i = j + 1;
      }
      break;
    }
    case cmn_kRegSz:
    case cmn_kRegExpandSz: {
      size_t n = 0;
      while (n < size && p[n] != '\0') ++n;
      v.texts.emplace_back(p, n);
      break;
    }
    default:
      return false;
  }
  *out = std::move(v);
  return true;
}

std::string cmn_IniDocumentC::NormalisePath(std::string_view path) {
  return NormalisePathImpl(path);
}

std::string cmn_IniDocumentC::Fold(std::string_view text) {
  std::string r(text);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return r;
}

cmn_IniDocumentC::LineS cmn_IniDocumentC::ParseLine(std::string_view raw,
                                                    const std::string& section) {
  LineS line;
  line.raw.assign(raw);
  std::string_view s = raw;
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  std::string_view t = Trim(s);
  if (t.empty()) return line;
  if (t.front() == ';' || t.front() == '#') {
    line.kind = KindE::kComment;
    return line;
  }
  if (t.front() == '[') {
    line.kind = KindE::kBadHeader;
    if (t.back() != ']') {
      line.reason = "section header without a closing \"]\" at its end";
      return line;
    }
    std::string_view inner = t.substr(1, t.size() - 2);
    if (!ValidSection(inner)) {
      line.reason = "section header with \"[\", \"]\" or a control character in its name";
      return line;
    }
    line.kind = KindE::kSection;
    line.section = NormalisePathImpl(inner);
    return line;
  }
  line.kind = KindE::kBad;
  size_t eq = t.find('=');
  if (eq == std::string_view::npos) {
    line.reason = "neither a comment, a section header nor a Name=value line";
    return line;
  }
  std::string_view name = Trim(t.substr(0, eq));
  std::string_view value = Trim(t.substr(eq + 1));
  uint32_t type = cmn_kRegSz;
  if (!name.empty() && name.back() == '}') {
    size_t brace = name.rfind('{');
    if (brace == std::string_view::npos) {
      line.reason = "value name ends in \"}\" without a type tag";
      return line;
    }
    type = TypeOfTag(name.substr(brace + 1, name.size() - brace - 2));
    name = Trim(name.substr(0, brace));
  }
  if (type == 0) {
    line.reason = "unknown type tag (sz, expand, dword, binary, multi)";
    return line;
  }
  if (!ValidName(name)) {
    line.reason = "empty or invalid value name";
    return line;
  }
  if (value.find('\0') != std::string_view::npos) {
    line.reason = "NUL byte in the value";
    return line;
  }
  std::string text;
  if (!Unquote(value, &text)) text.assign(value);
  if (text.find('\0') != std::string::npos) {
    line.reason = "NUL byte in the value";
    return line;
  }
  line.kind = KindE::kValue;
  line.name.assign(name);
  line.type = type;
  line.scalar.type = type;
  if (type == cmn_kRegDword) {
    if (!ParseDword(text, &line.scalar.dword)) {
      line.kind = KindE::kBad;
      line.reason = "not a DWORD (0 to 4294967295, decimal or 0x-hexadecimal)";
    }
  } else if (type == cmn_kRegBinary) {
    if (!ParseBinary(text, &line.scalar.bytes)) {
      line.kind = KindE::kBad;
      line.reason = "not a list of hexadecimal bytes";
    }
  } else {
    line.text = std::move(text);
  }
  return line;
}

void cmn_IniDocumentC::Parse(std::string_view content) {
  lines_.clear();
  bom_ = content.starts_with("\xEF\xBB\xBF");
  if (bom_) content.remove_prefix(3);
  trailing_newline_ = content.empty() || content.back() == '\n';
  size_t first_end = content.find('\n');
  crlf_ = first_end != std::string_view::npos && first_end > 0 && content[first_end - 1] == '\r';
  lines_.reserve(static_cast<size_t>(std::count(content.begin(), content.end(), '\n')) + 1);
  std::string section;
  size_t i = 0;
  while (i < content.size()) {
    size_t j = content.find('\n', i);
    if (j == std::string_view::npos) j = content.size();
    LineS line = ParseLine(content.substr(i, j - i), section);
    if (line.kind == KindE::kSection) section = line.section;
    lines_.push_back(std::move(line));
    i = j + 1;
  }
  Rebuild();
}

std::string cmn_IniDocumentC::Serialize() const {
  std::string out;
  size_t total = 3;
  for (const LineS& l : lines_) total += l.raw.size() + 1;
  out.reserve(total);
  if (bom_) out += "\xEF\xBB\xBF";
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i].raw;
    if (i + 1 < lines_.size() || trailing_newline_) out += '\n';
  }
  return out;
}

cmn_IniDocumentC::LineS cmn_IniDocumentC::NewLine(const std::string& text,
                                                  const std::string& section) const {
  LineS line = ParseLine(text, section);
  if (crlf_) line.raw += '\r';
  return line;
}

void cmn_IniDocumentC::TerminateLastLine() {
  if (!trailing_newline_ && crlf_ && !lines_.empty() && !lines_.back().raw.ends_with('\r')) {
    lines_.back().raw += '\r';
  }
  trailing_newline_ = true;
}

size_t cmn_IniDocumentC::AttachedCommentStart(size_t header) const {
  size_t at = header;
  while (at > 0 && lines_[at - 1].kind == KindE::kComment) --at;
  return at;
}

void cmn_IniDocumentC::Rebuild() {
  memo_valid_ = false;
  sections_.clear();
  section_index_.clear();
  bad_lines_.clear();
  std::string current;
  bool orphan = false;              // after a header that does not parse, until the next good one
  size_t current_index = SIZE_MAX;  // sections_[] of `current`, once known
  auto section_of = [this](const std::string& name) -> SectionS& {
    std::string folded = Fold(name);
    auto it = section_index_.find(folded);
    if (it != section_index_.end()) return sections_[it->second];
    section_index_.emplace(std::move(folded), sections_.size());
    sections_.push_back(SectionS{name, {}, {}});
    return sections_.back();
  };
  for (size_t n = 0; n < lines_.size(); ++n) {
    LineS& line = lines_[n];
    switch (line.kind) {
      case KindE::kSection:
        current = line.section;
        orphan = false;
        section_of(current);
        current_index = section_index_.find(Fold(current))->second;
        break;
      case KindE::kBadHeader:
        orphan = true;
        bad_lines_.push_back(BadLineS{n + 1, line.raw, line.reason});
        break;
      case KindE::kValue: {
        line.orphan = orphan;
        if (orphan) {
          bad_lines_.push_back(
              BadLineS{n + 1, line.raw,
                       "belongs to no key: it follows a section header that cannot be parsed"});
          break;
        }
        if (current_index == SIZE_MAX) {
          section_of(current);
          current_index = section_index_.find(Fold(current))->second;
        }
        SectionS& sec = sections_[current_index];
        std::string folded = Fold(line.name);
        auto it = sec.index.find(folded);
        cmn_RegValueS fresh;
        fresh.type = line.type;
        if (line.type == cmn_kRegDword || line.type == cmn_kRegBinary) {
          fresh = line.scalar;
        } else if (line.type != cmn_kRegMultiSz || !line.text.empty()) {
          fresh.texts.push_back(line.text);
        }
        if (it == sec.index.end()) {
          sec.index.emplace(std::move(folded), sec.values.size());
          sec.values.push_back(ValueS{line.name, std::move(fresh)});
        } else {
          cmn_RegValueS& old = sec.values[it->second].value;
          if (line.type == cmn_kRegMultiSz && old.type == cmn_kRegMultiSz) {
            if (!line.text.empty()) old.texts.push_back(line.text);
          } else {
            old = std::move(fresh);
          }
        }
        break;
      }
      case KindE::kBad:
        bad_lines_.push_back(BadLineS{n + 1, line.raw, line.reason != nullptr ? line.reason : ""});
        break;
      default:
        break;
    }
  }
}

const cmn_IniDocumentC::SectionS* cmn_IniDocumentC::FindSection(std::string_view path) const {
  // Reads of many values of one key ask for the same path in a row.
  if (!memo_valid_ || path != memo_path_) {
    auto it = section_index_.find(Fold(NormalisePath(path)));
    memo_path_.assign(path);
    memo_index_ = it == section_index_.end() ? SIZE_MAX : it->second;
    memo_valid_ = true;
  }
  return memo_index_ == SIZE_MAX ? nullptr : &sections_[memo_index_];
}

const cmn_RegValueS* cmn_IniDocumentC::FindValue(std::string_view path, std::string_view name,
                                                 const std::string** spelling) const {
  const SectionS* sec = FindSection(path);
  if (sec == nullptr) return nullptr;
  auto it = sec->index.find(Fold(name));
  if (it == sec->index.end()) return nullptr;
  if (spelling != nullptr) *spelling = &sec->values[it->second].name;
  return &sec->values[it->second].value;
}

bool cmn_IniDocumentC::HasKey(std::string_view path) const {
  std::string folded = Fold(NormalisePath(path));
  if (folded.empty()) return true;
  if (section_index_.count(folded) != 0) return true;
  for (const auto& [name, index] : section_index_) {
    if (IsUnder(name, folded)) return true;
  }
  return false;
}

void cmn_IniDocumentC::ChildKeys(std::string_view path, std::vector<std::string>* out) const {
  std::string parent = NormalisePath(path);
  std::string folded = Fold(parent);
  std::vector<std::string> seen;
  for (const SectionS& sec : sections_) {
    std::string f = Fold(sec.name);
    if (!IsUnder(f, folded)) continue;
    size_t start = folded.empty() ? 0 : folded.size() + 1;
    size_t end = sec.name.find('\\', start);
    std::string child =
        sec.name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string cf = Fold(child);
    if (std::find(seen.begin(), seen.end(), cf) != seen.end()) continue;
    seen.push_back(cf);
    out->push_back(child);
  }
}

void cmn_IniDocumentC::SectionRanges(std::string_view folded,
                                     std::vector<std::pair<size_t, size_t>>* ranges) const {
  ranges->clear();
  size_t first_header = lines_.size();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (IsBoundary(lines_[i].kind)) {
      first_header = i;
      break;
    }
  }
  if (folded.empty()) ranges->emplace_back(0, first_header);
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != KindE::kSection || Fold(lines_[i].section) != folded) continue;
    size_t end = i + 1;
    while (end < lines_.size() && !IsBoundary(lines_[end].kind)) ++end;
    ranges->emplace_back(i, end);
  }
}

size_t cmn_IniDocumentC::LineOfValue(std::string_view path, std::string_view name) const {
  std::vector<std::pair<size_t, size_t>> ranges;
  SectionRanges(Fold(NormalisePath(path)), &ranges);
  std::string folded_name = Fold(name);
  size_t found = 0;
  for (auto [b, e] : ranges) {
    for (size_t i = b; i < e; ++i) {
      if (lines_[i].kind == KindE::kValue && Fold(lines_[i].name) == folded_name) found = i + 1;
    }
  }
  return found;
}

bool cmn_IniDocumentC::FormatValueLines(std::string_view name, const cmn_RegValueS& value,
                                        std::vector<std::string>* lines) {
  if (!ValidName(name)) return false;
  std::string head(name);
  head += TagOfType(value.type);
  head += '=';
  auto text_line = [&](std::string_view text) {
    return head + (NeedsQuotes(text) ? Quote(text) : std::string(text));
  };
  switch (value.type) {
    case cmn_kRegDword:
      lines->push_back(head + std::to_string(value.dword));
      break;
    case cmn_kRegBinary: {
      static const char kHex[] = "0123456789abcdef";
      std::string l = head;
      for (size_t i = 0; i < value.bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(value.bytes[i]);
        if (i > 0) l += ' ';
        l += kHex[c >> 4];
        l += kHex[c & 15];
      }
      lines->push_back(std::move(l));
      break;
    }
    case cmn_kRegMultiSz:
      if (value.texts.empty()) lines->push_back(text_line(""));
      for (const std::string& t : value.texts) lines->push_back(text_line(t));
      break;
    case cmn_kRegSz:
    case cmn_kRegExpandSz:
      lines->push_back(text_line(value.texts.empty() ? std::string_view() : value.texts.front()));
      break;
    default:
      return false;
  }
  return true;
}

bool cmn_IniDocumentC::CanWrite(std::string_view path, std::string_view name,
                                const cmn_RegValueS& value) {
  if (!ValidSection(NormalisePath(path))) return false;
  for (const std::string& t : value.texts) {
    // The wire form ends a text at NUL and a list at an empty text.
    if (t.find('\0') != std::string::npos) return false;
    if (value.type == cmn_kRegMultiSz && t.empty()) return false;
  }
  std::vector<std::string> lines;
  return FormatValueLines(name, value, &lines);
}

bool cmn_IniDocumentC::SetValue(std::string_view path, std::string_view name,
                                const cmn_RegValueS& value) {
  if (!CanWrite(path, name, value)) return false;
  std::string section = NormalisePath(path);
  if (const cmn_RegValueS* now = FindValue(section, name); now != nullptr && *now == value) {
    return true;  // already what is read: nothing changes
  }
  std::string folded_name = Fold(name);
  std::vector<std::pair<size_t, size_t>> ranges;
  SectionRanges(Fold(section), &ranges);
  std::vector<size_t> existing;
  for (auto [b, e] : ranges) {
    for (size_t i = b; i < e; ++i) {
      if (lines_[i].kind == KindE::kValue && Fold(lines_[i].name) == folded_name) {
        existing.push_back(i);
      }
    }
  }
  // A single value replaces only the line that is read (the last); shadowed duplicates above
  // it stay as the administrator wrote them. A MULTI_SZ value is its lines together.
  if (!existing.empty() && value.type != cmn_kRegMultiSz &&
      lines_[existing.back()].type != cmn_kRegMultiSz) {
    existing.erase(existing.begin(), existing.end() - 1);
  }
  // A replaced value keeps the spelling its name already has in the file.
  std::string spelling = existing.empty() ? std::string(name) : lines_[existing.back()].name;
  std::vector<std::string> text;
  if (!FormatValueLines(spelling, value, &text)) return false;
  std::vector<LineS> fresh;
  for (const std::string& t : text) fresh.push_back(NewLine(t, section));
  size_t at;
  if (!existing.empty()) {
    at = existing.front();
    // The replaced line's own ending is kept (CR LF or not).
    const bool cr = lines_[at].raw.ends_with('\r');
    for (LineS& l : fresh) {
      if (l.raw.ends_with('\r') != cr) {
        if (cr) {
          l.raw += '\r';
        } else {
          l.raw.pop_back();
        }
      }
    }
    for (auto it = existing.rbegin(); it != existing.rend(); ++it) {
      lines_.erase(lines_.begin() + static_cast<ptrdiff_t>(*it));
    }
  } else if (!ranges.empty()) {
    // After the last value of the section, before the blank lines that end it and before the
    // comment that belongs to the next header. The attachment key's own range (section "")
    // starts at line 0 and has no header.
    auto [b, e] = ranges.back();
    size_t floor = section.empty() ? b : b + 1;
    at = e;
    if (e < lines_.size()) at = std::max(floor, AttachedCommentStart(e));
    while (at > floor && lines_[at - 1].kind == KindE::kBlank) --at;
    if (at >= lines_.size()) TerminateLastLine();
  } else {
    TerminateLastLine();
    if (!lines_.empty() && lines_.back().kind != KindE::kBlank) lines_.push_back(NewLine("", ""));
    lines_.push_back(NewLine("[" + section + "]", section));
    at = lines_.size();
  }
  lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(at), fresh.begin(), fresh.end());
  Rebuild();
  return true;
}

bool cmn_IniDocumentC::DeleteValue(std::string_view path, std::string_view name) {
  std::vector<std::pair<size_t, size_t>> ranges;
  SectionRanges(Fold(NormalisePath(path)), &ranges);
  std::string folded_name = Fold(name);
  bool removed = false;
  for (auto r = ranges.rbegin(); r != ranges.rend(); ++r) {
    for (size_t i = r->second; i > r->first; --i) {
      const LineS& l = lines_[i - 1];
      if (l.kind == KindE::kValue && Fold(l.name) == folded_name) {
        lines_.erase(lines_.begin() + static_cast<ptrdiff_t>(i - 1));
        removed = true;
      }
    }
  }
  if (removed) Rebuild();
  return removed;
}

bool cmn_IniDocumentC::EnsureSection(std::string_view path) {
  std::string section = NormalisePath(path);
  if (!ValidSection(section)) return false;
  if (HasKey(section)) return true;
  TerminateLastLine();
  if (!lines_.empty() && lines_.back().kind != KindE::kBlank) lines_.push_back(NewLine("", ""));
  lines_.push_back(NewLine("[" + section + "]", section));
  Rebuild();
  return true;
}

bool cmn_IniDocumentC::DeleteSection(std::string_view path, bool recursive) {
  std::string folded = Fold(NormalisePath(path));
  std::vector<std::pair<size_t, size_t>> ranges;
  SectionRanges(folded, &ranges);
  if (recursive) {
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].kind != KindE::kSection || !IsUnder(Fold(lines_[i].section), folded)) continue;
      size_t end = i + 1;
      while (end < lines_.size() && !IsBoundary(lines_[end].kind)) ++end;
      ranges.emplace_back(i, end);
    }
  }
  if (ranges.empty()) return false;
  bool removed = false;
  if (folded.empty()) {
    // The attachment key's own values (before the first header): only value lines go;
    // comments and blank lines stay.
    auto [b, e] = ranges.front();
    ranges.erase(ranges.begin());
    for (size_t i = e; i > b; --i) {
      if (lines_[i - 1].kind == KindE::kValue) {
        lines_.erase(lines_.begin() + static_cast<ptrdiff_t>(i - 1));
        removed = true;
        for (auto& r : ranges) {
          --r.first;
          --r.second;
        }
      }
    }
  }
  // A header's section goes with the comment directly above it; the comment directly above
  // the next header stays with that header.
  for (auto& [b, e] : ranges) {
    b = AttachedCommentStart(b);
    if (e < lines_.size()) e = std::max(b, AttachedCommentStart(e));
  }
  std::sort(ranges.begin(), ranges.end());
  ranges.erase(std::unique(ranges.begin(), ranges.end()), ranges.end());
  for (auto r = ranges.rbegin(); r != ranges.rend(); ++r) {
    if (r->second > r->first) {
      lines_.erase(lines_.begin() + static_cast<ptrdiff_t>(r->first),
                   lines_.begin() + static_cast<ptrdiff_t>(r->second));
      removed = true;
    }
  }
  if (removed) Rebuild();
  return removed;
}
