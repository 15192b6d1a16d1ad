// The period: the quick choices on a fixed clock (month and year ends, leap years), the
// year, and the PERIOD= forms, understood and not.
#include <gtest/gtest.h>

#include "analysis/period.h"

namespace kestrune {
namespace {

TDateTime Day(const char* iso) {
  return *ParseIsoDay(iso);
}

std::string TextOf(const std::optional<Period>& period) {
  return period ? period->Text() : "(not understood)";
}

TEST(Period, QuickChoicesOnAFixedClock) {
  struct Case {
    const char* today;
    QuickChoice choice;
    const char* expected;
  };
  const Case cases[] = {
      {"2026-03-15", QuickChoice::Yesterday, "2026-03-14..2026-03-14"},
      {"2026-03-01", QuickChoice::Yesterday, "2026-02-28..2026-02-28"},
      {"2026-03-15", QuickChoice::Last7Days, "2026-03-09..2026-03-15"},
      {"2026-01-03", QuickChoice::Last7Days, "2025-12-28..2026-01-03"},
      {"2026-03-15", QuickChoice::ThisMonth, "2026-03-01..2026-03-31"},
      {"2024-02-10", QuickChoice::ThisMonth, "2024-02-01..2024-02-29"},
      {"2026-12-31", QuickChoice::ThisMonth, "2026-12-01..2026-12-31"},
      {"2026-03-15", QuickChoice::LastMonth, "2026-02-01..2026-02-28"},
      {"2024-03-31", QuickChoice::LastMonth, "2024-02-01..2024-02-29"},
      {"2026-01-10", QuickChoice::LastMonth, "2025-12-01..2025-12-31"},
      {"2026-03-15", QuickChoice::ThisYear, "2026-01-01..2026-12-31"},
      {"2026-03-15", QuickChoice::All, "all"},
  };
  for (const Case& c : cases) {
    // Any time of the day is the same day.
    const Period period = QuickPeriod(c.choice, Day(c.today) + 0.99);
    EXPECT_EQ(period.Text(), c.expected) << c.today << " choice " << static_cast<int>(c.choice);
    EXPECT_FALSE(period.Empty());
  }
}

TEST(Period, PeriodWordForms) {
  const TDateTime now = Day("2026-03-15") + 0.5;
  struct Case {
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {"2026-03-01..2026-03-07", "2026-03-01..2026-03-07"},
      {" 2026-03-01..2026-03-07 ", "2026-03-01..2026-03-07"},
      {"2026-03-05", "2026-03-05..2026-03-05"},
      {"2025", "2025-01-01..2025-12-31"},
      {"Yesterday", "2026-03-14..2026-03-14"},
      {"LAST7DAYS", "2026-03-09..2026-03-15"},
      {"thismonth", "2026-03-01..2026-03-31"},
      {"lastmonth", "2026-02-01..2026-02-28"},
      {"thisyear", "2026-01-01..2026-12-31"},
      {"all", "all"},
      // A "to" before its "from" is understood: an empty period.
      {"2026-03-07..2026-03-01", "2026-03-07..2026-03-01"},
      {"2026-02-30..2026-03-01", "(not understood)"},
      {"2026-3-1..2026-3-7", "(not understood)"},
      {"2026-03-01..", "(not understood)"},
      {"last week", "(not understood)"},
      {"", "(not understood)"},
      {"0", "(not understood)"},
      {"20261", "(not understood)"},
  };
  for (const Case& c : cases) EXPECT_EQ(TextOf(ParsePeriod(c.text, now)), c.expected) << c.text;
}

TEST(Period, EmptyAndDayCount) {
  EXPECT_TRUE(Period::Days(Day("2026-03-07"), Day("2026-03-01")).Empty());
  EXPECT_EQ(Period::Days(Day("2026-03-07"), Day("2026-03-01")).DayCount(), 0);
  EXPECT_EQ(Period::Days(Day("2026-03-01"), Day("2026-03-07")).DayCount(), 7);
  EXPECT_EQ(YearPeriod(2024).DayCount(), 366);
  EXPECT_FALSE(Period::All().Empty());
  EXPECT_EQ(Period::Days(Day("2026-03-01"), Day("2026-03-07")).End(), Day("2026-03-08"));
}

}  // namespace
}  // namespace kestrune
