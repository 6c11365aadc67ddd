// Whole-file reads and writes for setting up and checking what the code under test sees.
#ifndef QLM_TESTS_TESTING_FILEUTIL_H_
#define QLM_TESTS_TESTING_FILEUTIL_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace qlmtest {

// The file's bytes; "" when it cannot be read.
std::string ReadFile(const std::string& path);
// The file's lines without their line ends; empty when it cannot be read.
std::vector<std::string> ReadLines(const std::string& path);
// Replaces the file's contents with `bytes`, making missing parent directories. An existing
// file keeps its mode; a new one gets the usual mode under the umask. False when any step failed.
bool WriteFile(const std::string& path, const std::string& bytes);
// The same, then gives the file `mode` whatever the umask.
bool WriteFile(const std::string& path, const std::string& bytes, mode_t mode);
// True when something (also a dangling link) is at `path`.
bool PathExists(const std::string& path);
// The number of non-overlapping occurrences of `needle` (not empty) in `text`.
size_t Occurrences(const std::string& text, const std::string& needle);

}  // namespace qlmtest

#endif  // QLM_TESTS_TESTING_FILEUTIL_H_
