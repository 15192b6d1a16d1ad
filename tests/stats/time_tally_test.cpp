// The tally by day and hour as AddStats fills it, checked against the model's own counters
// and against a count made here from the entries themselves.
#include "stats/time_tally.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "stats/add_stats.h"
#include "util/datetime.h"

namespace kestrune {
namespace {

TDateTime Day(int year, int month, int day) {
  TDateTime d = 0;
  EXPECT_TRUE(TryEncodeDate(year, month, day, d));
  return d;
}

TDateTime At(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0) {
  TDateTime t = 0;
  EXPECT_TRUE(TryEncodeTime(hour, minute, second, ms, t));
  return Day(year, month, day) + t;
}

LogEntry Entry(const std::string& visitor, TDateTime when, std::uint32_t bytes,
               const std::string& extension = "htm") {
  LogEntry e;
  e.DateTime = when;
  e.Visitor = visitor;
  e.Page = "/p." + extension;
  e.Extension = extension;
  e.Method = "GET";
  e.HTTPVersion = "HTTP/1.1";
  e.Statuscode = 200;
  e.Bytes = bytes;
  return e;
}

struct DayRow {
  TDateTime day;
  Counter hits, visits, visitors;
  double bytes;
};

struct TallyCase {
  const char* name;
  std::vector<LogEntry> entries;
  std::vector<DayRow> days;                         // earliest first
  std::map<int, std::pair<Counter, double>> hours;  // hour -> hits, bytes; others zero
};

std::vector<TallyCase> Cases() {
  return {
      {"OneVisitOneDay",
       {Entry("a", At(2026, 3, 14, 10, 0), 100), Entry("a", At(2026, 3, 14, 10, 5), 50)},
       {{Day(2026, 3, 14), 2, 1, 1, 150}},
       {{10, {2, 150}}}},
      // 900 seconds apart begin a new visit; another visitor on the same day.
      {"VisitsAndVisitors",
       {Entry("a", At(2026, 3, 14, 10, 0), 1), Entry("a", At(2026, 3, 14, 10, 15), 2),
        Entry("b", At(2026, 3, 14, 23, 59, 59), 4)},
       {{Day(2026, 3, 14), 3, 3, 2, 7}},
       {{10, {2, 3}}, {23, {1, 4}}}},
      // A visitor that comes back to an earlier day (files imported out of order) is
      // counted once on each day; its visits follow the visit rule (from its latest entry).
      {"OutOfOrderDays",
       {Entry("a", At(2026, 3, 15, 9, 0), 1), Entry("a", At(2026, 3, 14, 9, 0), 1),
        Entry("a", At(2026, 3, 15, 9, 1), 1), Entry("b", At(2026, 3, 14, 9, 2), 1),
        Entry("a", At(2026, 3, 14, 9, 3), 1)},
       {{Day(2026, 3, 14), 3, 3, 2, 3}, {Day(2026, 3, 15), 2, 1, 1, 2}},
       {{9, {5, 5}}}},
      // Far apart: only the two days present.
      {"FarApart",
       {Entry("a", At(2026, 1, 1, 0, 0), 10), Entry("a", At(2000, 1, 1, 12, 30), 20)},
       {{Day(2000, 1, 1), 1, 1, 1, 20}, {Day(2026, 1, 1), 1, 1, 1, 10}},
       {{0, {1, 10}}, {12, {1, 20}}}},
      // A hair before midnight reads as midnight, as the dates of the reports do; a date
      // before 30 December 1899 counts on its own day.
      {"RoundingAndOldDates",
       {Entry("a", Day(2026, 3, 14) + 0.99999999999, 1), Entry("b", At(1850, 6, 1, 18, 0), 2)},
       {{Day(1850, 6, 1), 1, 1, 1, 2}, {Day(2026, 3, 15), 1, 1, 1, 1}},
       {{0, {1, 1}}, {18, {1, 2}}}},
      // No date-time: counted in the model but not in the tally.
      {"Undated", {Entry("a", 0, 5)}, {}, {}},
      {"FourGigabytes",
       {Entry("a", At(2026, 3, 14, 1, 0), 4294967295u), Entry("b", At(2026, 3, 14, 1, 1), 1)},
       {{Day(2026, 3, 14), 2, 2, 2, 4294967296.0}},
       {{1, {2, 4294967296.0}}}},
  };
}

void PrintTo(const TallyCase& c, std::ostream* out) {
  *out << c.name;
}

class TimeTallyTest : public ::testing::TestWithParam<TallyCase> {};

TEST_P(TimeTallyTest, CountsDaysAndHours) {
  const TallyCase& c = GetParam();
  clsImportStats stats;
  for (const LogEntry& e : c.entries) AddStats(stats, false, e);
  const std::vector<DayTally> days = stats.ByTime.Days();
  ASSERT_EQ(days.size(), c.days.size());
  for (std::size_t i = 0; i < days.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(days[i].Day, static_cast<std::int32_t>(c.days[i].day));
    EXPECT_EQ(days[i].Hits, c.days[i].hits);
    EXPECT_EQ(days[i].Visits, c.days[i].visits);
    EXPECT_EQ(days[i].Visitors, c.days[i].visitors);
    EXPECT_EQ(days[i].Bytes, c.days[i].bytes);
  }
  for (int h = 0; h < 24; ++h) {
    const auto it = c.hours.find(h);
    const std::pair<Counter, double> want =
        it == c.hours.end() ? std::pair<Counter, double>{0, 0} : it->second;
    EXPECT_EQ(stats.ByTime.Hour(h).Hits, want.first) << h;
    EXPECT_EQ(stats.ByTime.Hour(h).Bytes, want.second) << h;
  }
}

INSTANTIATE_TEST_SUITE_P(Table, TimeTallyTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TimeTally, IgnoredEntriesAreNotCounted) {
  clsImportStats stats;
  stats.slIgnoreIP.Add("10.0.0.1");
  stats.slIgnoreExt.Add("gif");
  AddStats(stats, false, Entry("10.0.0.1", At(2026, 3, 14, 8, 0), 10));
  AddStats(stats, false, Entry("a", At(2026, 3, 15, 8, 0), 10, "gif"));
  EXPECT_EQ(stats.ByTime.DayCount(), 0u);
  EXPECT_EQ(stats.ByTime.Hour(8).Hits, 0u);
  stats.UseIgnoreExt = false;
  AddStats(stats, false, Entry("a", At(2026, 3, 15, 8, 0), 10, "gif"));
  EXPECT_EQ(stats.ByTime.DayCount(), 1u);
}

// A random workload over many days, visitors and hours against a count made here: the day
// sums equal the model's counters, and every day's figures the entries of that day.
TEST(TimeTally, MatchesTheModelAndAPlainCount) {
  clsImportStats stats;
  std::mt19937 random(7);
  std::map<std::int32_t, std::set<std::string>> visitorsOfDay;
  std::map<std::int32_t, Counter> hitsOfDay;
  Counter hourHits[24] = {};
  const TDateTime start = Day(2026, 1, 1);
  for (int i = 0; i < 20000; ++i) {
    const int day = static_cast<int>(random() % 40);
    const double time = (random() % 86400) / 86400.0;
    const std::string visitor = "v" + std::to_string(random() % 700);
    AddStats(stats, false, Entry(visitor, start + day + time, random() % 5000));
    visitorsOfDay[static_cast<std::int32_t>(start) + day].insert(visitor);
    ++hitsOfDay[static_cast<std::int32_t>(start) + day];
    ++hourHits[static_cast<int>(time * 24 + 1e-9)];
  }
  const std::vector<DayTally> days = stats.ByTime.Days();
  ASSERT_EQ(days.size(), visitorsOfDay.size());
  Counter hits = 0, visits = 0;
  double bytes = 0;
  for (const DayTally& d : days) {
    EXPECT_EQ(d.Visitors, visitorsOfDay[d.Day].size()) << d.Day;
    EXPECT_EQ(d.Hits, hitsOfDay[d.Day]) << d.Day;
    hits += d.Hits;
    visits += d.Visits;
    bytes += d.Bytes;
  }
  Counter userVisits = 0;
  for (int u = 0; u < stats.slUsers.Count(); ++u) userVisits += stats.slUsers.Object(u)->Visits;
  EXPECT_EQ(hits, stats.PageHits);
  EXPECT_EQ(visits, userVisits);
  EXPECT_EQ(bytes, stats.Traffic);
  Counter hourSum = 0;
  for (int h = 0; h < 24; ++h) {
    EXPECT_EQ(stats.ByTime.Hour(h).Hits, hourHits[h]) << h;
    hourSum += stats.ByTime.Hour(h).Hits;
  }
  EXPECT_EQ(hourSum, stats.PageHits);
}

}  // namespace
}  // namespace kestrune
