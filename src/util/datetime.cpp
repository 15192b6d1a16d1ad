#include "util/datetime.h"

#include <langinfo.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace kestrune {
namespace {

constexpr std::int64_t kMSecsPerDay = 86400000;
// Day number (from 1 January of year 1, counted as day 1) of 30 December 1899.
constexpr std::int64_t kDateDelta = 693594;

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days before 1 January of `year` counted from 1 January of year 1.
std::int64_t DaysBeforeYear(int year) {
  const std::int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

// The value split into whole days and milliseconds of the day, rounded to the millisecond
// as a whole, so that a time a hair below a full second (or midnight) reads as that second.
// The count of days is linear on both sides of the epoch: -0.25 is 29 December 1899 at
// 18:00, so that a date before the epoch plus its time of day reads back as both.
struct Split {
  std::int64_t days;
  std::int64_t msec;
};

Split SplitValue(TDateTime value) {
  if (!std::isfinite(value)) return {0, 0};
  const auto total = static_cast<std::int64_t>(std::llround(value * kMSecsPerDay));
  std::int64_t days = total / kMSecsPerDay;
  std::int64_t msec = total % kMSecsPerDay;
  if (msec < 0) {
    --days;
    msec += kMSecsPerDay;
  }
  return {days, msec};
}

void DecodeDays(std::int64_t serial, int& year, int& month, int& day) {
  // Day number counted from 1 January of year 1 (which is day 0 here).
  std::int64_t n = serial + kDateDelta - 1;
  if (n < 0) {  // before year 1: not a date of the calendar range
    year = month = day = 0;
    return;
  }
  // 400-year cycles have 146097 days, 100-year ones 36524, 4-year ones 1461.
  std::int64_t y = 1 + 400 * (n / 146097);
  n %= 146097;
  std::int64_t c = n / 36524;
  if (c == 4) c = 3;  // the last day of a 400-year cycle
  y += 100 * c;
  n -= c * 36524;
  y += 4 * (n / 1461);
  n %= 1461;
  std::int64_t q = n / 365;
  if (q == 4) q = 3;  // the last day of a leap year
  y += q;
  n -= q * 365;
  year = static_cast<int>(y);
  month = 1;
  while (n >= DaysInMonth(year, month)) {
    n -= DaysInMonth(year, month);
    ++month;
  }
  day = static_cast<int>(n) + 1;
}

std::string FormatInts(const char* format, int a, int b, int c) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, a, b, c);
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& out) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  std::int64_t days = DaysBeforeYear(year);
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  days += day;  // 1 January of year 1 is day 1
  out = static_cast<TDateTime>(days - kDateDelta);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999)
    return false;
  const std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + msec;
  out = static_cast<TDateTime>(ms) / kMSecsPerDay;
  return true;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  DecodeDays(SplitValue(value).days, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  std::int64_t ms = SplitValue(value).msec;
  msec = static_cast<int>(ms % 1000);
  ms /= 1000;
  second = static_cast<int>(ms % 60);
  ms /= 60;
  minute = static_cast<int>(ms % 60);
  hour = static_cast<int>(ms / 60);
}

TDateTime NowLocal() {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  ::localtime_r(&ts.tv_sec, &tm);
  TDateTime date = 0;
  TDateTime time = 0;
  TryEncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, date);
  // A leap second (tm_sec 60) is shown as the last second of its minute.
  TryEncodeTime(tm.tm_hour, tm.tm_min, tm.tm_sec > 59 ? 59 : tm.tm_sec,
                static_cast<int>(ts.tv_nsec / 1000000), time);
  return date + time;
}

std::string LocaleShortMonthName(int month) {
  if (month < 1 || month > 12) return {};
  static constexpr nl_item kItems[12] = {ABMON_1, ABMON_2, ABMON_3, ABMON_4,  ABMON_5,  ABMON_6,
                                         ABMON_7, ABMON_8, ABMON_9, ABMON_10, ABMON_11, ABMON_12};
  const char* name = ::nl_langinfo(kItems[month - 1]);
  return name ? std::string(name) : std::string();
}

std::string LocaleShortDayName(TDateTime value) {
  static constexpr nl_item kItems[7] = {ABDAY_1, ABDAY_2, ABDAY_3, ABDAY_4,
                                        ABDAY_5, ABDAY_6, ABDAY_7};
  // 30 December 1899 was a Saturday (ABDAY_1 is Sunday).
  const std::int64_t serial = SplitValue(value).days;
  const char* name = ::nl_langinfo(kItems[((serial % 7) + 7 + 6) % 7]);
  return name ? std::string(name) : std::string();
}

std::string FormatDdMmmYyyy(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  // The month name is the locale's and of any length: joined, not formatted into a buffer.
  return FormatInts("%02d", d, 0, 0) + "-" + LocaleShortMonthName(m) + "-" +
         FormatInts("%04d", y, 0, 0);
}

std::string FormatHhNnSs(TDateTime value) {
  int h, n, s, ms;
  DecodeTime(value, h, n, s, ms);
  return FormatInts("%02d:%02d:%02d", h, n, s);
}

std::string FormatHNnSs(TDateTime value) {
  int h, n, s, ms;
  DecodeTime(value, h, n, s, ms);
  return FormatInts("%d:%02d:%02d", h, n, s);
}

std::string FormatYymmdd(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return FormatInts("%02d%02d%02d", y % 100, m, d);
}

std::string FormatIsoDate(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return FormatInts("%04d-%02d-%02d", y, m, d);
}

std::string FormatShortDate(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  const std::int64_t serial = SplitValue(value).days;
  TDateTime jan1 = 0;
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = m - 1;
  tm.tm_mday = d;
  // 30 December 1899 was a Saturday.
  tm.tm_wday = static_cast<int>(((serial % 7) + 7 + 6) % 7);
  if (TryEncodeDate(y, 1, 1, jan1)) tm.tm_yday = static_cast<int>(serial - std::llround(jan1));
  const char* format = ::nl_langinfo(D_FMT);
  if (!format || !*format) format = "%m/%d/%y";
  char buffer[128];
  const std::size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
  if (n == 0) return FormatIsoDate(value);
  return std::string(buffer, n);
}

}  // namespace kestrune
