// The UNIX common-format line: the time-stamp conversion and the parse of one line
// into a LogEntry by its fixed sequence of splits. Every text of the entry comes out in
// upper case, because the whole line is upper-cased first, unless the options keep the
// letter case; with the combined option the quoted referrer and user agent after the
// byte count are taken too (reader_options.h).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "logfiles/iis_line.h"  // LineKind
#include "logfiles/reader_options.h"
#include "stats/log_entry.h"
#include "util/datetime.h"

namespace kestrune {

// The month names a time stamp may use, tried for months 1 to 12 in this order: the
// locale's short names (read when constructed), then JAN FEB MAR APR MAJ JUN JUL AUG SEP
// OKT NOV DEC, then JAN ... MAY ... OCT ... DEC.
class UnixMonthNames {
 public:
  UnixMonthNames();
  // 1..12 for a name of one of the lists (compared in upper case), else 0.
  int Find(std::string_view name) const;

 private:
  std::array<std::string, 36> names_;  // upper case, the three lists one after the other
};

// The date a time stamp without year or month is completed with.
struct CalendarDay {
  int year = 0;
  int month = 0;
  int day = 0;
  static CalendarDay Today();
};

// Converts time stamps such as "10/Oct/2000:13:55:36 -0700" into date-time values: the
// date and the time of day shifted by the zone's whole hours (the time stamp's clock
// time minus the zone). An invalid calendar date gives kInvalidUnixDate for the date
// part; an invalid time of day or a zone of 24 hours or more throws LineError.
class UnixTimestampConverter {
 public:
  explicit UnixTimestampConverter(CalendarDay today = CalendarDay::Today());
  TDateTime Convert(std::string_view stamp);

 private:
  TDateTime ConvertDate(std::string_view datePart);

  UnixMonthNames months_;
  CalendarDay today_;
  std::string lastDatePart_;  // the lines of one day share their date part
  TDateTime lastDateValue_ = 0;
  bool haveLastDate_ = false;
};

class UnixLineParser {
 public:
  explicit UnixLineParser(std::string siteIP, CalendarDay today = CalendarDay::Today());
  UnixLineParser(std::string siteIP, const UnixReadOptions& options,
                 CalendarDay today = CalendarDay::Today());

  // Parses one line as read from the file: cut to 255 characters, upper-cased with the
  // locale's rules (unless keepCase) and trimmed first. A "#" line or one without
  // content is a comment; any other line fills `entry` (missing parts empty or 0).
  // With `combined`, the first two quoted texts after the byte count are the referrer
  // and the user agent; a quote preceded by a backslash does not end them, and a text
  // without its closing quote runs to the end of the line. Throws LineError for an
  // invalid time of day or zone.
  LineKind Parse(std::string_view rawLine, LogEntry& entry);

 private:
  void SetDate(LogEntry& entry);

  std::string siteIP_;
  UnixReadOptions options_;
  UnixTimestampConverter timestamps_;
  std::string line_;
  long long lastDay_ = -1;  // the day whose "YYYY-MM-DD" text lastDateText_ holds
  std::string lastDateText_;
};

}  // namespace kestrune
