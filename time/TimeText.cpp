#include "time/TimeText.h"

#include <limits>

#include "base/ArgListC.h"
#include "cmn/cmn_TextCodec.h"
#include "cmn/cmn_Unicode.h"
#include "log/ErrMessages.h"

std::u32string time_Chars(const StringC& text) {
  const std::string_view bytes = text.Utf8View();
  std::u32string chars;
  if (text.IsAscii()) {
    chars.assign(bytes.begin(), bytes.end());
    return chars;
  }
  chars.reserve(bytes.size());
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t left = bytes.size();
  while (left > 0) {
    char32_t c = 0;
    size_t used = cmn_ReadUtf8(p, left, &c);
    if (used == 0) {  // cannot happen for a string body, which is well-formed
      c = cmn_kReplacementChar;
      used = left;
    }
    chars.push_back(c);
    p += used;
    left -= used;
  }
  return chars;
}

StringC time_Text(std::u32string_view chars) {
  std::string bytes;
  bytes.reserve(chars.size());
  uint8_t buffer[8];
  for (char32_t c : chars) {
    const size_t n = cmn_WriteUtf8(c, buffer);
    bytes.append(reinterpret_cast<const char*>(buffer), n);
  }
  return StringC::FromUtf8(bytes);
}

StringC time_Ascii(std::string_view text) {
  return StringC(text.data(), text.size(), StringC::CC_ASCII);
}

int time_DigitAt(std::u32string_view chars, size_t pos) noexcept {
  return pos < chars.size() ? cmn_DigitValue(chars[pos]) : -1;
}

bool time_ReadDigits(std::u32string_view chars, size_t pos, size_t count, int32_t* value,
                     size_t* badPos) noexcept {
  int32_t result = 0;
  for (size_t i = 0; i < count; ++i) {
    const int digit = time_DigitAt(chars, pos + i);
    if (digit < 0) {
      if (badPos != nullptr) *badPos = pos + i;
      return false;
    }
    result = result * 10 + digit;
  }
  *value = result;
  return true;
}

char* time_PutDigits(char* out, uint64_t value, int width) noexcept {
  char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n < width && n < 20) digits[n++] = '0';
  while (n > 0) *out++ = digits[--n];
  return out;
}

int32_t time_Clamp32(int64_t value) noexcept {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

RcT time_ReportText(RcT code, const char* defaultText, const StringC& text) {
  return ErrReport(code, defaultText, ArgList << text);
}

RcT time_ReportTextNumber(RcT code, const char* defaultText, const StringC& text, int64_t number) {
  return ErrReport(code, defaultText, ArgList << text << time_Clamp32(number));
}

RcT time_ReportDate(RcT code, const char* defaultText, int64_t year, int64_t month, int64_t day) {
  return ErrReport(code, defaultText,
                   ArgList << time_Clamp32(year) << time_Clamp32(month) << time_Clamp32(day));
}

RcT time_ReportTime(RcT code, const char* defaultText, int64_t hour, int64_t minute,
                    int64_t second) {
  return ErrReport(code, defaultText,
                   ArgList << time_Clamp32(hour) << time_Clamp32(minute) << time_Clamp32(second));
}

RcT time_ReportFields(RcT code, const char* defaultText, int64_t year, int64_t month, int64_t day,
                      int64_t hour, int64_t minute, int64_t second) {
  return ErrReport(code, defaultText,
                   ArgList << time_Clamp32(year) << time_Clamp32(month) << time_Clamp32(day)
                           << time_Clamp32(hour) << time_Clamp32(minute) << time_Clamp32(second));
}
