// Failure codes and default texts of the streams and the file service (message set 0xCB).
//
// Every failure is reported into the calling thread's error buffer with ErrReport(code, text,
// arguments) and the code is returned to the caller. Texts with "%1$S" take the file name (or
// the copy source) as argument 1; copy texts take the destination as argument 2. A code with
// an empty text is returned (and, except for the end of input, reported) without words of its
// own.
#ifndef QLM_OS_STREAMERRORS_H_
#define QLM_OS_STREAMERRORS_H_

#include <string>

#include "base/StringC.h"
#include "cmn/cmn_Result.h"
#include "messages/os_Messages.h"

// The codes with words (streams, the file service) are OS_E_<name> with default text OS_T_<name>,
// from messages/os.def.
// A line was asked for at the end of the input. Returned only: reaching the end of a text is
// the normal way a reading loop ends, so it is not recorded as a failure.
inline constexpr RcT OS_E_END_OF_INPUT = 0xE0CB001A;
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
// The system's words for an operating-system code (0xE0000000 | errno), as strerror gives
// them; "" for any other code. For callers that say a failure in their own message.
[[nodiscard]] std::string os_SystemWords(RcT code);

// The shared reads of the descriptor-backed streams. Up to `length` bytes from `fd` into
// `buffer`: the count read (0 at end of data or for a length <= 0), or -1 with the system's
// failure reported. Blocks like read(2).
[[nodiscard]] int64_t os_StreamRead(int fd, void* buffer, int64_t length);
// The size of the file behind `fd`, or -1 with OS_E_STREAM_LENGTH (no descriptor) or the
// system's failure reported.
[[nodiscard]] int64_t os_StreamLength(int fd);

#endif  // QLM_OS_STREAMERRORS_H_
