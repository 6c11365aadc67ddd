#include "env/PrefsPathC.h"

#include <utility>

namespace {

bool IsAlpha(char c) noexcept {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsNameChar(char c) noexcept {
  return IsAlpha(c) || (c >= '0' && c <= '9') || c == '_';
}
bool EndsWith(std::string_view text, std::string_view end) noexcept {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The parts of LANG, read as language_territory.codeset@modifier.
enum LangPartE { LANG_LANGUAGE, LANG_TERRITORY, LANG_CODESET };
std::string_view LangPart(std::string_view lang, LangPartE part) noexcept {
  const size_t at = lang.find('@');
  if (at != std::string_view::npos) lang = lang.substr(0, at);
  const size_t dot = lang.find('.');
  const std::string_view head = dot == std::string_view::npos ? lang : lang.substr(0, dot);
  const size_t underscore = head.find('_');
  switch (part) {
    case LANG_LANGUAGE:
      return underscore == std::string_view::npos ? head : head.substr(0, underscore);
    case LANG_TERRITORY:
      return underscore == std::string_view::npos ? std::string_view()
                                                  : head.substr(underscore + 1);
    case LANG_CODESET:
      return dot == std::string_view::npos ? std::string_view() : lang.substr(dot + 1);
  }
  return {};
}

enum CodeResultE {
  CODE_VALUE,     // `value` holds the expansion (possibly empty)
  CODE_NO_VALUE,  // the element fails
  CODE_E,         // %E: the element is replaced by a sub-expansion
  CODE_X,         // %X: the path ends after this element
};

}  // namespace

bool PrefsPathListC::Add(std::string name) {
  for (const std::string& item : items_) {
    if (item == name) return false;
  }
  if (items_.size() == items_.capacity()) items_.reserve(items_.size() + 10);
  items_.push_back(std::move(name));
  return true;
}

void PrefsPathListC::Clear() noexcept {
  items_.clear();
  complete = false;
}

bool PrefsPathC::Join(std::string_view directory, std::string_view name, std::string* out) {
  out->assign(directory.data(), directory.size());
  if (out->empty() || out->back() != '/') out->push_back('/');
  out->append(name.data(), name.size());
  return out->size() <= c_MaxText;
}

std::string PrefsPathC::DirectoryOf(std::string_view file) {
  const size_t slash = file.rfind('/');
  if (slash == std::string_view::npos) return ".";
  std::string_view dir = file.substr(0, slash);
  while (!dir.empty() && dir.back() == '/') dir.remove_suffix(1);
  if (dir.empty()) return "/";
  return std::string(dir);
}

bool PrefsPathC::Expand(const InputS& input, PrefsPathListC* out) {
  out->Clear();
  if (!ExpandInto(input, 0, out)) {
    out->Clear();
    return false;
  }
  return true;
}

bool PrefsPathC::ExpandInto(const InputS& input, int depth, PrefsPathListC* out) {
  const std::string_view path = input.path;
  const size_t n = path.size();
  size_t i = 0;
  std::string element;
  std::string value;
  for (;;) {
    const size_t start = i;
    element.clear();
    bool failed = false;
    std::string failed_code;
    bool suffix_used = false;
    bool stop = false;
    bool replaced = false;  // %E seen: the sub-expansion stands for the element
    PrefsPathListC sub;

    while (i < n && path[i] != ':') {
      const char c = path[i];
      if (c == '$' && i + 1 < n && (path[i + 1] == '(' || IsAlpha(path[i + 1]))) {
        ++i;
        const bool paren = path[i] == '(';
        if (paren) ++i;
        const size_t name_start = i;
        while (i < n && IsNameChar(path[i])) ++i;
        const std::string name(path.substr(name_start, i - name_start));
        if (paren && i < n && path[i] == ')') ++i;
        if (!name.empty() && context_.ProcessEnv(name.c_str(), &value)) element += value;
      } else if (c == '%') {
        ++i;
        if (i < n && (path[i] == ':' || path[i] == '$' || path[i] == '%')) {
          element += path[i++];
        } else {
          const std::string_view rest = path.substr(i);
          const auto starts = [&](std::string_view word) {
            return rest.substr(0, word.size()) == word;
          };
          std::string_view code = rest.substr(0, rest.empty() ? 0 : 1);
          CodeResultE result = CODE_VALUE;
          value.clear();
          if (starts("BASE") || starts("B")) {
            code = starts("BASE") ? "BASE" : "B";
            if (!context_.GetEnv("OUIBASE", &value)) result = CODE_NO_VALUE;
          } else if (starts("CWD")) {
            code = "CWD";
            if (!context_.CurrentDirectory(&value)) result = CODE_NO_VALUE;
          } else if (starts("CACHE") || starts("C")) {
            code = starts("CACHE") ? "CACHE" : "C";
            if (!context_.CacheDirectory(&value)) result = CODE_NO_VALUE;
          } else if (starts("NAME") || starts("N")) {
            code = starts("NAME") ? "NAME" : "N";
            value.assign(input.file_name);
          } else if (starts("SYS")) {
            code = "SYS";
            if (!context_.GetEnv("windir", &value)) value = "C:\\WINDOWS";
            value += value.find('\\') != std::string::npos ? "\\SYSTEM" : "/SYSTEM";
          } else if (starts("S")) {
            if (!suffix_used && !EndsWith(input.file_name, input.suffix))
              value.assign(input.suffix);
            suffix_used = true;
          } else if (starts("TEMP") || starts("T")) {
            code = starts("TEMP") ? "TEMP" : "T";
            if (!context_.GetEnv("TMPDIR", &value) && !context_.GetEnv("TMP", &value) &&
                !context_.GetEnv("TEMP", &value)) {
              value = "/tmp";
            }
          } else if (starts("WIN")) {
            code = "WIN";
            if (!context_.GetEnv("windir", &value)) value = "C:\\WINDOWS";
          } else if (starts("W")) {
            value = task_.start_dir;
          } else if (starts("A") || starts("U")) {
            value = task_.home;
          } else if (starts("E")) {
            result = CODE_E;
            if (depth > 0 || input.variable == nullptr ||
                !context_.GetEnv(input.variable, &value)) {
              result = CODE_NO_VALUE;
            }
          } else if (starts("F")) {
            value = task_.task_name;
          } else if (starts("f")) {
            value = task_.task_name_lower;
          } else if (starts("L") || starts("l") || starts("t") || starts("c")) {
            std::string lang;
            if (!context_.GetEnv("LANG", &lang)) {
              result = CODE_NO_VALUE;
            } else if (code == "L") {
              value = std::move(lang);
            } else {
              const LangPartE part = code == "l"   ? LANG_LANGUAGE
                                     : code == "t" ? LANG_TERRITORY
                                                   : LANG_CODESET;
              value.assign(LangPart(lang, part));
              if (value.empty()) result = CODE_NO_VALUE;
            }
          } else if (starts("P")) {
            if (input.found_in == nullptr) {
              result = CODE_NO_VALUE;
            } else {
              value = DirectoryOf(*input.found_in);
            }
          } else if (starts("V")) {
            value = task_.version_text.substr(0, 2);
          } else if (starts("X")) {
            result = CODE_X;
          } else {
            result = CODE_NO_VALUE;  // not a code, or "%" at the end of the text
          }
          i += code.size();

          if (result == CODE_NO_VALUE) {
            if (!failed) failed_code.assign(code);
            failed = true;
          } else if (result == CODE_E) {
            if (!replaced) {
              InputS nested = input;
              nested.path = value;
              if (!ExpandInto(nested, depth + 1, &sub)) return false;
              replaced = true;
            }
          } else if (result == CODE_X) {
            stop = true;
          } else {
            element += value;
          }
        }
      } else {
        element += c;
        ++i;
      }
      if (element.size() > c_MaxText) return false;
    }

    if (failed) {
      context_.CannotExpand(failed_code, path.substr(start, i - start));
    } else if (replaced) {
      for (const std::string& item : sub.Items()) out->Add(item);
    } else if (!element.empty()) {
      out->Add(element);
    }
    if (stop) return true;
    if (i >= n) {
      out->complete = true;
      return true;
    }
    ++i;  // the ":"
  }
}
