// The unattended words: TABLE= targets understood and not, and PERIOD= / TABLE= run on
// the database of a real import and on the statistics, the file equal to what the
// analysis reads, failures logged and remembered for the exit status.
#include <fstream>
#include <sstream>

#include "analysis/csv_writer.h"
#include "analysis/stats_tables.h"
#include "analysis/table_command.h"
#include "analysis_fixture.h"

namespace kestrune::test {
namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The CSV lines of `table` as the writer makes them (header first).
std::string CsvOf(const AnalysisTable& table, const AnalysisTable& totals, const TempDir& dir) {
  std::string error;
  const std::string path = dir.Path("expected.csv");
  EXPECT_TRUE(WriteCsvFile(path, table, totals, error)) << error;
  return Read(path);
}

TEST(TableTarget, SubjectsAndFiles) {
  struct Case {
    const char* value;
    const char* outcome;  // "db <word> <file>", "stats <word> <file>" or the error
  };
  const Case cases[] = {
      {"pages:top.csv", "db pages top.csv"},
      {"PAGES:/tmp/a:b.csv", "db pages /tmp/a:b.csv"},
      {"days:d.csv", "db days d.csv"},
      {"status:s.csv", "db status s.csv"},
      {"errors:e.csv", "db errors e.csv"},
      {"sites:s.csv", "db sites s.csv"},
      {"visitors:v.csv", "db visitors v.csv"},
      {"stats-pages:p.csv", "stats pages p.csv"},
      {"Stats-UserAgents:u.csv", "stats useragents u.csv"},
      {"stats-files:f.csv", "stats files f.csv"},
      {"referrers:r.csv", "unknown subject \"referrers\""},
      {"stats-days:d.csv", "unknown subject \"stats-days\""},
      {"pages", "no file: TABLE=<subject>:<file>"},
      {"pages:", "no file: TABLE=<subject>:<file>"},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto target = ParseTableTarget(c.value, error);
    std::string outcome = error;
    if (target)
      outcome = std::string(target->database ? "db " : "stats ") +
                (target->database ? Word(target->dbSubject) : Word(target->statsSubject)) + " " +
                target->file;
    EXPECT_EQ(outcome, c.outcome) << c.value;
  }
}

class TableWordsTest : public ::testing::TestWithParam<Kind> {};

TEST_P(TableWordsTest, PeriodAndTableWriteWhatTheAnalysisReads) {
  WeekDatabase week(GetParam());
  const TempDir& dir = week.db().dir();
  TDateTime now = 0;
  TryEncodeDate(2026, 3, 8, now);
  AnalysisWords words([now] { return now + 0.4; });
  EXPECT_TRUE(AnalysisWords::Handles("period=last7days"));
  EXPECT_TRUE(AnalysisWords::Handles("Table=pages:x.csv"));
  EXPECT_FALSE(AnalysisWords::Handles("REPORT=x.txt"));

  EXPECT_EQ(words.Run("PERIOD=last7days", week.Dsn(), week.stats()),
            "Period: 2026-03-02..2026-03-08");
  const std::string file = dir.Path("top.csv");
  EXPECT_EQ(words.Run("TABLE=pages:" + file, week.Dsn(), week.stats())
                .rfind("Table saved: " + file + " (", 0),
            0u);
  DbRequest request;
  request.period = words.CurrentPeriod();
  const AnalysisTable rows = ReadAll(week.Dsn(), request);
  DatabaseReader reader;
  std::string error;
  ASSERT_TRUE(reader.Open(week.Dsn(), error));
  AnalysisTable totals;
  ASSERT_TRUE(reader.ReadTotals(request, totals, error));
  EXPECT_EQ(Read(file), CsvOf(rows, totals, dir));
  // Its hits are those of a GROUP BY over tblLogs, in the order of the hits.
  EXPECT_EQ(RowTexts(rows),
            SortedLikeTheAnalysis(ExpectedRows(week, request), DbSubject::Pages, -1, true));

  // The statistics of the run, in memory.
  const std::string stats = dir.Path("stats.csv");
  EXPECT_EQ(words.Run("TABLE=stats-pages:" + stats, week.Dsn(), week.stats())
                .rfind("Table saved: " + stats, 0),
            0u);
  AnalysisTable pages = StatsTable(week.stats(), StatsSubject::Pages, "");
  pages.Sort(pages.HitsColumn(), true);
  EXPECT_EQ(Read(stats), CsvOf(pages, pages.Totals(), dir));
  EXPECT_FALSE(words.Failed());

  // Days come in date order.
  const std::string days = dir.Path("days.csv");
  words.Run("PERIOD=2026-03-01..2026-03-03", week.Dsn(), week.stats());
  words.Run("TABLE=days:" + days, week.Dsn(), week.stats());
  const std::string text = Read(days);
  EXPECT_LT(text.find("\r\n2026-03-01,"), text.find("\r\n2026-03-02,"));
  EXPECT_LT(text.find("\r\n2026-03-02,"), text.find("\r\n2026-03-03,"));
  EXPECT_EQ(text.find("2026-03-04,"), std::string::npos);
}

TEST_P(TableWordsTest, FailuresAreLoggedAndRemembered) {
  WeekDatabase week(GetParam());
  const TempDir& dir = week.db().dir();
  struct Case {
    std::vector<std::string> words;
    std::string lastLine;
  };
  const Case cases[] = {
      {{"TABLE=pages:" + dir.Path("a.csv")}, ""},  // succeeds: the period is all
      {{"TABLE=nothing:x.csv"}, "Table not saved: nothing:x.csv (unknown subject \"nothing\")"},
      {{"PERIOD=last week", "TABLE=pages:" + dir.Path("b.csv")},
       "Table not saved: " + dir.Path("b.csv") + " (the period \"last week\" is not understood)"},
      {{"TABLE=pages:" + dir.Path("missing/c.csv")},
       "Table not saved: " + dir.Path("missing/c.csv")},
  };
  for (const Case& c : cases) {
    AnalysisWords words;
    std::string line;
    for (const std::string& word : c.words) line = words.Run(word, week.Dsn(), week.stats());
    if (c.lastLine.empty()) {
      EXPECT_FALSE(words.Failed()) << line;
    } else {
      EXPECT_TRUE(words.Failed());
      EXPECT_EQ(line.rfind(c.lastLine, 0), 0u) << line;
    }
  }
  // A database subject without a DSN names what is missing.
  AnalysisWords words;
  EXPECT_EQ(words.Run("TABLE=pages:" + dir.Path("d.csv"), "", week.stats()),
            "Table not saved: " + dir.Path("d.csv") + " (" + kNoDsnText + ")");
  EXPECT_TRUE(words.Failed());
  // A period without days writes the header alone.
  AnalysisWords empty;
  empty.Run("PERIOD=2026-03-07..2026-03-01", week.Dsn(), week.stats());
  EXPECT_EQ(empty.Run("TABLE=status:" + dir.Path("e.csv"), week.Dsn(), week.stats()),
            "Table saved: " + dir.Path("e.csv") + " (0 rows)");
  EXPECT_EQ(Read(dir.Path("e.csv")),
            "Status,Hits,Share %,Visitors,Visits,Bytes,First date,Last date\r\n");
}

INSTANTIATE_TEST_SUITE_P(Databases, TableWordsTest,
                         ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                           return KindName(info.param);
                         });

}  // namespace
}  // namespace kestrune::test
