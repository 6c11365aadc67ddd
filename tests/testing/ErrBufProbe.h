// Reading the calling thread's error buffer in checks.
#ifndef QLM_TESTS_TESTING_ERRBUFPROBE_H_
#define QLM_TESTS_TESTING_ERRBUFPROBE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace qlmtest {

// Empties the calling thread's error buffer.
void ClearErrors();
// The number of entries.
size_t ErrorCount();
// The message numbers of the entries, oldest first.
std::vector<uint32_t> ErrorCodes();
// The texts of the entries from index `from` on, oldest first.
std::vector<std::string> ErrorTexts(size_t from = 0);
// The newest entry's number and text; 0 and "" when the buffer is empty.
uint32_t LastErrorCode();
std::string LastErrorText();
// The text of the newest entry numbered `code`; "" when there is none.
std::string ErrorText(uint32_t code);

}  // namespace qlmtest

#endif  // QLM_TESTS_TESTING_ERRBUFPROBE_H_
