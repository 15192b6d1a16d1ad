// The period of the analysis: whole days from one date to another, both included, or
// every day there is. The quick choices (yesterday, the last 7 days, this month, last
// month, this year) are days relative to "today" as a clock gives it, so that a test can
// fix the clock. The command word PERIOD= takes "<from>..<to>" with ISO dates
// (yyyy-mm-dd), one such date, a quick choice's word (yesterday, last7days, thismonth,
// lastmonth, thisyear, all) or a year (2026).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "util/datetime.h"

namespace kestrune {

struct Period {
  bool all = true;     // every day: no date condition at all
  TDateTime from = 0;  // the first day, 00:00 (when not all)
  TDateTime to = 0;    // the last day, 00:00, included (when not all)

  static Period All() { return Period{}; }
  static Period Days(TDateTime from, TDateTime to) { return Period{false, from, to}; }
  // No day at all: "to" before "from". An empty period gives empty tables, never an error.
  bool Empty() const { return !all && to < from; }
  // How many days it holds (0 when empty; not meaningful when all).
  int DayCount() const;
  // The first instant after the period: the day after "to", 00:00.
  TDateTime End() const { return to + 1; }
  // "2026-03-01..2026-03-07", or "all".
  std::string Text() const;
  friend bool operator==(const Period&, const Period&) = default;
};

enum class QuickChoice { Yesterday, Last7Days, ThisMonth, LastMonth, ThisYear, All };

// The quick choices in the order a window lists them, with their command words and
// captions.
struct QuickChoiceName {
  QuickChoice choice;
  const char* word;     // as PERIOD= takes it
  const char* caption;  // as the window shows it
};
const std::array<QuickChoiceName, 6>& QuickChoices();

// The day (00:00) of a date-time value.
TDateTime DayOf(TDateTime value);

// The period of `choice` when today is the day of `now`. The last 7 days end with today.
Period QuickPeriod(QuickChoice choice, TDateTime now);
// 1 January to 31 December of `year` (1..9999).
Period YearPeriod(int year);

// Reads a PERIOD= value (letter case ignored); nothing when it is not understood. A
// range whose "to" lies before its "from" is understood: it is empty.
std::optional<Period> ParsePeriod(std::string_view text, TDateTime now);

// "yyyy-mm-dd" as a day; nothing when it is not a date of the calendar.
std::optional<TDateTime> ParseIsoDay(std::string_view text);

}  // namespace kestrune
