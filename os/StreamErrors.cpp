#include "os/StreamErrors.h"

#include <string.h>

#include <string>

#include "base/ArgListC.h"
#include "log/ErrMessages.h"
#include "os/File_posix.h"

namespace {

// The system's words for `err`, with "%" doubled so the text passes the formatter unchanged.
std::string ErrnoText(int err) {
  char buffer[256];
  const char* words = ::strerror_r(err, buffer, sizeof buffer);  // GNU variant
  std::string text;
  for (const char* p = words; p != nullptr && *p != '\0'; ++p) {
    if (*p == '%') text.push_back('%');
    text.push_back(*p);
  }
  return text;
}

}  // namespace

RcT os_Report(RcT code, const char* text) {
  return ErrReport(code, text);
}

RcT os_Report(RcT code, const char* text, const StringC& arg1) {
  return ErrReport(code, text, ArgList << arg1);
}

RcT os_Report(RcT code, const char* text, const StringC& arg1, const StringC& arg2) {
  return ErrReport(code, text, ArgList << arg1 << arg2);
}

RcT os_ReportErrno(int err, const StringC& name) {
  const std::string text = "'%1$S': " + ErrnoText(err);
  return ErrReport(os_RcFromErrno(err), text.c_str(), ArgList << name);
}

RcT os_ReportErrno(int err) {
  const std::string text = ErrnoText(err);
  return ErrReport(os_RcFromErrno(err), text.c_str());
}

std::string os_SystemWords(RcT code) {
  if ((code & 0xFFFF0000u) != RC_OS_BASE) return std::string();
  char buffer[256];
  const char* words = ::strerror_r(static_cast<int>(code & 0xFFFFu), buffer, sizeof buffer);
  return words != nullptr ? std::string(words) : std::string();
}

int64_t os_StreamRead(int fd, void* buffer, int64_t length) {
  if (length <= 0) return 0;
  size_t got = 0;
  if (int err = os_Read(fd, buffer, static_cast<size_t>(length), &got); err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err);
    return -1;
  }
  return static_cast<int64_t>(got);
}

int64_t os_StreamLength(int fd) {
  if (fd < 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_Report(OS_E_STREAM_LENGTH, OS_T_STREAM_LENGTH);
    return -1;
  }
  int64_t size = 0;
  if (int err = os_FileSize(fd, &size); err != 0) {
    // Reported for the caller; the code it returns is not this function's result.
    (void)os_ReportErrno(err);
    return -1;
  }
  return size;
}
