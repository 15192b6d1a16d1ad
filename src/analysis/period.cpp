#include "analysis/period.h"

#include <cmath>
#include <cstdio>

#include "util/text.h"

namespace kestrune {
namespace {

TDateTime FirstOfMonth(int year, int month) {
  TDateTime day = 0;
  TryEncodeDate(year, month, 1, day);
  return day;
}

// The number made of `text`'s digits, when it is nothing but 1 to 4 digits.
std::optional<int> Digits(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

int Period::DayCount() const {
  if (all || Empty()) return 0;
  return static_cast<int>(std::lround(to - from)) + 1;
}

std::string Period::Text() const {
  if (all) return "all";
  return FormatIsoDate(from) + ".." + FormatIsoDate(to);
}

const std::array<QuickChoiceName, 6>& QuickChoices() {
  static const std::array<QuickChoiceName, 6> kChoices = {{
      {QuickChoice::Yesterday, "yesterday", "Yesterday"},
      {QuickChoice::Last7Days, "last7days", "Last 7 days"},
      {QuickChoice::ThisMonth, "thismonth", "This month"},
      {QuickChoice::LastMonth, "lastmonth", "Last month"},
      {QuickChoice::ThisYear, "thisyear", "This year"},
      {QuickChoice::All, "all", "All"},
  }};
  return kChoices;
}

TDateTime DayOf(TDateTime value) {
  return std::floor(value);
}

Period QuickPeriod(QuickChoice choice, TDateTime now) {
  const TDateTime today = DayOf(now);
  int year = 0, month = 0, day = 0;
  DecodeDate(today, year, month, day);
  switch (choice) {
    case QuickChoice::Yesterday:
      return Period::Days(today - 1, today - 1);
    case QuickChoice::Last7Days:
      return Period::Days(today - 6, today);
    case QuickChoice::ThisMonth: {
      const TDateTime first = FirstOfMonth(year, month);
      const TDateTime next =
          month == 12 ? FirstOfMonth(year + 1, 1) : FirstOfMonth(year, month + 1);
      return Period::Days(first, next - 1);
    }
    case QuickChoice::LastMonth: {
      const TDateTime first = FirstOfMonth(year, month);
      const TDateTime previous =
          month == 1 ? FirstOfMonth(year - 1, 12) : FirstOfMonth(year, month - 1);
      return Period::Days(previous, first - 1);
    }
    case QuickChoice::ThisYear:
      return YearPeriod(year);
    case QuickChoice::All:
      break;
  }
  return Period::All();
}

Period YearPeriod(int year) {
  TDateTime first = 0, last = 0;
  TryEncodeDate(year, 1, 1, first);
  TryEncodeDate(year, 12, 31, last);
  return Period::Days(first, last);
}

std::optional<TDateTime> ParseIsoDay(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto year = Digits(text.substr(0, 4));
  const auto month = Digits(text.substr(5, 2));
  const auto day = Digits(text.substr(8, 2));
  TDateTime value = 0;
  if (!year || !month || !day || !TryEncodeDate(*year, *month, *day, value)) return std::nullopt;
  return value;
}

std::optional<Period> ParsePeriod(std::string_view text, TDateTime now) {
  const std::string word = LowerCase(TrimBlanks(text));
  for (const QuickChoiceName& quick : QuickChoices())
    if (word == quick.word) return QuickPeriod(quick.choice, now);
  if (const std::size_t dots = word.find(".."); dots != std::string::npos) {
    const auto from = ParseIsoDay(std::string_view(word).substr(0, dots));
    const auto to = ParseIsoDay(std::string_view(word).substr(dots + 2));
    if (!from || !to) return std::nullopt;
    return Period::Days(*from, *to);
  }
  if (const auto day = ParseIsoDay(word)) return Period::Days(*day, *day);
  if (word.size() == 4) {
    if (const auto year = Digits(word); year && *year >= 1) return YearPeriod(*year);
  }
  return std::nullopt;
}

}  // namespace kestrune
