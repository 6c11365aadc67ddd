// Failure codes and default texts of the streams and the file service (message set 0xCB).
//
// Every failure is reported into the calling thread's error buffer with ErrReport(code, text,
// arguments) and the code is returned to the caller. Texts with "%1$S" take the file name (or
// the copy source) as argument 1; copy texts take the destination as argument 2. A code with
// an empty text is returned (and, except for the end of input, reported) without words of its
// own.
#ifndef QLM_OS_STREAMERRORS_H_
#define QLM_OS_STREAMERRORS_H_

#include "base/StringC.h"
#include "cmn/cmn_Result.h"

// Streams.
inline constexpr RcT OS_E_STREAM_LENGTH = 0xE0CB0005;
inline constexpr const char* OS_T_STREAM_LENGTH = "Cannot obtain length of stream";
inline constexpr RcT OS_E_STREAM_NO_READ = 0xE0CB0006;
inline constexpr const char* OS_T_STREAM_NO_READ =
    "Attempted to read from a stream that does not support reading";
inline constexpr RcT OS_E_STREAM_NO_SEEK = 0xE0CB0007;
inline constexpr const char* OS_T_STREAM_NO_SEEK =
    "Attempted to set current position in a stream that does not support seeking";
inline constexpr RcT OS_E_STREAM_NO_WRITE = 0xE0CB0008;
inline constexpr const char* OS_T_STREAM_NO_WRITE =
    "Attempted to write to a stream that does not support writing";
inline constexpr RcT OS_E_APPEND_NO_WRITE = 0xE0CB0009;
inline constexpr const char* OS_T_APPEND_NO_WRITE =
    "Attempted to open '%1$S' for appending without write access";
inline constexpr RcT OS_E_SEEK_BEFORE_START = 0xE0CB000A;
inline constexpr const char* OS_T_SEEK_BEFORE_START =
    "Attempted to seek before the start of a stream";
inline constexpr RcT OS_E_STREAM_NO_RESIZE = 0xE0CB000B;
inline constexpr const char* OS_T_STREAM_NO_RESIZE =
    "Attempted to set length on non-resizable stream";
inline constexpr RcT OS_E_OPEN_FILE = 0xE0CB0010;
inline constexpr const char* OS_T_OPEN_FILE = "Failed to open file '%1$S'";
inline constexpr RcT OS_E_STREAM_COPY_WRITE = 0xE0CB0015;
inline constexpr const char* OS_T_STREAM_COPY_WRITE = "Failed to write to a stream";
// A line was asked for at the end of the input. Returned only: reaching the end of a text is
// the normal way a reading loop ends, so it is not recorded as a failure.
inline constexpr RcT OS_E_END_OF_INPUT = 0xE0CB001A;

// File service.
inline constexpr RcT OS_E_COPY_OPEN_SOURCE = 0xE0CB0016;
inline constexpr const char* OS_T_COPY_OPEN_SOURCE =
    "Failed to open the source file when copying file '%1$S' to '%2$S'";
inline constexpr RcT OS_E_COPY_OPEN_DEST = 0xE0CB0017;
inline constexpr const char* OS_T_COPY_OPEN_DEST =
    "Failed to open the destination file when copying file '%1$S' to '%2$S'";
inline constexpr RcT OS_E_COPY_READ = 0xE0CB0018;
inline constexpr const char* OS_T_COPY_READ =
    "Failed to read the source file when copying file '%1$S' to '%2$S'";
inline constexpr RcT OS_E_COPY_WRITE = 0xE0CB0019;
inline constexpr const char* OS_T_COPY_WRITE =
    "Failed to write to the destination file when copying file '%1$S' to '%2$S'";
inline constexpr RcT OS_E_CHDIR = 0xE0CB0011;
inline constexpr const char* OS_T_CHDIR = "Cannot change to directory '%1$S'";
inline constexpr RcT OS_E_MKDIR = 0xE0CB0002;
inline constexpr const char* OS_T_MKDIR = "Cannot create directory '%1$S'";
inline constexpr RcT OS_E_SET_HIDDEN = 0xE0CB0013;
inline constexpr const char* OS_T_SET_HIDDEN = "Cannot set hidden state of file '%1$S'";
inline constexpr RcT OS_E_GET_HIDDEN = 0xE0CB0012;
inline constexpr const char* OS_T_GET_HIDDEN = "Cannot get hidden state of file '%1$S'";
inline constexpr RcT OS_E_GET_SYSTEM = 0xE0CB0014;
inline constexpr const char* OS_T_GET_SYSTEM = "Cannot get system state of file '%1$S'";
// An invalid time was given.
inline constexpr RcT OS_E_BAD_TIME = 0xE0CB000C;
// The operation is not supported on this system.
inline constexpr RcT OS_E_NOT_SUPPORTED = 0xE0CB000D;
// The empty default text of the codes above that have none.
inline constexpr const char* OS_T_NONE = "";

// Operating-system codes the callers test for.
inline constexpr RcT OS_E_EXISTS = 0xE0000011;  // EEXIST
inline constexpr RcT OS_E_AGAIN = 0xE000000B;   // EAGAIN: lock refused, or file replaced

// Reporting into the calling thread's error buffer. Each returns `code` (or the code made
// from `err`), which the caller returns as its result.
[[nodiscard]] RcT os_Report(RcT code, const char* text);
[[nodiscard]] RcT os_Report(RcT code, const char* text, const StringC& arg1);
[[nodiscard]] RcT os_Report(RcT code, const char* text, const StringC& arg1, const StringC& arg2);
// Reports the operating-system failure `err` (an errno value) with the system's words for it,
// naming `name` as argument 1. Returns os_RcFromErrno(err).
[[nodiscard]] RcT os_ReportErrno(int err, const StringC& name);
[[nodiscard]] RcT os_ReportErrno(int err);

// The shared reads of the descriptor-backed streams. Up to `length` bytes from `fd` into
// `buffer`: the count read (0 at end of data or for a length <= 0), or -1 with the system's
// failure reported. Blocks like read(2).
[[nodiscard]] int64_t os_StreamRead(int fd, void* buffer, int64_t length);
// The size of the file behind `fd`, or -1 with OS_E_STREAM_LENGTH (no descriptor) or the
// system's failure reported.
[[nodiscard]] int64_t os_StreamLength(int fd);

#endif  // QLM_OS_STREAMERRORS_H_
