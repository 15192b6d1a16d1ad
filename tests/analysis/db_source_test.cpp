// The database source against plain GROUP BY queries over tblLogs, on a real SQLite file
// and the throwaway PostgreSQL after a real import: every subject for several periods,
// sites and filters (SQLite reads long periods of the page list by the page index where
// there is one, or as two halves at once; short ones by the date index), the totals and the chart
// series, the order of every column with ties, empty periods, the reasons for a database that
// cannot serve, cancelling, and keys of any bytes.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "analysis/db_job.h"
#include "analysis_fixture.h"

namespace kestrune::test {
namespace {

TDateTime Day(const char* iso) {
  return *ParseIsoDay(iso);
}

class DbSourceTest : public ::testing::TestWithParam<Kind> {
 protected:
  static void SetUpTestSuite() {}
  WeekDatabase& Week() {
    if (!week_) week_ = std::make_unique<WeekDatabase>(GetParam());
    return *week_;
  }
  std::unique_ptr<WeekDatabase> week_;
};

std::vector<std::string> Sorted(std::vector<std::string> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST_P(DbSourceTest, EverySubjectMatchesPlainGroupBy) {
  WeekDatabase& week = Week();
  const std::string dsn = week.Dsn();
  struct Variant {
    const char* what;
    Period period;
    std::string site;
    bool filtered;
  };
  const Variant variants[] = {
      {"all", Period::All(), "", false},
      {"the whole week", Period::Days(Day("2026-03-01"), Day("2026-03-07")), "", false},
      {"three days", Period::Days(Day("2026-03-02"), Day("2026-03-04")), "", false},
      {"one day", Period::Days(Day("2026-03-07"), Day("2026-03-07")), "", false},
      {"one site", Period::All(), "10.0.0.2", false},
      {"a filter", Period::Days(Day("2026-03-01"), Day("2026-03-05")), "", true},
  };
  // A filter text for each subject, in other letter case than the keys.
  auto filterOf = [](DbSubject subject) -> std::string {
    switch (subject) {
      case DbSubject::Pages:
      case DbSubject::Errors:
        return "HTML";
      case DbSubject::Visitors:
        return "168.0.1";
      case DbSubject::Days:
        return "03-0";
      case DbSubject::Status:
        return "0";
      case DbSubject::Sites:
        return "0.0.2";
    }
    return "";
  };
  for (const DbSubjectName& subject : DbSubjects()) {
    for (const Variant& v : variants) {
      SCOPED_TRACE(std::string(subject.word) + ", " + v.what);
      DbRequest request;
      request.subject = subject.subject;
      request.period = v.period;
      request.site = v.site;
      if (v.filtered) request.filter = filterOf(subject.subject);
      const std::vector<std::string> expected = ExpectedRows(week, request);
      EXPECT_FALSE(expected.empty());
      const AnalysisTable rows = ReadAll(dsn, request);
      EXPECT_EQ(Sorted(RowTexts(rows)), Sorted(expected));
      // The default order: hits, most first, ties by key.
      EXPECT_EQ(RowTexts(rows), SortedLikeTheAnalysis(expected, subject.subject, -1, true));

      DatabaseReader reader;
      std::string error;
      ASSERT_TRUE(reader.Open(dsn, error)) << error;
      AnalysisTable totals;
      ASSERT_TRUE(reader.ReadTotals(request, totals, error)) << error;
      EXPECT_EQ(TotalsText(totals), ExpectedTotals(week, request));

      // The chart: hits and visitors per day of the same entries.
      std::vector<DayPoint> series;
      ASSERT_TRUE(reader.ReadSeries(request, series, error)) << error;
      DbRequest days = request;
      days.subject = DbSubject::Days;
      std::vector<std::string> expectedSeries;
      if (request.subject == DbSubject::Days) {
        for (const std::string& row : SortedLikeTheAnalysis(expected, DbSubject::Days, 0, false)) {
          const std::size_t a = row.find('\t'), b = row.find('\t', a + 1),
                            c = row.find('\t', b + 1);
          expectedSeries.push_back(row.substr(0, c));
        }
        std::vector<std::string> got;
        for (const DayPoint& p : series)
          got.push_back(FormatIsoDate(p.day) + "\t" + std::to_string(static_cast<long>(p.hits)) +
                        "\t" + std::to_string(static_cast<long>(p.visitors)));
        EXPECT_EQ(got, expectedSeries);
      }
      double hits = 0;
      for (const DayPoint& p : series) hits += p.hits;
      EXPECT_EQ(hits, totals.Number(0, totals.HitsColumn()));
    }
  }
}

TEST_P(DbSourceTest, AnIndexByPageChangesNoFigure) {
  // A database given the index by page that the schemas leave out: long periods of the
  // page list read SQLite in its order, with the same figures.
  WeekDatabase& week = Week();
  week.db().Execute(
      "CREATE INDEX ixLogsPage ON tblLogs (Page, Visitor, Date, SiteIP, Statuscode, Bytes)");
  const std::string dsn = week.Dsn();
  for (const Period& period : {Period::Days(Day("2026-03-01"), Day("2026-03-07")),
                               Period::Days(Day("2026-03-02"), Day("2026-03-06")),
                               Period::Days(Day("2026-03-07"), Day("2026-03-07"))}) {
    for (const std::string site : {"", "10.0.0.2"}) {
      SCOPED_TRACE(FormatIsoDate(period.from) + " " + site);
      DbRequest request;
      request.period = period;
      request.site = site;
      const std::vector<std::string> expected = ExpectedRows(week, request);
      EXPECT_EQ(RowTexts(ReadAll(dsn, request)),
                SortedLikeTheAnalysis(expected, DbSubject::Pages, -1, true));
    }
  }
}

TEST_P(DbSourceTest, EveryEntryIsInOnePageRowWhateverItsPage) {
  // Long periods of SQLite's page list are grouped as two halves of the page IDs at once:
  // entries of no page, of negative IDs and of IDs with no tblPages row must land in one
  // of them, once.
  WeekDatabase& week = Week();
  const std::string copy =
      " Visitor, SiteIP, Date, Bytes, Statuscode FROM tblLogs WHERE ID = (SELECT MIN(ID) FROM "
      "tblLogs)";
  for (const char* page : {"NULL", "-3", "-4", "987654"})
    week.db().Execute(std::string("INSERT INTO tblLogs (Page, Visitor, SiteIP, Date, Bytes, "
                                  "Statuscode) SELECT ") +
                      page + "," + copy);
  const double entries = static_cast<double>(week.db().Count("tblLogs"));
  for (const Period& period : {Period::All(), Period::Days(Day("2026-03-01"), Day("2026-03-07"))}) {
    SCOPED_TRACE(period.Text());
    DbRequest request;
    request.period = period;
    const AnalysisTable rows = ReadAll(week.Dsn(), request);
    double hits = 0;
    std::size_t unnamed = 0;
    for (std::size_t r = 0; r < rows.RowCount(); ++r) {
      hits += rows.Number(r, rows.HitsColumn());
      if (rows.Text(r, 0).empty()) ++unnamed;
    }
    EXPECT_EQ(hits, entries);
    EXPECT_EQ(unnamed, 4u);
  }
}

TEST_P(DbSourceTest, SortsInSqlByEveryColumnTiesByKey) {
  WeekDatabase& week = Week();
  const std::string dsn = week.Dsn();
  for (DbSubject subject : {DbSubject::Pages, DbSubject::Errors, DbSubject::Days,
                            DbSubject::Visitors, DbSubject::Status}) {
    DbRequest request;
    request.subject = subject;
    const std::vector<std::string> expected = ExpectedRows(week, request);
    const int columns = DbColumns(subject).ColumnCount();
    for (int column = 0; column < columns; ++column) {
      for (bool descending : {false, true}) {
        SCOPED_TRACE(std::string(Word(subject)) + " by column " + std::to_string(column) +
                     (descending ? " falling" : " rising"));
        request.sortColumn = column;
        request.descending = descending;
        EXPECT_EQ(RowTexts(ReadAll(dsn, request)),
                  SortedLikeTheAnalysis(expected, subject, column, descending));
      }
    }
    // A column the subject does not have sorts by the hits.
    request.sortColumn = columns;
    request.descending = true;
    EXPECT_EQ(RowTexts(ReadAll(dsn, request)), SortedLikeTheAnalysis(expected, subject, -1, true));
  }
  // The two tie pages: equal in every figure, so in key order whichever way hits go.
  DbRequest ties;
  ties.subject = DbSubject::Pages;
  ties.filter = "tie-";
  for (bool descending : {false, true}) {
    ties.descending = descending;
    const std::vector<std::string> rows = RowTexts(ReadAll(dsn, ties));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(0, 11), "/tie-a.html");
    EXPECT_EQ(rows[1].substr(0, 11), "/tie-b.html");
  }
}

TEST_P(DbSourceTest, EmptyPeriodsGiveNoRowsAndTotalsOfZero) {
  WeekDatabase& week = Week();
  const Period periods[] = {Period::Days(Day("2026-03-07"), Day("2026-03-01")),  // reversed
                            Period::Days(Day("2025-01-01"), Day("2025-12-31")),  // before
                            Period::Days(Day("2026-03-08"), Day("2026-03-08"))};
  for (const DbSubjectName& subject : DbSubjects()) {
    for (const Period& period : periods) {
      SCOPED_TRACE(std::string(subject.word) + " " + period.Text());
      DbRequest request;
      request.subject = subject.subject;
      request.period = period;
      EXPECT_EQ(ReadAll(week.Dsn(), request).RowCount(), 0u);
      DatabaseReader reader;
      std::string error;
      ASSERT_TRUE(reader.Open(week.Dsn(), error));
      AnalysisTable totals;
      ASSERT_TRUE(reader.ReadTotals(request, totals, error)) << error;
      EXPECT_EQ(TotalsText(totals), "0\t0\t0\t0\t\t");
    }
  }
}

TEST_P(DbSourceTest, KeysComeBackAsStored) {
  WeekDatabase& week = Week();
  DbRequest request;
  request.subject = DbSubject::Pages;
  const AnalysisTable rows = ReadAll(week.Dsn(), request);
  std::vector<std::string> keys;
  for (std::size_t r = 0; r < rows.RowCount(); ++r) keys.emplace_back(rows.Text(r, 0));
  for (const std::string key :
       {"/<script>alert(1)</script>", "/=cmd|'/C_calc'!A0", "/del\x7Fx", "/-minus", "/@at"})
    EXPECT_NE(std::find(keys.begin(), keys.end(), key), keys.end()) << key;
  // SQLite keeps the bytes; PostgreSQL the UTF-8 the storage made of them.
  const std::string cafe = GetParam() == Kind::SQLite ? "/caf\xE9.html" : "/caf\xC3\xA9.html";
  EXPECT_NE(std::find(keys.begin(), keys.end(), cafe), keys.end());
  // A filter with characters that mean something in SQL is a text like any other.
  for (const char* filter : {"%", "%html", "_html", "' OR 1=1 --", "'); DROP TABLE tblLogs; --"}) {
    request.filter = filter;
    EXPECT_EQ(ReadAll(week.Dsn(), request).RowCount(), 0u) << filter;
  }
  request.filter = "|'/c_";
  EXPECT_EQ(ReadAll(week.Dsn(), request).RowCount(), 1u);
}

TEST_P(DbSourceTest, ReadingChangesNothing) {
  WeekDatabase& week = Week();
  const std::vector<std::string> before = week.db().Dump();
  for (const DbSubjectName& subject : DbSubjects()) {
    DbRequest request;
    request.subject = subject.subject;
    ReadAll(week.Dsn(), request);
  }
  EXPECT_EQ(week.db().Dump(), before);
}

TEST_P(DbSourceTest, ADatabaseThatCannotServeSaysWhy) {
  struct Case {
    const char* what;
    std::function<std::string()> dsn;
    const char* reason;
  };
  std::unique_ptr<TestDatabase> bare;
  const Case cases[] = {
      {"no DSN", [] { return std::string("  "); }, kNoDsnText},
      {"a DSN that does not connect",
       [] { return std::string("DRIVER={No Such Driver};Database=/nowhere"); },
       "The data source could not be opened: "},
      {"no tables",
       [&] {
         bare = std::make_unique<TestDatabase>(GetParam(), false);
         return bare->Dsn(DsnForm::Driver);
       },
       "The data source has no tables of the database storage"},
  };
  for (const Case& c : cases) {
    DatabaseReader reader;
    std::string reason;
    EXPECT_FALSE(reader.Open(c.dsn(), reason)) << c.what;
    EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << c.what << ": " << reason;
    // Every read then says so instead of throwing.
    AnalysisTable totals;
    std::string error;
    EXPECT_FALSE(reader.ReadTotals(DbRequest{}, totals, error));
    EXPECT_FALSE(error.empty());
  }
}

TEST_P(DbSourceTest, CancelStopsTheReaderAndTheJob) {
  WeekDatabase& week = Week();
  DatabaseReader reader;
  std::string error;
  ASSERT_TRUE(reader.Open(week.Dsn(), error));
  reader.Cancel();
  EXPECT_FALSE(reader.ReadRows(
      DbRequest{}, 10, 10, [](AnalysisTable&&) { return true; }, error));
  EXPECT_EQ(error, kCancelledText);

  // A job cancelled at once reports nothing but its end.
  std::mutex mutex;
  std::condition_variable ended;
  bool finished = false;
  std::atomic<int> failures{0};
  DbJob::Callbacks callbacks;
  callbacks.failed = [&](const std::string&) { ++failures; };
  callbacks.finished = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
    ended.notify_all();
  };
  DbJob job(week.Dsn(), DbRequest{}, true, callbacks);
  job.Start();
  job.Cancel();
  std::unique_lock<std::mutex> lock(mutex);
  EXPECT_TRUE(ended.wait_for(lock, std::chrono::seconds(30), [&] { return finished; }));
  EXPECT_EQ(failures, 0);
}

TEST_P(DbSourceTest, AJobHandsOverRowsTotalsAndSeries) {
  WeekDatabase& week = Week();
  // Visitors in one query; all of SQLite's pages in two halves at once.
  for (DbSubject subject : {DbSubject::Visitors, DbSubject::Pages}) {
    SCOPED_TRACE(Word(subject));
    DbRequest request;
    request.subject = subject;
    std::mutex mutex;
    std::condition_variable ended;
    bool finished = false, rowsDone = false, totalsBeforeRows = false;
    AnalysisTable rows = DbColumns(request.subject);
    AnalysisTable totals;
    std::size_t days = 0;
    std::vector<std::size_t> chunks;
    DbJob::Callbacks callbacks;
    callbacks.failed = [&](const std::string& reason) { ADD_FAILURE() << reason; };
    callbacks.rows = [&](AnalysisTable&& chunk) {
      // The totals wait for the first rows: give them time to come too early.
      if (chunks.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(300));
      std::lock_guard<std::mutex> lock(mutex);
      if (chunks.empty()) totalsBeforeRows = totals.RowCount() > 0;
      chunks.push_back(chunk.RowCount());
      rows.Append(std::move(chunk));
    };
    callbacks.rowsDone = [&] { rowsDone = true; };
    callbacks.totals = [&](AnalysisTable&& t) {
      std::lock_guard<std::mutex> lock(mutex);
      totals = std::move(t);
    };
    callbacks.series = [&](std::vector<DayPoint>&& s) { days = s.size(); };
    callbacks.finished = [&] {
      std::lock_guard<std::mutex> lock(mutex);
      finished = true;
      ended.notify_all();
    };
    DbJob job(week.Dsn(), request, true, callbacks, 2, 3);
    job.Start();
    {
      std::unique_lock<std::mutex> lock(mutex);
      ASSERT_TRUE(ended.wait_for(lock, std::chrono::seconds(30), [&] { return finished; }));
    }
    EXPECT_TRUE(rowsDone);
    EXPECT_EQ(RowTexts(rows),
              SortedLikeTheAnalysis(ExpectedRows(week, request), subject, -1, true));
    // A first chunk of two rows, then chunks of three.
    ASSERT_GT(chunks.size(), 2u);
    EXPECT_EQ(chunks[0], 2u);
    for (std::size_t i = 1; i + 1 < chunks.size(); ++i) EXPECT_EQ(chunks[i], 3u);
    EXPECT_EQ(TotalsText(totals), ExpectedTotals(week, request));
    EXPECT_EQ(days, 7u);
    EXPECT_FALSE(totalsBeforeRows);
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, DbSourceTest, ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                           return KindName(info.param);
                         });

}  // namespace
}  // namespace kestrune::test
