#include "util/datetime.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <ctime>

namespace kestrune {
namespace {

TDateTime Date(int y, int m, int d) {
  TDateTime v = -1;
  EXPECT_TRUE(TryEncodeDate(y, m, d, v)) << y << "-" << m << "-" << d;
  return v;
}

TDateTime Time(int h, int n, int s, int ms = 0) {
  TDateTime v = -1;
  EXPECT_TRUE(TryEncodeTime(h, n, s, ms, v));
  return v;
}

struct Ymd {
  int y, m, d;
};

Ymd Decode(TDateTime v) {
  Ymd r{};
  DecodeDate(v, r.y, r.m, r.d);
  return r;
}

class DateTimeTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(DateTimeTest, KnownSerials) {
  EXPECT_EQ(Date(1899, 12, 30), 0);
  EXPECT_EQ(Date(1899, 12, 31), 1);
  EXPECT_EQ(Date(1900, 1, 1), 2);
  EXPECT_EQ(Date(1900, 3, 1), 61);  // 1900 is no leap year
  EXPECT_EQ(Date(2000, 1, 1), 36526);
  EXPECT_EQ(Date(1, 1, 1), -693593);
  EXPECT_EQ(Date(9999, 12, 31), 2958465);
  // The value a UNIX reader uses for an invalid date is 30 December 3798.
  const Ymd u = Decode(kInvalidUnixDate);
  EXPECT_EQ(u.y, 3798);
  EXPECT_EQ(u.m, 12);
  EXPECT_EQ(u.d, 30);
}

TEST_F(DateTimeTest, NextDayAcrossMonthYearAndLeapYearEnds) {
  struct Case {
    Ymd day, next;
  } cases[] = {
      {{2023, 1, 31}, {2023, 2, 1}},  {{2023, 2, 28}, {2023, 3, 1}}, {{2024, 2, 28}, {2024, 2, 29}},
      {{2024, 2, 29}, {2024, 3, 1}},  {{1900, 2, 28}, {1900, 3, 1}}, {{2000, 2, 28}, {2000, 2, 29}},
      {{2100, 2, 28}, {2100, 3, 1}},  {{2023, 4, 30}, {2023, 5, 1}}, {{2023, 12, 31}, {2024, 1, 1}},
      {{1999, 12, 31}, {2000, 1, 1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Date(c.day.y, c.day.m, c.day.d) + 1, Date(c.next.y, c.next.m, c.next.d));
    const Ymd n = Decode(Date(c.day.y, c.day.m, c.day.d) + 1);
    EXPECT_EQ(n.y, c.next.y);
    EXPECT_EQ(n.m, c.next.m);
    EXPECT_EQ(n.d, c.next.d);
  }
  EXPECT_EQ(Date(2024, 12, 31) - Date(2024, 1, 1), 365);
  EXPECT_EQ(Date(2023, 12, 31) - Date(2023, 1, 1), 364);
}

TEST_F(DateTimeTest, EveryDayOfTheCalendarRoundTrips) {
  // Walk day by day with an independent calendar and compare both directions.
  int y = 1, m = 1, d = 1;
  const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (TDateTime v = Date(1, 1, 1); v <= Date(9999, 12, 31); v += 1) {
    TDateTime e = 0;
    ASSERT_TRUE(TryEncodeDate(y, m, d, e));
    ASSERT_EQ(e, v) << y << "-" << m << "-" << d;
    const Ymd r = Decode(v);
    ASSERT_TRUE(r.y == y && r.m == m && r.d == d) << y << "-" << m << "-" << d;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int len = m == 2 && leap ? 29 : days[m - 1];
    if (++d > len) {
      d = 1;
      if (++m > 12) {
        m = 1;
        ++y;
      }
    }
  }
}

TEST_F(DateTimeTest, InvalidDatesAndTimesAreRejected) {
  TDateTime v = 42;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, v));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, v));
  EXPECT_FALSE(TryEncodeDate(2100, 2, 29, v));
  EXPECT_FALSE(TryEncodeDate(2023, 4, 31, v));
  EXPECT_FALSE(TryEncodeDate(2023, 13, 1, v));
  EXPECT_FALSE(TryEncodeDate(2023, 0, 1, v));
  EXPECT_FALSE(TryEncodeDate(2023, 1, 0, v));
  EXPECT_FALSE(TryEncodeDate(2023, 1, 32, v));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, v));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, v));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, v));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, v));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, v));
  EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, v));
  EXPECT_FALSE(TryEncodeTime(0, -1, 0, 0, v));
  EXPECT_EQ(v, 42);  // untouched by every failure
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, v));
  EXPECT_TRUE(TryEncodeTime(23, 59, 59, 999, v));
  EXPECT_TRUE(TryEncodeTime(0, 0, 0, 0, v));
  EXPECT_EQ(v, 0);
}

TEST_F(DateTimeTest, TimesDecodeExactlyDespiteBinaryFractions) {
  const TDateTime day = Date(2026, 10, 9);
  for (int h = 0; h < 24; ++h)
    for (int n = 0; n < 60; ++n)
      for (int s = 0; s < 60; ++s) {
        // Both an encoded time and one built by division, as readers may do.
        for (TDateTime v : {day + Time(h, n, s), day + (h * 3600.0 + n * 60 + s) / 86400.0}) {
          int hh, nn, ss, ms;
          DecodeTime(v, hh, nn, ss, ms);
          ASSERT_TRUE(hh == h && nn == n && ss == s && ms == 0) << h << ":" << n << ":" << s;
          const Ymd r = Decode(v);
          ASSERT_TRUE(r.y == 2026 && r.m == 10 && r.d == 9);
        }
      }
  int h, n, s, ms;
  DecodeTime(day + 10.0 / 24.0, h, n, s, ms);
  EXPECT_EQ(FormatHhNnSs(day + 10.0 / 24.0), "10:00:00");
  DecodeTime(Time(12, 34, 56, 789), h, n, s, ms);
  EXPECT_EQ(ms, 789);
}

TEST_F(DateTimeTest, BeforeTheEpochADatePlusItsTimeReadsBackAsBoth) {
  struct Case {
    int y, m, d, h;
  };
  for (const Case c : {Case{1800, 1, 1, 6}, Case{1899, 12, 29, 18}, Case{1, 1, 1, 23}}) {
    const TDateTime v = Date(c.y, c.m, c.d) + Time(c.h, 30, 15);
    const Ymd r = Decode(v);
    EXPECT_TRUE(r.y == c.y && r.m == c.m && r.d == c.d) << r.y << "-" << r.m << "-" << r.d;
    int h, n, s, ms;
    DecodeTime(v, h, n, s, ms);
    EXPECT_TRUE(h == c.h && n == 30 && s == 15) << h << ":" << n << ":" << s;
  }
  EXPECT_EQ(FormatIsoDate(-0.25), "1899-12-29");
  EXPECT_EQ(FormatHhNnSs(-0.25), "18:00:00");
}

TEST_F(DateTimeTest, AHairBeforeMidnightRoundsIntoTheNextDay) {
  // Less than half a millisecond before midnight: date and time agree on the next day.
  const TDateTime v = Date(2023, 12, 31) + 1 - 0.0004 / 86400.0;
  const Ymd r = Decode(v);
  EXPECT_EQ(r.y, 2024);
  EXPECT_EQ(r.m, 1);
  EXPECT_EQ(r.d, 1);
  EXPECT_EQ(FormatHhNnSs(v), "00:00:00");
  // A real fraction of a second is dropped, not rounded up.
  EXPECT_EQ(FormatHhNnSs(Date(2023, 12, 31) + Time(23, 59, 59, 900)), "23:59:59");
}

TEST_F(DateTimeTest, FormatsInTheCLocale) {
  const TDateTime v = Date(2026, 12, 6) + Time(9, 5, 3);
  EXPECT_EQ(FormatDdMmmYyyy(v), "06-Dec-2026");
  EXPECT_EQ(FormatDdMmmYyyy(Date(987, 1, 31)), "31-Jan-0987");
  EXPECT_EQ(FormatHhNnSs(v), "09:05:03");
  EXPECT_EQ(FormatYymmdd(v), "261206");
  EXPECT_EQ(FormatYymmdd(Date(2000, 3, 7)), "000307");
  EXPECT_EQ(FormatIsoDate(v), "2026-12-06");
  EXPECT_EQ(FormatIsoDate(Date(1999, 1, 2)), "1999-01-02");
  EXPECT_EQ(FormatShortDate(v), "12/06/26");  // the C locale's D_FMT, %m/%d/%y
  const char* names[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(LocaleShortMonthName(m), names[m - 1]);
    EXPECT_EQ(FormatDdMmmYyyy(Date(2024, m, 1)), std::string("01-") + names[m - 1] + "-2024");
  }
  EXPECT_EQ(LocaleShortMonthName(0), "");
  EXPECT_EQ(LocaleShortMonthName(13), "");
  // Days of the week on both sides of 30 December 1899 (a Saturday), time of day ignored.
  EXPECT_EQ(LocaleShortDayName(v), "Sun");
  EXPECT_EQ(LocaleShortDayName(0), "Sat");
  EXPECT_EQ(LocaleShortDayName(-0.25), "Fri");
  EXPECT_EQ(LocaleShortDayName(Date(1850, 6, 1) + Time(18, 0, 0)), "Sat");
  EXPECT_EQ(LocaleShortDayName(Date(2026, 3, 13)), "Fri");
}

TEST_F(DateTimeTest, DurationFormatDropsLeadingZeroAndWholeDays) {
  EXPECT_EQ(FormatHNnSs(0), "0:00:00");
  EXPECT_EQ(FormatHNnSs(Time(0, 0, 7)), "0:00:07");
  EXPECT_EQ(FormatHNnSs(Time(1, 2, 3)), "1:02:03");
  EXPECT_EQ(FormatHNnSs(Time(23, 59, 59)), "23:59:59");
  EXPECT_EQ(FormatHNnSs(1 + Time(1, 1, 1)), "1:01:01");  // 25:01:01
  EXPECT_EQ(FormatHNnSs(3 + Time(0, 10, 0)), "0:10:00");
  // A duration computed as a difference of two time stamps.
  const TDateTime start = Date(2024, 5, 1) + Time(23, 59, 58);
  const TDateTime end = Date(2024, 5, 2) + Time(0, 0, 3);
  EXPECT_EQ(FormatHNnSs(end - start), "0:00:05");
}

TEST_F(DateTimeTest, NowLocalMatchesTheLocalClock) {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  const TDateTime expected = Date(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
                             Time(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec);
  const TDateTime now = NowLocal();
  EXPECT_LT(std::fabs(now - expected) * 86400.0, 60.0);
}

}  // namespace
}  // namespace kestrune
