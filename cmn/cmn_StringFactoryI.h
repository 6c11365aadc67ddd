// The factory of string bodies (getStringFactory()).
//
// Every Make* returns a new body with a reference count of 0 (or the shared empty body); the
// caller adds its own reference. Creation never fails: bad input bytes become U+FFFD, and an
// unknown encoding name is read as UTF-8. Out of memory terminates the process.
#ifndef QLM_CMN_CMN_STRINGFACTORYI_H_
#define QLM_CMN_CMN_STRINGFACTORYI_H_

#include <cstddef>
#include <cstdint>

class cmn_StringBodyI;
class cmn_ArgsI;

class cmn_StringFactoryI {
 public:
  // A body from zero-terminated `text` in `encoding` (a null text gives the empty body).
  virtual cmn_StringBodyI* MakeFromCText(const char* text, const char* encoding) = 0;
  // A body from `count` bytes in `encoding` ("utf16" and "wchar_t" read whole units in
  // machine order; an incomplete last unit or character becomes U+FFFD).
  virtual cmn_StringBodyI* MakeFromBytes(const void* bytes, size_t count, const char* encoding) = 0;
  // A body of one code point.
  virtual cmn_StringBodyI* MakeFromChar(char32_t c) = 0;
  // A new body holding `a` followed by `b`.
  virtual cmn_StringBodyI* Concat(const cmn_StringBodyI& a, const cmn_StringBodyI& b) = 0;
  // `count` characters of `s` from `position` (count -1: the rest), clipped to the text.
  virtual cmn_StringBodyI* Substring(const cmn_StringBodyI& s, int64_t position, int64_t count) = 0;
  // `format` rendered with `args` (may be null: no arguments). See cmn_Formatter.h for the
  // conversions; a format that does not match its arguments renders safely.
  virtual cmn_StringBodyI* Format(const cmn_StringBodyI& format, const cmn_ArgsI* args) = 0;
  // The shared empty body (made once per process).
  virtual cmn_StringBodyI* Empty() = 0;

 protected:
  ~cmn_StringFactoryI() = default;
};

#endif  // QLM_CMN_CMN_STRINGFACTORYI_H_
