// DateC, TimeC and DateTimeC: parsing, formatting, normalisation into local time, and the
// conversions from numbers.
#include <gtest/gtest.h>
#include <time.h>

#include <climits>
#include <string>

#include "tests/time/TimeTestSupport.h"
#include "time/DateC.h"
#include "time/DateTimeC.h"
#include "time/DayNumber.h"
#include "time/TimeC.h"
#include "time/TimeMessages.h"

namespace {

using timetest::ClearErrors;
using timetest::ErrorCount;
using timetest::LastErrorCode;
using timetest::LastErrorText;
using timetest::S;
using timetest::ScopedTz;

std::string Text(const StringC& s) {
  return s.ToUtf8();
}

// ----- DateC -----

struct DateParseCase {
  const char* text;
  bool extended;
  RcT rc;
  int year, month, day;  // when rc is 0
  const char* message;   // when rc is not 0
};

TEST(DateCTest, ParseTable) {
  const DateParseCase cases[] = {
      {"20240229", false, 0, 2024, 2, 29, nullptr},
      {"20000229", false, 0, 2000, 2, 29, nullptr},
      {"2026-12-04", true, 0, 2026, 12, 4, nullptr},
      {"202612-04", true, 0, 2026, 12, 4, nullptr},
      {"20261204", true, 0, 2026, 12, 4, nullptr},
      // Arabic-Indic digits are decimal digits too.
      {"\u0662\u0660\u0662\u0666\u0661\u0662\u0660\u0664", false, 0, 2026, 12, 4, nullptr},
      {"20230229", false, TIME_E_DATE_INVALID, 0, 0, 0, "Date '20230229' is not valid."},
      {"19000229", false, TIME_E_DATE_INVALID, 0, 0, 0, "Date '19000229' is not valid."},
      {"00000101", false, TIME_E_DATE_INVALID, 0, 0, 0, "Date '00000101' is not valid."},
      {"20261304", false, TIME_E_DATE_INVALID, 0, 0, 0, "Date '20261304' is not valid."},
      {"20261200", false, TIME_E_DATE_INVALID, 0, 0, 0, "Date '20261200' is not valid."},
      {"2023-2-28", true, TIME_E_DATE_NOT_NUMERIC, 0, 0, 0,
       "Date '2023-2-28' formatted incorrectly, not numeric at character 6"},
      {"2023X228", false, TIME_E_DATE_NOT_NUMERIC, 0, 0, 0,
       "Date '2023X228' formatted incorrectly, not numeric at character 5"},
      {"2026\u00e9204", false, TIME_E_DATE_NOT_NUMERIC, 0, 0, 0,
       "Date '2026\u00e9204' formatted incorrectly, not numeric at character 5"},
      {"2026-12-04", false, TIME_E_DATE_LENGTH, 0, 0, 0,
       "Date '2026-12-04' is formatted incorrectly, 10 characters but must be 8 characters"},
      {"", false, TIME_E_DATE_LENGTH, 0, 0, 0,
       "Date '' is formatted incorrectly, 0 characters but must be 8 characters"},
      {"2026-1204", false, TIME_E_DATE_LENGTH, 0, 0, 0,
       "Date '2026-1204' is formatted incorrectly, 9 characters but must be 8 characters"},
      {"2026-12-4", true, TIME_E_DATE_LENGTH, 0, 0, 0,
       "Date '2026-12-4' is formatted incorrectly, 7 characters but must be 8 characters"},
  };
  for (const DateParseCase& c : cases) {
    SCOPED_TRACE(c.text);
    ClearErrors();
    DateC date(1999, 1, 1);
    const RcT rc = date.Parse(S(c.text), c.extended);
    EXPECT_EQ(rc, c.rc);
    if (c.rc == 0) {
      EXPECT_TRUE(date.IsValid());
      EXPECT_EQ(date.GetYear(), c.year);
      EXPECT_EQ(date.GetMonth(), c.month);
      EXPECT_EQ(date.GetDay(), c.day);
      EXPECT_EQ(date.GetWeekday(), -1);
      EXPECT_EQ(date.GetDayOfYear(), -1);
      EXPECT_EQ(ErrorCount(), 0u);
    } else {
      // A failed parse never leaves the previous (valid) value looking valid.
      EXPECT_FALSE(date.IsValid());
      EXPECT_EQ(LastErrorCode(), c.rc);
      EXPECT_EQ(LastErrorText(), c.message);
    }
  }
}

TEST(DateCTest, ParseAfterFailureSucceeds) {
  DateC date;
  EXPECT_NE(date.Parse(S("2023X228"), false), 0u);
  EXPECT_EQ(date.Parse(S("20230228"), false), 0u);
  EXPECT_TRUE(date.IsValid());
}

TEST(DateCTest, Format) {
  struct Case {
    int year, month, day;
    bool extended;
    const char* text;
  } cases[] = {
      {2026, 12, 4, false, "20261204"}, {2026, 12, 4, true, "2026-12-04"},
      {5, 1, 2, false, "00050102"},     {12345, 6, 7, true, "12345-06-07"},
      {2024, 2, 29, false, "20240229"},
  };
  for (const Case& c : cases) {
    StringC text;
    EXPECT_EQ(DateC(c.year, c.month, c.day).Format(&text, c.extended), 0u);
    EXPECT_EQ(Text(text), c.text);
  }
  ClearErrors();
  StringC text = S("unchanged");
  EXPECT_EQ(DateC(2023, 2, 29).Format(&text, false), TIME_E_DATE_FORMAT);
  EXPECT_EQ(Text(text), "unchanged");
  EXPECT_EQ(LastErrorText(), "Cannot convert invalid date 2023/02/29 to string");
  EXPECT_EQ(DateC().Format(&text, true), TIME_E_DATE_FORMAT);
}

// ----- TimeC -----

struct TimeParseCase {
  const char* text;
  bool extended;
  RcT rc;
  int hour, minute, second, kind, offset;  // when rc is 0; offset only for explicit zones
  bool explicitZone;
  const char* message;
};

TEST(TimeCTest, ParseTable) {
  ScopedTz tz(timetest::kBerlin);
  const TimeParseCase cases[] = {
      {"153000", false, 0, 15, 30, 0, 0, 60, false, nullptr},
      {"235959Z", false, 0, 23, 59, 59, 1, 60, false, nullptr},
      {"235959z", false, 0, 23, 59, 59, 1, 60, false, nullptr},
      {"15:30", true, 0, 15, 30, 0, 0, 60, false, nullptr},
      {"15", true, 0, 15, 0, 0, 0, 60, false, nullptr},
      {"15:30Z", true, 0, 15, 30, 0, 1, 60, false, nullptr},
      {"15:30:00+01:00", true, 0, 15, 30, 0, 0, 60, true, nullptr},
      {"153000+01", true, 0, 15, 30, 0, 0, 60, true, nullptr},
      {"153000-0130", false, 0, 15, 30, 0, 0, -90, true, nullptr},
      {"153000-0000", false, 0, 15, 30, 0, 0, 0, true, nullptr},
      {"153000+2359", false, 0, 15, 30, 0, 0, 1439, true, nullptr},
      {"240000", false, TIME_E_TIME_INVALID, 0, 0, 0, 0, 0, false, "Time '240000' is not valid."},
      {"126000", false, TIME_E_TIME_INVALID, 0, 0, 0, 0, 0, false, "Time '126000' is not valid."},
      {"235960", false, TIME_E_TIME_INVALID, 0, 0, 0, 0, 0, false, "Time '235960' is not valid."},
      {"1530", false, TIME_E_TIME_LENGTH, 0, 0, 0, 0, 0, false,
       "Time '1530' is formatted incorrectly, 4 characters but must be 6, 7 or 11 characters"},
      {"15:30:00", false, TIME_E_TIME_LENGTH, 0, 0, 0, 0, 0, false,
       "Time '15:30:00' is formatted incorrectly, 8 characters but must be 6, 7 or 11 "
       "characters"},
      {"153000+2400", false, TIME_E_TIME_INVALID, 0, 0, 0, 0, 0, false,
       "Time '153000+2400' is not valid."},
      {"153000+0060", false, TIME_E_TIME_INVALID, 0, 0, 0, 0, 0, false,
       "Time '153000+0060' is not valid."},
      // -9999 is the number for "no zone" inside the program, never a zone in a text.
      {"153000-9999", false, TIME_E_TIME_INVALID, 0, 0, 0, 0, 0, false,
       "Time '153000-9999' is not valid."},
      {"153000#0100", false, TIME_E_TIME_ZONE, 0, 0, 0, 0, 0, false,
       "Time '153000#0100' formatted incorrectly, timezone is invalid"},
      {"153000+", false, TIME_E_TIME_ZONE, 0, 0, 0, 0, 0, false,
       "Time '153000+' formatted incorrectly, timezone is invalid"},
      {"153000Z0000", false, TIME_E_TIME_ZONE, 0, 0, 0, 0, 0, false,
       "Time '153000Z0000' formatted incorrectly, timezone is invalid"},
      {"15a000", false, TIME_E_TIME_NOT_NUMERIC, 0, 0, 0, 0, 0, false,
       "Time '15a000' formatted incorrectly, not numeric at character 3"},
      {"153000+01x0", false, TIME_E_TIME_NOT_NUMERIC, 0, 0, 0, 0, 0, false,
       "Time '153000+01x0' formatted incorrectly, not numeric at character 10"},
      {"", true, TIME_E_TIME_LENGTH, 0, 0, 0, 0, 0, false,
       "Time '' is formatted incorrectly, 0 characters but must be 6, 7 or 11 characters"},
  };
  for (const TimeParseCase& c : cases) {
    SCOPED_TRACE(c.text);
    ClearErrors();
    TimeC time(1, 2, 3);
    const RcT rc = time.Parse(S(c.text), c.extended);
    EXPECT_EQ(rc, c.rc);
    if (c.rc == 0) {
      EXPECT_TRUE(time.IsValid());
      EXPECT_EQ(time.GetHour(), c.hour);
      EXPECT_EQ(time.GetMinute(), c.minute);
      EXPECT_EQ(time.GetSecond(), c.second);
      EXPECT_EQ(time.GetZoneKind(), c.kind);
      EXPECT_EQ(time.HasExplicitOffset(), c.explicitZone);
      // The local zone's offset stands in for a zone not given, and for "Z" (where it is not
      // used).
      EXPECT_EQ(time.GetZoneOffset(), c.offset);
      EXPECT_EQ(time.IsZoneGiven(), c.kind == 1 || c.explicitZone);
      EXPECT_FALSE(time.IsDaylight());
      EXPECT_EQ(ErrorCount(), 0u);
    } else {
      EXPECT_FALSE(time.IsValid());
      EXPECT_EQ(LastErrorCode(), c.rc);
      EXPECT_EQ(LastErrorText(), c.message);
    }
  }
}

TEST(TimeCTest, FormatZones) {
  struct Case {
    const char* parse;
    bool daylight;
    bool showZone, extended;
    const char* text;
  } cases[] = {
      {"235959Z", false, false, false, "235959Z"},
      {"235959Z", false, true, true, "23:59:59Z"},
      {"153000-0130", false, true, false, "153000-0130"},
      {"153000-0130", true, true, false, "153000-0030"},
      {"153000-0130", false, false, false, "153000"},
      {"153000+0100", true, true, true, "15:30:00+0200"},
      {"153000-0030", false, true, false, "153000-0030"},
      {"153000+0000", false, true, false, "153000+0000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parse);
    TimeC time;
    ASSERT_EQ(time.Parse(S(c.parse), false), 0u);
    time.SetDaylight(c.daylight);
    StringC text;
    ASSERT_EQ(time.Format(&text, c.showZone, c.extended), 0u);
    EXPECT_EQ(Text(text), c.text);
  }
}

TEST(TimeCTest, LocalZoneAndInvalidFormat) {
  {
    ScopedTz tz(timetest::kNewYork);
    TimeC time(8, 5, 0);
    EXPECT_EQ(time.GetZoneOffset(), -300);
    EXPECT_FALSE(time.IsZoneGiven());
    StringC text;
    ASSERT_EQ(time.Format(&text, true, true), 0u);
    EXPECT_EQ(Text(text), "08:05:00-0500");
  }
  ClearErrors();
  StringC text = S("unchanged");
  EXPECT_EQ(TimeC(24, 0, 0).Format(&text, true, false), TIME_E_TIME_FORMAT);
  EXPECT_EQ(LastErrorText(), "Cannot convert invalid time 24:00: 0 to string");
  EXPECT_EQ(Text(text), "unchanged");
  // Zones that are no +-hhmm number, or "universal" with an offset, make the time invalid.
  for (auto [kind, zone] : {std::pair{0, 2400}, {0, 60}, {0, -1260}, {1, 100}, {7, 0}}) {
    TimeC time;
    EXPECT_FALSE(time.SetZone(kind, zone)) << kind << " " << zone;
    EXPECT_FALSE(time.IsValid());
  }
}

// ----- DateTimeC -----

std::string Formatted(const DateTimeC& value, bool showZone = true, bool extended = false) {
  StringC text;
  const RcT rc = value.Format(&text, showZone, extended);
  return rc == 0 ? Text(text) : "rc " + std::to_string(rc);
}

struct DateTimeParseCase {
  const char* zone;
  const char* text;
  bool extended;
  RcT rc;
  const char* formatted;  // Format(showZone, basic) after a success; the message otherwise
};

TEST(DateTimeCTest, ParseTable) {
  const DateTimeParseCase cases[] = {
      {timetest::kUtc, "20261204T153000Z", false, 0, "20261204T153000+0000"},
      {timetest::kUtc, "20261204T153000", false, 0, "20261204T153000+0000"},
      {timetest::kUtc, "2026-12-04T15:30:00+01:00", true, 0, "20261204T143000+0000"},
      {timetest::kUtc, "20261204 153000", true, 0, "20261204T153000+0000"},
      {timetest::kUtc, "20261204 153000", false, TIME_E_DATETIME_SEPARATOR,
       "Date-Time string '20261204 153000' formatted incorrectly, missing time separator "
       "character"},
      {timetest::kUtc, "20261204", true, TIME_E_DATETIME_SEPARATOR,
       "Date-Time string '20261204' formatted incorrectly, missing time separator character"},
      // Universal time and explicit offsets are brought into local time.
      {timetest::kBerlin, "20261204T153000Z", false, 0, "20261204T163000+0100"},
      {timetest::kBerlin, "20260704T153000Z", false, 0, "20260704T173000+0200"},
      {timetest::kBerlin, "20260704T153000+0500", false, 0, "20260704T123000+0200"},
      {timetest::kBerlin, "20261231T233000-0100", false, 0, "20270101T013000+0100"},
      {timetest::kNewYork, "20260704T120000", false, 0, "20260704T120000-0400"},
      {timetest::kNewYork, "20261204T120000", false, 0, "20261204T120000-0500"},
      {timetest::kKolkata, "20261204T000000Z", false, 0, "20261204T053000+0530"},
      // The date's failure wins over the time's.
      {timetest::kUtc, "20261304T25", false, TIME_E_DATE_INVALID, "Date '20261304' is not valid."},
      {timetest::kUtc, "20261204T25", false, TIME_E_TIME_LENGTH,
       "Time '25' is formatted incorrectly, 2 characters but must be 6, 7 or 11 characters"},
      {timetest::kUtc, "20261204T250000", false, TIME_E_TIME_INVALID,
       "Time '250000' is not valid."},
      // Before year 1 once converted.
      {timetest::kUtc, "00010101T000000+0100", false, TIME_E_DATE_INVALID,
       "Date '00010101T000000+0100' is not valid."},
  };
  for (const DateTimeParseCase& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + c.text);
    ScopedTz tz(c.zone);
    ClearErrors();
    DateTimeC value;
    const RcT rc = value.Parse(S(c.text), c.extended);
    EXPECT_EQ(rc, c.rc);
    if (c.rc == 0) {
      EXPECT_EQ(Formatted(value), c.formatted);
      EXPECT_EQ(value.GetTime().GetZoneKind(), 0);
      EXPECT_TRUE(value.GetTime().IsZoneGiven());
    } else {
      EXPECT_FALSE(value.IsValid());
      EXPECT_EQ(LastErrorCode(), c.rc);
      EXPECT_EQ(LastErrorText(), c.formatted);
    }
  }
}

TEST(DateTimeCTest, SetNormalisesAndCarries) {
  ScopedTz tz(timetest::kBerlin);
  DateTimeC value;
  ASSERT_EQ(value.Set(2026, 2, 30, 12, 0, 0), 0u);
  EXPECT_EQ(Formatted(value, false, true), "2026-03-02T12:00:00");
  EXPECT_EQ(value.GetDate().GetWeekday(), 1);
  EXPECT_EQ(value.GetDate().GetDayOfYear(), 60);
  ASSERT_EQ(value.Set(2026, 12, 31, 23, 59, 59, TimeC::c_KindUniversal, 0), 0u);
  EXPECT_EQ(Formatted(value), "20270101T005959+0100");
  ASSERT_EQ(value.Set(2026, 7, 1, 0, 0, 0, TimeC::c_KindLocal, -130), 0u);
  EXPECT_EQ(Formatted(value), "20260701T033000+0200");
  // Spring forward: 02:30 does not exist on 2026-03-29 in Berlin; the C library moves it.
  ASSERT_EQ(value.Set(2026, 3, 29, 2, 30, 0), 0u);
  EXPECT_EQ(Formatted(value), "20260329T033000+0200");

  ClearErrors();
  EXPECT_EQ(value.Set(2026, 12, 4, 15, 30, 0, TimeC::c_KindLocal, 2400), TIME_E_DATETIME_NUMERIC);
  EXPECT_EQ(LastErrorText(), "Invalid date/time 2026/12/04 15:30:00 converted from numeric source");
  EXPECT_FALSE(value.IsValid());
  // The last second of the largest year is representable; one more is not.
  ASSERT_EQ(value.Set(INT32_MAX, 12, 31, 23, 59, 59), 0u);
  EXPECT_EQ(Formatted(value, false, true), "2147483647-12-31T23:59:59");
  EXPECT_EQ(value.Set(INT32_MAX, 12, 31, 23, 59, 60), TIME_E_DATETIME_NUMERIC);
  EXPECT_EQ(value.Set(INT32_MAX, 13, 1, 0, 0, 0), TIME_E_DATETIME_NUMERIC);
  EXPECT_EQ(value.Set(INT32_MIN, 1, 1, 0, 0, 0), TIME_E_DATETIME_NUMERIC);
  EXPECT_EQ(value.Set(2026, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN, INT32_MAX),
            TIME_E_DATETIME_NUMERIC);
}

TEST(DateTimeCTest, FromTicks) {
  ScopedTz tz(timetest::kBerlin);
  DateTimeC value;
  ClearErrors();
  EXPECT_EQ(value.FromTicks(0), TIME_E_DATE_NUMERIC);
  EXPECT_EQ(LastErrorText(), "Invalid date 0000/12/31 converted from numeric source");
  EXPECT_EQ(value.FromTicks(c_TicksPerDay - 1), TIME_E_DATE_NUMERIC);

  ASSERT_EQ(value.FromTicks(c_TicksPerDay), 0u);
  EXPECT_EQ(Formatted(value, false), "00010101T000000");
  ASSERT_EQ(value.FromTicks(c_UnixEpochTicks + 123456789), 0u);  // local ticks
  EXPECT_EQ(Formatted(value), "19700101T000001+0100");
  EXPECT_EQ(value.GetDate().GetWeekday(), 4);
  ASSERT_EQ(value.FromTicks(c_UnixEpochTicks, true), 0u);  // universal ticks
  EXPECT_EQ(Formatted(value), "19700101T010000+0100");
  ASSERT_EQ(value.FromTicks(UINT64_MAX), 0u);
  EXPECT_EQ(value.GetDate().GetYear(), 5846);
}

TEST(DateTimeCTest, FromUnixTime) {
  ScopedTz tz(timetest::kBerlin);
  DateTimeC value;
  ASSERT_EQ(value.FromUnixTime(0), 0u);
  EXPECT_EQ(Formatted(value), "19700101T010000+0100");
  ASSERT_EQ(value.FromUnixTime(1782991800), 0u);  // 2026-07-02 11:30:00 UTC
  EXPECT_EQ(Formatted(value), "20260702T133000+0200");
  EXPECT_TRUE(value.GetTime().IsDaylight());
  ASSERT_EQ(value.FromUnixTime(-62135596800), 0u);  // 0001-01-01 00:00:00 UTC
  EXPECT_EQ(value.GetDate().GetYear(), 1);
  ClearErrors();
  EXPECT_EQ(value.FromUnixTime(-62135596801 - 3600), TIME_E_DATETIME_NUMERIC);
  EXPECT_EQ(value.FromUnixTime(INT64_MAX), TIME_E_DATETIME_NUMERIC);
  EXPECT_EQ(value.FromUnixTime(INT64_MIN), TIME_E_DATETIME_NUMERIC);
  EXPECT_EQ(LastErrorCode(), TIME_E_DATETIME_NUMERIC);
  EXPECT_FALSE(value.IsValid());
}

TEST(DateTimeCTest, FromTm) {
  ScopedTz tz(timetest::kBerlin);
  struct tm fields {};
  fields.tm_year = 126;
  fields.tm_mon = 11;
  fields.tm_mday = 4;
  fields.tm_hour = 15;
  fields.tm_min = 30;
  fields.tm_isdst = -1;
  DateTimeC value;
  ASSERT_EQ(value.FromTm(fields, TimeC::c_KindLocal, TimeC::c_NoZone), 0u);
  EXPECT_EQ(Formatted(value), "20261204T153000+0100");
  EXPECT_EQ(value.GetDate().GetWeekday(), 5);

  ASSERT_EQ(value.FromTm(fields, TimeC::c_KindUniversal, 0), 0u);
  EXPECT_EQ(Formatted(value), "20261204T163000+0100");

  ASSERT_EQ(value.FromTm(fields, TimeC::c_KindLocal, -500), 0u);
  EXPECT_EQ(Formatted(value), "20261204T213000+0100");

  // A daylight-saving state that does not hold then: rebuilt in the local zone.
  fields.tm_isdst = 1;
  ASSERT_EQ(value.FromTm(fields, TimeC::c_KindLocal, TimeC::c_NoZone), 0u);
  EXPECT_EQ(Formatted(value), "20261204T143000+0100");
  EXPECT_FALSE(value.GetTime().IsDaylight());

  // Fields out of range carry.
  fields.tm_isdst = -1;
  fields.tm_mday = 32;
  fields.tm_sec = 75;
  ASSERT_EQ(value.FromTm(fields, TimeC::c_KindLocal, TimeC::c_NoZone), 0u);
  EXPECT_EQ(Formatted(value), "20270101T153115+0100");

  ClearErrors();
  fields.tm_year = INT_MAX;
  EXPECT_EQ(value.FromTm(fields, TimeC::c_KindLocal, TimeC::c_NoZone), TIME_E_DATETIME_NUMERIC);
  fields.tm_year = 126;
  fields.tm_mon = INT_MAX;
  EXPECT_EQ(value.FromTm(fields, TimeC::c_KindLocal, TimeC::c_NoZone), TIME_E_DATETIME_NUMERIC);
  fields.tm_mon = 0;
  EXPECT_EQ(value.FromTm(fields, TimeC::c_KindLocal, 9999), TIME_E_DATETIME_NUMERIC);
  EXPECT_FALSE(value.IsValid());
}

TEST(DateTimeCTest, FromCimText) {
  ScopedTz tz(timetest::kUtc);
  struct Case {
    const char* text;
    RcT rc;
    const char* formatted;
  } cases[] = {
      {"20261204153000.000000+000", 0, "20261204T153000+0000"},
      {"20261204153000.000000+060", 0, "20261204T143000+0000"},
      {"20261204153000.123456-300", 0, "20261204T203000+0000"},
      {"20261204153000.******+090", 0, "20261204T140000+0000"},
      {"20261204153000.000000+1439", 0, "20261203T153100+0000"},
      {"20261204153000.000000+1440", TIME_E_TIMESTAMP_TEXT,
       "Invalid date/time string: '20261204153000.000000+1440'"},
      {"20261204153000.000000:000", TIME_E_TIMESTAMP_TEXT, nullptr},
      {"20261204153000.000000+", TIME_E_TIMESTAMP_TEXT, nullptr},
      {"2026", TIME_E_TIMESTAMP_TEXT, nullptr},
      {"2026120415300x.000000+000", TIME_E_TIMESTAMP_TEXT, nullptr},
      {"20261304153000.000000+000", TIME_E_TIMESTAMP_FIELDS,
       "Invalid date/time 2026/13/04 15:30:00"},
      {"20261204246000.000000+000", TIME_E_TIMESTAMP_FIELDS,
       "Invalid date/time 2026/12/04 24:60:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ClearErrors();
    DateTimeC value;
    EXPECT_EQ(value.FromCimText(S(c.text)), c.rc);
    if (c.rc == 0) {
      EXPECT_EQ(Formatted(value), c.formatted);
    } else {
      EXPECT_EQ(LastErrorCode(), c.rc);
      if (c.formatted != nullptr) {
        EXPECT_EQ(LastErrorText(), c.formatted);
      }
    }
  }
}

TEST(DateTimeCTest, FormatFieldsAndTm) {
  ScopedTz tz(timetest::kBerlin);
  DateTimeC value;
  ASSERT_EQ(value.Set(2026, 3, 2, 7, 5, 9), 0u);
  EXPECT_EQ(Text(FormatFields(value)), "2026-3-2 7:5:9");
  // The broken-down form gives the C library's formatting the same text.
  struct tm fields;
  value.ToTm(&fields);
  char buffer[80];
  ASSERT_GT(::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%S %z %a", &fields), 0u);
  EXPECT_STREQ(buffer, "20260302T070509 +0100 Mon");
  EXPECT_EQ(Formatted(value, false), "20260302T070509");
  ASSERT_EQ(value.Set(2026, 7, 2, 7, 5, 9), 0u);
  value.ToTm(&fields);
  ASSERT_GT(::strftime(buffer, sizeof buffer, "%z", &fields), 0u);
  EXPECT_STREQ(buffer, "+0200");
  ClearErrors();
  StringC text;
  EXPECT_EQ(DateTimeC().Format(&text, true, false), TIME_E_DATE_FORMAT);
}

// A copy carries the daylight-saving and zone-given flags, so it formats like the original.
TEST(DateTimeCTest, CopyKeepsZoneFlags) {
  ScopedTz tz(timetest::kBerlin);
  DateTimeC summer;
  ASSERT_EQ(summer.Parse(S("20260704T120000"), false), 0u);
  ASSERT_TRUE(summer.GetTime().IsDaylight());
  const DateTimeC copy = summer;
  EXPECT_TRUE(copy.GetTime().IsDaylight());
  EXPECT_TRUE(copy.GetTime().IsZoneGiven());
  EXPECT_EQ(Formatted(copy), Formatted(summer));
  EXPECT_EQ(Formatted(copy), "20260704T120000+0200");
}

// Format and Parse invert each other over a spread of instants and zones.
TEST(DateTimeCTest, RoundTrip) {
  for (const char* zone :
       {timetest::kUtc, timetest::kBerlin, timetest::kNewYork, timetest::kKolkata}) {
    ScopedTz tz(zone);
    for (int64_t seconds = -62135596800 + 86400; seconds < 253402300799;
         seconds += 86400LL * 7919 + 3607) {
      SCOPED_TRACE(std::string(zone) + " " + std::to_string(seconds));
      DateTimeC value;
      ASSERT_EQ(value.FromUnixTime(seconds), 0u);
      for (bool extended : {false, true}) {
        StringC text;
        ASSERT_EQ(value.Format(&text, true, extended), 0u);
        DateTimeC back;
        ASSERT_EQ(back.Parse(text, extended), 0u) << Text(text);
        StringC again;
        ASSERT_EQ(back.Format(&again, true, extended), 0u);
        EXPECT_EQ(Text(again), Text(text));
      }
    }
  }
}

}  // namespace
