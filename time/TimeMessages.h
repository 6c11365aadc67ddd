// Failure codes and default texts of the date and time values (message sets 0xD7 and 0x3E8).
//
// Every failure is reported into the calling thread's error buffer with ErrReport(code, text,
// arguments) and the code is the operation's result. All texts carry the default severity
// (error). "%S" takes the offending text; "%d" numbers are lengths, 1-based character
// positions or the fields of the rejected value, in the order the text names them.
#ifndef QLM_BASE_TIME_TIMEMESSAGES_H_
#define QLM_BASE_TIME_TIMEMESSAGES_H_

// TIME_E_<name> and TIME_T_<name>, from messages/time.def.
#include "messages/time_Messages.h"

#endif  // QLM_BASE_TIME_TIMEMESSAGES_H_
