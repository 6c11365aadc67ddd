// Short spellings for building the framework's strings in test tables.
#ifndef QLM_TESTS_TESTING_STRINGHELPERS_H_
#define QLM_TESTS_TESTING_STRINGHELPERS_H_

#include <string>

#include "base/StringC.h"

namespace qlmtest {

// The StringC of UTF-8 `text`.
inline StringC S(const char* text) {
  return StringC::FromUtf8(text);
}
inline StringC S(const std::string& text) {
  return StringC::FromUtf8(text);
}

}  // namespace qlmtest

#endif  // QLM_TESTS_TESTING_STRINGHELPERS_H_
