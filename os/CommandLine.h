// Splitting a command line into arguments and joining arguments into a command line.
//
// Splitting cuts at runs of blank, tab, carriage return and line feed. A double or a single
// quote opens a quoted stretch that only the same character closes (the other quote is
// ordinary inside it); separators inside a stretch are ordinary. A quote or separator
// immediately preceded by an odd number of consecutive backslashes is ordinary. The quotes
// that open or close a stretch are removed; every backslash and every other character is
// kept. The end of the line ends the last argument, also inside an open stretch.
//
// Joining is the inverse: SplitCommandLine(JoinCommandLine(a)) gives `a` back for every list
// `a` whose arguments, except possibly the last, do not end in an odd number of backslashes
// (no line splits into such a list: a backslash before the separator would make it
// ordinary).
#ifndef QLM_OS_COMMANDLINE_H_
#define QLM_OS_COMMANDLINE_H_

#include <string>
#include <string_view>
#include <vector>

#include "base/StringArrayC.h"
#include "base/StringC.h"

// The arguments of `line`, appended to `arguments` (an empty or blank line adds none).
void SplitCommandLine(const StringC& line, StringArrayC* arguments);
// The same over UTF-8 or 8-bit bytes (the rules look only at ASCII characters).
std::vector<std::string> SplitCommandLine(std::string_view line);

// The arguments joined by single blanks. An argument that is empty or holds a separator or a
// quote is quoted: wrapped in double quotes when it holds none (or in single quotes when it
// holds no single quote), else built from quoted stretches of either kind.
StringC JoinCommandLine(const StringArrayC& arguments);
std::string JoinCommandLine(const std::vector<std::string>& arguments);

#endif  // QLM_OS_COMMANDLINE_H_
