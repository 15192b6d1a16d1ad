// The date-time value: days since 30 December 1899 00:00 as a double, the fraction
// being the time of day; 0 means "not set". Encoding checks the calendar.
#pragma once

#include <string>

namespace kestrune {

using TDateTime = double;

// The value that an invalid calendar date of a UNIX time stamp stands for.
constexpr TDateTime kInvalidUnixDate = 693596.0;

// Calendar-checked encoding; false (and `out` untouched) for an invalid date or time.
// Years 1..9999; hours 0..23, minutes and seconds 0..59, milliseconds 0..999.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out);

void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);

// The current local date and time.
TDateTime NowLocal();

// The locale's abbreviated month name, month 1..12 (nl_langinfo ABMON_n).
std::string LocaleShortMonthName(int month);
// The locale's abbreviated name of the day of the week of `value` (nl_langinfo ABDAY_n).
std::string LocaleShortDayName(TDateTime value);

// "dd-mmm-yyyy" with the locale's abbreviated month names, e.g. "06-Dec-2026".
std::string FormatDdMmmYyyy(TDateTime value);
// "hh:nn:ss", two-digit hours 00..23.
std::string FormatHhNnSs(TDateTime value);
// "H:nn:ss" of a duration: hours of the day without a leading zero (whole days dropped).
std::string FormatHNnSs(TDateTime value);
// "yymmdd".
std::string FormatYymmdd(TDateTime value);
// "YYYY-MM-DD".
std::string FormatIsoDate(TDateTime value);
// The locale's short date (nl_langinfo D_FMT), used by the maintenance log.
std::string FormatShortDate(TDateTime value);

}  // namespace kestrune
