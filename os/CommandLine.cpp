#include "os/CommandLine.h"

namespace {

bool IsSeparator(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsQuote(char c) noexcept {
  return c == '"' || c == '\'';
}

// Number of backslashes at the end of `text`.
size_t TrailingBackslashes(std::string_view text) noexcept {
  size_t n = 0;
  while (n < text.size() && text[text.size() - 1 - n] == '\\') ++n;
  return n;
}

bool NeedsQuoting(std::string_view argument) noexcept {
  if (argument.empty()) return true;
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // A quote or separator after an odd run is ordinary as it stands.
    if ((IsSeparator(c) || IsQuote(c)) && backslashes % 2 == 0) return true;
    backslashes = 0;
  }
  return false;
}

// Appends the quoted form of `argument`, built character by character: characters go out
// bare while nothing needs a stretch; a separator or quote that would act opens a stretch
// whose quote is not that character; a stretch is closed before a character equal to its
// quote, and before a run of backslashes that ends the argument (a closing quote after an odd
// run would be ordinary).
void AppendStretches(std::string_view argument, std::string* out) {
  char open = 0;   // quote of the open stretch, 0 outside
  size_t run = 0;  // backslashes just written
  for (size_t i = 0; i < argument.size(); ++i) {
    const char c = argument[i];
    if (c == '\\') {
      if (run == 0 && open != 0 && argument.find_first_not_of('\\', i) == std::string_view::npos) {
        out->push_back(open);
        open = 0;
      }
      out->push_back(c);
      ++run;
      continue;
    }
    const bool escaped = run % 2 == 1;
    run = 0;
    if (open != 0 && c == open && !escaped) {
      out->push_back(open);  // close; the quote itself then needs the other kind
      open = 0;
    }
    if (open == 0 && !escaped && (IsSeparator(c) || IsQuote(c))) {
      open = c == '"' ? '\'' : '"';
      out->push_back(open);
    }
    out->push_back(c);
  }
  if (open != 0) out->push_back(open);
}

void AppendQuoted(std::string_view argument, std::string* out) {
  if (!NeedsQuoting(argument)) {
    out->append(argument);
    return;
  }
  if (argument.empty()) {
    out->append("\"\"");
    return;
  }
  // The trailing backslashes stay outside the quotes: a closing quote after an odd run would
  // be ordinary.
  const size_t run = TrailingBackslashes(argument);
  const std::string_view body = argument.substr(0, argument.size() - run);
  for (char quote : {'"', '\''}) {
    if (body.find(quote) == std::string_view::npos) {
      out->push_back(quote);
      out->append(body);
      out->push_back(quote);
      out->append(argument.substr(body.size()));
      return;
    }
  }
  AppendStretches(argument, out);
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> arguments;
  size_t i = 0;
  const size_t n = line.size();
  for (;;) {
    while (i < n && IsSeparator(line[i])) ++i;
    if (i == n) break;
    std::string argument;
    char open = 0;
    size_t run = 0;
    for (; i < n; ++i) {
      const char c = line[i];
      if (c == '\\') {
        argument.push_back(c);
        ++run;
        continue;
      }
      const bool escaped = run % 2 == 1;
      run = 0;
      if (open != 0) {
        if (c == open && !escaped) {
          open = 0;
          continue;
        }
      } else if (!escaped) {
        if (IsSeparator(c)) break;
        if (IsQuote(c)) {
          open = c;
          continue;
        }
      }
      argument.push_back(c);
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

void SplitCommandLine(const StringC& line, StringArrayC* arguments) {
  for (const std::string& argument : SplitCommandLine(line.Utf8View())) {
    arguments->Append(StringC::FromUtf8(argument));
  }
}

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
  std::string line;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i != 0) line.push_back(' ');
    AppendQuoted(arguments[i], &line);
  }
  return line;
}

StringC JoinCommandLine(const StringArrayC& arguments) {
  std::string line;
  for (uint64_t i = 0; i < arguments.Count(); ++i) {
    if (i != 0) line.push_back(' ');
    AppendQuoted(arguments[i].Utf8View(), &line);
  }
  return StringC::FromUtf8(line);
}
