// TimestampC: clock readings, fields, zone conversion, arithmetic, text in both directions.
#include "time/TimestampC.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdint>
#include <string>

#include "tests/time/TimeTestSupport.h"
#include "time/DayNumber.h"
#include "time/TimeMessages.h"

namespace {

using timetest::ClearErrors;
using timetest::LastErrorCode;
using timetest::LastErrorText;
using timetest::S;
using timetest::ScopedTz;

constexpr uint64_t kSecond = c_TicksPerSecond;
constexpr uint64_t kHour = 3600 * kSecond;

uint64_t TicksOf(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<uint64_t>(DayNumber(year, month, day)) * c_TicksPerDay +
         static_cast<uint64_t>(hour * 3600 + minute * 60 + second) * kSecond;
}

std::string Text(const StringC& s) {
  return s.ToUtf8();
}

TEST(TimestampCTest, NowReadsTheClock) {
  const time_t before = ::time(nullptr);
  const TimestampC now = TimestampC::Now(false);
  const time_t after = ::time(nullptr);
  EXPECT_FALSE(now.IsLocal());
  EXPECT_GE(now.GetTicks(), static_cast<uint64_t>(before) * kSecond + c_UnixEpochTicks);
  EXPECT_LT(now.GetTicks(), static_cast<uint64_t>(after + 1) * kSecond + c_UnixEpochTicks);

  ScopedTz tz(timetest::kKolkata);
  const TimestampC local = TimestampC::Now(true);
  EXPECT_TRUE(local.IsLocal());
  const uint64_t universal = local.ToUniversal().GetTicks();
  EXPECT_EQ(local.GetTicks() - universal, 330 * 60 * kSecond);
}

TEST(TimestampCTest, FieldsFollowTicksAndTicksFollowFields) {
  TimestampC t(c_UnixEpochTicks + 123);
  EXPECT_EQ(t.GetYear(), 1970);
  EXPECT_EQ(t.GetMonth(), 1);
  EXPECT_EQ(t.GetDay(), 1);
  EXPECT_EQ(t.GetWeekday(), 4);
  ASSERT_EQ(t.SetFields(2026, 12, 4, 15, 30, 45), 0u);
  EXPECT_EQ(t.GetTicks(), TicksOf(2026, 12, 4, 15, 30, 45));
  EXPECT_EQ(t.GetWeekday(), 5);
  t.SetTicks(TicksOf(2024, 2, 29, 23, 59, 59), true);
  EXPECT_TRUE(t.IsLocal());
  EXPECT_EQ(t.GetMonth(), 2);
  EXPECT_EQ(t.GetDay(), 29);
  EXPECT_EQ(t.GetHour(), 23);
  EXPECT_EQ(t.GetMinute(), 59);
  EXPECT_EQ(t.GetSecond(), 59);
  EXPECT_EQ(Text(FormatFields(t)), "2024-2-29 23:59:59");

  const TimestampC last(UINT64_MAX);
  EXPECT_EQ(last.GetYear(), 5846);
  EXPECT_EQ(TimestampC(0).GetYear(), 0);
  EXPECT_EQ(TimestampC(0).GetMonth(), 12);
  EXPECT_EQ(TimestampC(0).GetDay(), 31);
}

TEST(TimestampCTest, SetFieldsRejectsWhatTicksCannotHold) {
  struct Case {
    int y, mo, d, h, mi, s;
    const char* message;
  } cases[] = {
      {2023, 2, 29, 0, 0, 0, "Invalid date/time 2023/02/29 00:00:00"},
      {0, 12, 31, 0, 0, 0, "Invalid date/time 0000/12/31 00:00:00"},
      {2026, 1, 1, 24, 0, 0, "Invalid date/time 2026/01/01 24:00:00"},
      {2026, 1, 1, 0, 0, 60, "Invalid date/time 2026/01/01 00:00:60"},
      {5847, 1, 1, 0, 0, 0, "Invalid date/time 5847/01/01 00:00:00"},
      {-1, -1, -1, -1, -1, -1, "Invalid date/time -001/-1/-1 -1:-1:-1"},
  };
  for (const auto& c : cases) {
    ClearErrors();
    TimestampC t(42);
    EXPECT_EQ(t.SetFields(c.y, c.mo, c.d, c.h, c.mi, c.s), TIME_E_TIMESTAMP_FIELDS);
    EXPECT_EQ(LastErrorText(), c.message);
    EXPECT_EQ(t.GetTicks(), 42u);
  }
}

struct FormatCase {
  uint64_t ticks;
  bool local;
  uint32_t flags;
  const char* text;
};

TEST(TimestampCTest, FormatTable) {
  const uint64_t t = TicksOf(2026, 12, 4, 15, 30, 45) + 12345678;  // .12345678 s
  const uint64_t almost = TicksOf(2026, 12, 31, 23, 59, 59) + 99999999;
  const uint64_t tod = 15 * kHour + 30 * 60 * kSecond + 45 * kSecond + 50000000;
  const FormatCase cases[] = {
      {t, false, 0x00, "20261204T153045Z"},
      {t, true, 0x00, "20261204T153045"},
      {t, false, 0x08, "2026-12-04T15:30:45Z"},
      {t, false, 0x28, "2026-12-04 15:30:45Z"},
      {t, false, 0x20, "20261204 153045Z"},
      {t, false, 0x10, "20261204Z"},
      {t, true, 0x18, "2026-12-04"},
      {t, false, 0x17, "20261204Z"},  // the fraction digits are ignored for a date
      {t, false, 0x01, "20261204T153045.1Z"},
      {t, false, 0x03, "20261204T153045.123Z"},
      {t, true, 0x0B, "2026-12-04T15:30:45.123"},
      {t, false, 0x06, "20261204T153045.123457Z"},
      {t, false, 0x07, "20261204T153045.1234568Z"},
      // Rounding up to the next second carries through the date.
      {almost, false, 0x03, "20270101T000000.000Z"},
      {almost, false, 0x07, "20270101T000000.0000000Z"},
      {almost, false, 0x00, "20261231T235959Z"},
      // Below one day: a time of day.
      {tod, false, 0x00, "153045Z"},
      {tod, true, 0x09, "15:30:45.5"},
      {0, false, 0x00, "000000Z"},
      // The last tick: rounding cannot go beyond it.
      {UINT64_MAX, false, 0x07, "58460716T194537.0955161Z"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Text(TimestampC(c.ticks, c.local).Format(c.flags)), c.text);
  }
}

struct ParseCase {
  const char* text;
  uint64_t ticks;
  bool local;
};

TEST(TimestampCTest, ParseTable) {
  const uint64_t day = TicksOf(2026, 12, 4, 0, 0, 0);
  const ParseCase cases[] = {
      {"20261204T153045Z", day + 15 * kHour + 1845 * kSecond, false},
      {"20261204T153045", day + 15 * kHour + 1845 * kSecond, true},
      {"2026-12-04T15:30:45Z", day + 15 * kHour + 1845 * kSecond, false},
      {"2026-12-04 15:30:45,25", day + 15 * kHour + 1845 * kSecond + 25000000, true},
      {"2026-12-04T15:30:45.5+01:00", day + 14 * kHour + 1845 * kSecond + 50000000, false},
      {"20261204T153045.123456789-0130", day + 17 * kHour + 45 * kSecond + 12345678, false},
      {"20261204T000000+05", day - 5 * kHour, false},
      {"20261204", day, true},
      {"2026-12-04Z", day, false},
      {"00010101T000000Z", c_TicksPerDay, false},
      {"58460716T194537Z", UINT64_MAX - 9551615, false},
      // Times of day.
      {"15:30", 15 * kHour + 1800 * kSecond, true},
      {"1530", 15 * kHour + 1800 * kSecond, true},
      {"12", 12 * kHour, true},
      {"T153045Z", 15 * kHour + 1845 * kSecond, false},
      {"153045Z", 15 * kHour + 1845 * kSecond, false},
      {"153045.25", 15 * kHour + 1845 * kSecond + 25000000, true},
      {"15:30:45+01:00", 14 * kHour + 1845 * kSecond, false},
      {"00:30:00+01:00", 23 * kHour + 1800 * kSecond, false},
      {"23:30:00-01:00", 30 * 60 * kSecond, false},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.text);
    TimestampC t;
    ASSERT_EQ(t.Parse(S(c.text)), 0u);
    EXPECT_EQ(t.GetTicks(), c.ticks);
    EXPECT_EQ(t.IsLocal(), c.local);
  }
}

TEST(TimestampCTest, ParseRejects) {
  const char* texts[] = {
      "",
      "abc",
      "T",
      "25:00",
      "12:60",
      "12:30:61",
      "2026-13-04T00:00:00",
      "2026-02-29T00:00:00",
      "20261204T246000",
      "20261204T15304",
      "2026-12-04T15:30:45.",
      "2026-12-04T15:30:45.x",
      "2026-12-04T15:30:45+24:00",
      "2026-12-04T15:30:45+01:60",
      "2026-12-04T15:30:45Zjunk",
      "2026-12-04T15:30:45 ",
      "2026-12-04T",
      "00000101T000000",
      "58460716T194538Z",  // one second past the last tick
      "99991231T235959",
      "00010101T000000+01",  // before 0001-01-01 once converted
      "00010101T000000+24",
      "153000-0100",  // a "-" before the seventh digit: read as a date
      "2026-12-04T15:30:45+01:00:00",
      "1.5",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    ClearErrors();
    TimestampC t(77, true);
    EXPECT_EQ(t.Parse(S(text)), TIME_E_TIMESTAMP_TEXT);
    EXPECT_EQ(LastErrorCode(), TIME_E_TIMESTAMP_TEXT);
    EXPECT_EQ(LastErrorText(), std::string("Invalid date/time string: '") + text + "'");
    EXPECT_EQ(t.GetTicks(), 77u);
    EXPECT_TRUE(t.IsLocal());
  }
}

// Parse reads back what Format wrote, to the precision written.
TEST(TimestampCTest, FormatParseRoundTrip) {
  for (uint64_t ticks = c_TicksPerDay; ticks < UINT64_MAX - 7919 * c_TicksPerDay;
       ticks += 7919 * c_TicksPerDay + 3607 * kSecond + 12345671) {
    for (bool local : {false, true}) {
      for (uint32_t flags = 0; flags < 0x40; ++flags) {
        const TimestampC t(ticks, local);
        const StringC text = t.Format(flags);
        TimestampC back;
        ASSERT_EQ(back.Parse(text), 0u) << Text(text);
        EXPECT_EQ(back.IsLocal(), local);
        uint64_t expected;
        if (flags & TimestampC::c_FormatDateOnly) {
          expected = ticks - ticks % c_TicksPerDay;
        } else {
          uint64_t unit = 1;
          for (uint32_t i = flags & 7; i < 8; ++i) unit *= 10;
          expected = (flags & 7) == 0 ? ticks - ticks % kSecond : (ticks + unit / 2) / unit * unit;
        }
        ASSERT_EQ(back.GetTicks(), expected) << Text(text) << " flags " << flags;
      }
    }
  }
}

TEST(TimestampCTest, ZoneConversion) {
  struct Case {
    const char* zone;
    uint64_t universal;
    int64_t offsetSeconds;
  } cases[] = {
      {timetest::kBerlin, TicksOf(2026, 7, 4, 10, 0, 0), 7200},
      {timetest::kBerlin, TicksOf(2026, 12, 4, 10, 0, 0), 3600},
      {timetest::kNewYork, TicksOf(2026, 7, 4, 10, 0, 0), -4 * 3600},
      {timetest::kNewYork, TicksOf(2026, 12, 4, 10, 0, 0), -5 * 3600},
      {timetest::kKolkata, TicksOf(2026, 12, 4, 10, 0, 0), 19800},
      {timetest::kUtc, TicksOf(2026, 12, 4, 10, 0, 0), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.zone);
    ScopedTz tz(c.zone);
    const TimestampC universal(c.universal + 1234, false);
    const TimestampC local = universal.ToLocal();
    EXPECT_TRUE(local.IsLocal());
    EXPECT_EQ(static_cast<int64_t>(local.GetTicks() - universal.GetTicks()),
              c.offsetSeconds * static_cast<int64_t>(kSecond));
    const TimestampC back = local.ToUniversal();
    EXPECT_FALSE(back.IsLocal());
    EXPECT_EQ(back.GetTicks(), universal.GetTicks());
    // Already in the wanted form: copied.
    EXPECT_EQ(local.ToLocal().GetTicks(), local.GetTicks());
    EXPECT_EQ(universal.ToUniversal().GetTicks(), universal.GetTicks());
    // Values of the other form are brought over before subtracting.
    EXPECT_EQ(local.Difference(universal), 0);
    EXPECT_EQ(universal.Difference(local.Add(5)), -5);
  }
}

TEST(TimestampCTest, ArithmeticKeepsFlagAndClamps) {
  const TimestampC t(1000, true);
  EXPECT_EQ(t.Add(24).GetTicks(), 1024u);
  EXPECT_TRUE(t.Add(24).IsLocal());
  EXPECT_EQ(t.Subtract(24).GetTicks(), 976u);
  EXPECT_EQ(t.Add(-24).GetTicks(), 976u);
  EXPECT_EQ(t.Subtract(5000).GetTicks(), 0u);
  EXPECT_EQ(t.Subtract(INT64_MIN).GetTicks(), 1000u + (1ULL << 63));
  EXPECT_EQ(TimestampC(UINT64_MAX - 1).Add(INT64_MAX).GetTicks(), UINT64_MAX);
  EXPECT_EQ(TimestampC(5).Difference(TimestampC(8)), -3);
  EXPECT_EQ(TimestampC(UINT64_MAX).Difference(TimestampC(0)), INT64_MAX);
  EXPECT_EQ(TimestampC(0).Difference(TimestampC(UINT64_MAX)), INT64_MIN);
  // Fields set, then arithmetic on the ticks they give.
  TimestampC f;
  ASSERT_EQ(f.SetFields(2026, 12, 31, 23, 59, 59), 0u);
  const TimestampC next = f.Add(static_cast<int64_t>(kSecond));
  EXPECT_EQ(next.GetYear(), 2027);
  EXPECT_EQ(next.GetMonth(), 1);
  EXPECT_EQ(next.GetDay(), 1);
  EXPECT_EQ(next.GetHour(), 0);
}

}  // namespace
