// Failure codes and default texts of the date and time values (message sets 0xD7 and 0x3E8).
//
// Every failure is reported into the calling thread's error buffer with ErrReport(code, text,
// arguments) and the code is the operation's result. All texts carry the default severity
// (error). "%S" takes the offending text; "%d" numbers are lengths, 1-based character
// positions or the fields of the rejected value, in the order the text names them.
#ifndef QLM_BASE_TIME_TIMEMESSAGES_H_
#define QLM_BASE_TIME_TIMEMESSAGES_H_

#include "cmn/cmn_Result.h"

// Parsing a date: text and its length; text and position; text.
inline constexpr RcT TIME_E_DATE_LENGTH = 0xE0D700C9;
inline constexpr const char* TIME_T_DATE_LENGTH =
    "Date '%S' is formatted incorrectly, %d characters but must be 8 characters";
inline constexpr RcT TIME_E_DATE_NOT_NUMERIC = 0xE0D700CA;
inline constexpr const char* TIME_T_DATE_NOT_NUMERIC =
    "Date '%S' formatted incorrectly, not numeric at character %d";
inline constexpr RcT TIME_E_DATE_INVALID = 0xE0D700CB;
inline constexpr const char* TIME_T_DATE_INVALID = "Date '%S' is not valid.";

// Parsing a time: text and its length; text and position; text; text.
inline constexpr RcT TIME_E_TIME_LENGTH = 0xE0D70065;
inline constexpr const char* TIME_T_TIME_LENGTH =
    "Time '%S' is formatted incorrectly, %d characters but must be 6, 7 or 11 characters";
inline constexpr RcT TIME_E_TIME_NOT_NUMERIC = 0xE0D70066;
inline constexpr const char* TIME_T_TIME_NOT_NUMERIC =
    "Time '%S' formatted incorrectly, not numeric at character %d";
inline constexpr RcT TIME_E_TIME_ZONE = 0xE0D70067;
inline constexpr const char* TIME_T_TIME_ZONE =
    "Time '%S' formatted incorrectly, timezone is invalid";
inline constexpr RcT TIME_E_TIME_INVALID = 0xE0D70068;
inline constexpr const char* TIME_T_TIME_INVALID = "Time '%S' is not valid.";

// Parsing a date and time: text.
inline constexpr RcT TIME_E_DATETIME_SEPARATOR = 0xE0D7012C;
inline constexpr const char* TIME_T_DATETIME_SEPARATOR =
    "Date-Time string '%S' formatted incorrectly, missing time separator character";

// Formatting an invalid value: year, month, day; hour, minute, second.
inline constexpr RcT TIME_E_DATE_FORMAT = 0xE0D700C8;
inline constexpr const char* TIME_T_DATE_FORMAT =
    "Cannot convert invalid date %04d/%02d/%02d to string";
inline constexpr RcT TIME_E_TIME_FORMAT = 0xE0D70064;
inline constexpr const char* TIME_T_TIME_FORMAT =
    "Cannot convert invalid time %02d:%02d:%2d to string";

// Conversions from numbers: year, month, day; the six fields.
inline constexpr RcT TIME_E_DATE_NUMERIC = 0xE0D700CC;
inline constexpr const char* TIME_T_DATE_NUMERIC =
    "Invalid date %04d/%02d/%02d converted from numeric source";
inline constexpr RcT TIME_E_DATETIME_NUMERIC = 0xE0D7006A;
inline constexpr const char* TIME_T_DATETIME_NUMERIC =
    "Invalid date/time %04d/%02d/%02d %02d:%02d:%02d converted from numeric source";

// The timestamp: text; the six fields.
inline constexpr RcT TIME_E_TIMESTAMP_TEXT = 0xE3E80064;
inline constexpr const char* TIME_T_TIMESTAMP_TEXT = "Invalid date/time string: '%S'";
inline constexpr RcT TIME_E_TIMESTAMP_FIELDS = 0xE3E80065;
inline constexpr const char* TIME_T_TIMESTAMP_FIELDS =
    "Invalid date/time %04d/%02d/%02d %02d:%02d:%02d";

#endif  // QLM_BASE_TIME_TIMEMESSAGES_H_
