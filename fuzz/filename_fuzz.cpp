// File names from arbitrary bytes: canonical form, joining, components, normalising and
// wildcard matching. The input is two texts separated by the first zero byte (a name or text,
// and a name or pattern). Checks the invariants of the canonical form and of normalising, and
// compares Match with a table-driven reference on short inputs. Sizes are bounded so that the
// O(text * pattern) matcher stays fast on every input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/StringArrayC.h"
#include "base/StringC.h"
#include "cmn/cmn_TextCodec.h"
#include "cmn/cmn_Unicode.h"
#include "os/FileNameC.h"

namespace {

constexpr size_t kMaxText = 4096;
constexpr size_t kMaxPattern = 512;
constexpr size_t kMaxReference = 48;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::u32string Decode(std::string_view text) {
  std::u32string out;
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

// match[i][j]: the first i characters of the text against the first j of the pattern.
bool ReferenceMatch(std::string_view text_utf8, std::string_view pattern_utf8, bool cs) {
  const std::u32string t = Decode(text_utf8);
  const std::u32string p = Decode(pattern_utf8);
  std::vector<std::vector<char>> m(t.size() + 1, std::vector<char>(p.size() + 1, 0));
  m[0][0] = 1;
  for (size_t j = 1; j <= p.size(); ++j) m[0][j] = p[j - 1] == U'*' && m[0][j - 1];
  for (size_t i = 1; i <= t.size(); ++i) {
    for (size_t j = 1; j <= p.size(); ++j) {
      const char32_t pc = p[j - 1];
      const char32_t tc = t[i - 1];
      if (pc == U'*') {
        m[i][j] = m[i][j - 1] || m[i - 1][j];
      } else if (pc == U'?' || pc == tc || (!cs && cmn_ToLower(pc) == cmn_ToLower(tc))) {
        m[i][j] = m[i - 1][j - 1];
      }
    }
  }
  return m[t.size()][p.size()] != 0;
}

void CheckCanonical(const FileNameC& name) {
  const std::string_view text = name.GetText().Utf8View();
  Check(text.empty() || (text.front() != '/' && text.back() != '/'));
  Check(text.find("//") == std::string_view::npos);
  Check(FileNameC(name.GetFullText()) == name);
  int64_t slashes = 0;
  for (char c : text) slashes += c == '/';
  Check(name.GetComponentCount() == (text.empty() ? 0 : slashes + 1));
  auto parts = name.GetComponents(0, -1);
  Check(parts != nullptr && static_cast<int64_t>(parts->Count()) == name.GetComponentCount());
  Check(FileNameC(*parts).GetText() == name.GetText());
  for (uint64_t i = 0; i < parts->Count(); ++i) {
    Check((*parts)[i] == name.GetComponent(static_cast<int64_t>(i)));
  }
  Check(name.GetComponent(name.GetComponentCount()).IsEmpty());
  Check(name.StartsWith(name));
  Check(name.StartsWith(name.GetDirectoryName()) || name.GetDirectory().IsEmpty());
}

void CheckNormalised(const FileNameC& name) {
  const StringC once = name.GetNormalised();
  const FileNameC normal(once);
  Check(normal.IsAbsolute() == name.IsAbsolute());
  Check(normal.GetNormalised() == once);  // idempotent
  bool past_dotdot = false;
  for (int64_t i = 0; i < normal.GetComponentCount(); ++i) {
    const StringC component = normal.GetComponent(i);
    const std::string_view part = component.Utf8View();
    if (part == "..") {
      Check(!normal.IsAbsolute() && !past_dotdot);
    } else {
      past_dotdot = true;
      Check(part != "." || normal.GetComponentCount() == 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t zero = input.find('\0');
  std::string_view first = input.substr(0, zero);
  std::string_view second =
      zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);
  if (first.size() > kMaxText) first = first.substr(0, kMaxText);
  if (second.size() > kMaxPattern) second = second.substr(0, kMaxPattern);

  const StringC a = StringC::FromUtf8(first);
  const StringC b = StringC::FromUtf8(second);
  const FileNameC name_a(a);
  const FileNameC name_b(b);
  CheckCanonical(name_a);
  CheckCanonical(name_b);
  CheckNormalised(name_a);

  const FileNameC joined(&name_a, b);
  CheckCanonical(joined);
  const StringC full_a = name_a.GetFullText();
  const std::string_view dir = full_a.Utf8View();
  if (!dir.empty() && dir != ".") Check(joined.StartsWith(name_a));
  Check(FileNameC(full_a, b) == joined);

  StringC stripped = a;
  FileNameC::StripSuffix(stripped, b);
  Check(stripped.Length() <= a.Length());
  (void)name_a.GetBaseName(b);

  // Matching, on the texts (valid UTF-8) and on the raw bytes.
  for (bool cs : {true, false}) {
    const bool matched = FileNameC::Match(a, b, cs);
    if (a.Length() <= static_cast<int64_t>(kMaxReference) &&
        b.Length() <= static_cast<int64_t>(kMaxReference)) {
      Check(matched == ReferenceMatch(a.Utf8View(), b.Utf8View(), cs));
    }
    if (cs && matched) Check(FileNameC::Match(a, b, false));
    (void)FileNameC::Match(first, second, cs);
  }
  Check(FileNameC::Match(a, StringC("*", StringC::CC_ASCII), true));
  if (a.Utf8View().find_first_of("*?") == std::string_view::npos) {
    Check(FileNameC::Match(a, a, true));
  }
  return 0;
}
