// The strict shape of the log's lines, checked after every end-to-end test: one entry per
// line, each "[<time> (<letter>, <level>)] {<pid>[: <user>U+<system>K]} <text>", the time
// without brackets or control characters, the text without control characters, and the file
// ending with a line break (no line cut short).
#ifndef QLM_E2E_LOGLINECHECKER_H_
#define QLM_E2E_LOGLINECHECKER_H_

#include <regex>
#include <string>
#include <vector>

namespace e2e {

// The problems found in the bytes of a log file, one text each (empty: the log is sound).
inline std::vector<std::string> LogLineProblems(const std::string& bytes) {
  static const std::regex shape(
      R"(\[[^\[\]\x00-\x1f\x7f]+ \([A-Za-z], [0-9]{1,2}\)\] )"
      R"((\{[0-9]+(: [0-9]+\.[0-9]{3}U\+[0-9]+\.[0-9]{3}K)?\} |\{[0-9]+\.[0-9]{3}U\+[0-9]+\.[0-9]{3}K\} )?)"
      R"([^\x00-\x1f\x7f]*)");
  std::vector<std::string> problems;
  if (!bytes.empty() && bytes.back() != '\n') problems.push_back("the last line is cut short");
  size_t start = 0;
  size_t number = 1;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = bytes.substr(start, end - start);
    if (!std::regex_match(line, shape)) {
      problems.push_back("line " + std::to_string(number) +
                         " is malformed: " + line.substr(0, 200));
    }
    start = end + 1;
    ++number;
  }
  return problems;
}

}  // namespace e2e

#endif  // QLM_E2E_LOGLINECHECKER_H_
