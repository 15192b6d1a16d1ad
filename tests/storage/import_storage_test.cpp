// Real logs imported into real databases through the readers, as the import driver runs
// them: the six tables checked row by row, for SQLite and PostgreSQL, statement by
// statement and batched.
#include <gtest/gtest.h>

#include "storage_fixture.h"

namespace kestrune::test {
namespace {

struct Case {
  Kind kind;
  StorageStrategy strategy;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
  return KindName(info.param.kind) +
         (info.param.strategy == StorageStrategy::Batched ? "Batched" : "Direct");
}

class ImportStorageTest : public ::testing::TestWithParam<Case> {
 protected:
  StorageOptions Options() const {
    StorageOptions options;
    options.strategy = GetParam().strategy;
    return options;
  }
  // A model whose lists make .zip a download and 9.9.9.9 / .gif ignored, with every Use
  // switch off: the storage decides by the lists alone.
  static void Lists(clsImportStats& stats) {
    stats.slDownloadExt.Add("ZIP");
    stats.slIgnoreIP.Add("9.9.9.9");
    stats.slIgnoreExt.Add("GIF");
    stats.UseDownloadExt = false;
    stats.UseIgnoreIP = false;
    stats.UseIgnoreExt = false;
  }

  TestDatabase db{GetParam().kind};
};

const std::vector<std::string> kFirstDay = {
    "2026-03-01 10:00:00 10.0.0.1 1.1.1.1 GET /index.html 200 1000 15 HTTP/1.1",
    "2026-03-01 10:00:05 10.0.0.1 1.1.1.1 GET /robots.txt 200 50 1 HTTP/1.1",
    "2026-03-01 10:01:00 10.0.0.1 2.2.2.2 HEAD /search.asp?q=x 200 10 2 HTTP/1.0",
    "2026-03-01 10:02:00 10.0.0.1 2.2.2.2 GET /files/a.zip 200 5000 30 HTTP/1.1",
    "2026-03-01 10:03:00 10.0.0.1 2.2.2.2 GET /files/b.zip 200 6000 30 HTTP/1.1",
    "2026-03-01 10:04:00 10.0.0.1 1.1.1.1 GET /missing.html 404 0 3 HTTP/1.1",
    "2026-03-01 10:05:00 10.0.0.1 9.9.9.9 GET /gone.html 404 0 1 HTTP/1.1",
    "2026-03-01 10:06:00 10.0.0.1 1.1.1.1 GET /pic.gif 200 70 1 HTTP/1.1",
};
const std::vector<std::string> kSecondDay = {
    "2026-03-02 09:00:00 10.0.0.1 2.2.2.2 GET /files/b.zip 200 6000 30 HTTP/1.1",
    "2026-03-02 09:00:10 10.0.0.1 1.1.1.1 GET /ROBOTS.TXT 200 50 1 HTTP/1.1",
    "2026-03-02 09:01:00 10.0.0.1 1.1.1.1 POST /missing.html 404 0 3 HTTP/1.1",
};

TEST_P(ImportStorageTest, TwoFilesGiveTheTablesRowByRow) {
  clsImportStats stats;
  Lists(stats);
  const RunResult run = ImportRun(db.Dsn(),
                                  {db.dir().Write("ex260301.log", IisLog(kFirstDay)),
                                   db.dir().Write("ex260302.log", IisLog(kSecondDay))},
                                  Options(), &stats);
  ASSERT_EQ(run.error, "");
  EXPECT_EQ(run.committed, 2);
  EXPECT_EQ(run.statuses.front(), "Connecting to database");

  const std::string d1 = "2026-03-01 00:00:00", d2 = "2026-03-02 00:00:00";
  const std::vector<std::string> expected = {
      // The ignored address and the ignored extension write no row.
      "tblLogs: 1|1|0|10.0.0.1|1|" + d1 + "|1|0|1000|200|15|HTTP/1.1|0",
      "tblLogs: 2|2|0|10.0.0.1|1|" + d1 + "|1|0|50|200|1|HTTP/1.1|0",
      "tblLogs: 3|3|0|10.0.0.1|2|" + d1 + "|0|1|10|200|2|HTTP/1.0|0",
      "tblLogs: 4|4|0|10.0.0.1|2|" + d1 + "|1|0|5000|200|30|HTTP/1.1|0",
      "tblLogs: 5|5|0|10.0.0.1|2|" + d1 + "|1|0|6000|200|30|HTTP/1.1|0",
      "tblLogs: 6|6|0|10.0.0.1|1|" + d1 + "|1|0|0|404|3|HTTP/1.1|0",
      "tblLogs: 7|5|0|10.0.0.1|2|" + d2 + "|1|0|6000|200|30|HTTP/1.1|0",
      "tblLogs: 8|7|0|10.0.0.1|1|" + d2 + "|1|0|50|200|1|HTTP/1.1|0",
      "tblLogs: 9|6|0|10.0.0.1|1|" + d2 + "|0|0|0|404|3|HTTP/1.1|0",
      // Robots only for the exact "/robots.txt"; a session a day; the first download of
      // a session counted, the second file of it not.
      "tblVisitors: 1|1.1.1.1|1.1.1.1|1|" + d2 + "|2|0|0",
      "tblVisitors: 2|2.2.2.2|2.2.2.2|0|" + d2 + "|2|1|1",
      "tblPages: 1|/index.html|10.0.0.1",
      "tblPages: 2|/robots.txt|10.0.0.1",
      "tblPages: 3|/search.asp|10.0.0.1",
      "tblPages: 4|/files/a.zip|10.0.0.1",
      "tblPages: 5|/files/b.zip|10.0.0.1",
      "tblPages: 6|/missing.html|10.0.0.1",
      "tblPages: 7|/ROBOTS.TXT|10.0.0.1",
      "tblRefs: 1||(unknown)|10.0.0.1|9|" + d2,
      "tblDownloads: 1|/files/a.zip|10.0.0.1|1|" + d1,
      "tblDownloads: 2|/files/b.zip|10.0.0.1|1|" + d2,
      // Errors above 399 counted whether stored or not.
      "tblErrors: 1|404|/missing.html|10.0.0.1|(unknown)|2|" + d2,
      "tblErrors: 2|404|/gone.html|10.0.0.1|(unknown)|1|" + d1,
  };
  EXPECT_EQ(db.Dump(), expected);
}

TEST_P(ImportStorageTest, ConsecutiveRunsContinueSessionsAndCounts) {
  clsImportStats stats;
  Lists(stats);
  ASSERT_EQ(
      ImportRun(db.Dsn(), {db.dir().Write("a.log", IisLog(kFirstDay))}, Options(), &stats).error,
      "");
  // A second run the same day: no new session; then the next day: one more.
  const std::vector<std::string> sameDay = {
      "2026-03-01 23:00:00 10.0.0.1 2.2.2.2 GET /files/a.zip 200 1 1 HTTP/1.1"};
  ASSERT_EQ(
      ImportRun(db.Dsn(), {db.dir().Write("b.log", IisLog(sameDay))}, Options(), &stats).error, "");
  EXPECT_EQ(
      db.Rows("SELECT IP, Count, SessionDownloaded FROM tblVisitors WHERE IP='2.2.2.2'", "tib"),
      std::vector<std::string>{"2.2.2.2|1|1"});
  ASSERT_EQ(
      ImportRun(db.Dsn(), {db.dir().Write("c.log", IisLog(kSecondDay))}, Options(), &stats).error,
      "");
  EXPECT_EQ(db.Rows("SELECT IP, Count FROM tblVisitors ORDER BY ID", "ti"),
            (std::vector<std::string>{"1.1.1.1|2", "2.2.2.2|2"}));
  EXPECT_EQ(db.Rows("SELECT FileName, Count FROM tblDownloads ORDER BY ID", "ti"),
            (std::vector<std::string>{"/files/a.zip|1", "/files/b.zip|1"}));
  EXPECT_EQ(db.Rows("SELECT Count FROM tblRefs", "i"), std::vector<std::string>{"10"});
  EXPECT_EQ(db.Count("tblLogs"), 10);
}

TEST_P(ImportStorageTest, FailingSecondFileIsRolledBackAndTheFirstKept) {
  clsImportStats stats;
  Lists(stats);
  std::vector<std::string> bad = kSecondDay;
  bad.push_back("2026-02-30 10:00:00 10.0.0.1 3.3.3.3 GET /x.html 200 1 1 HTTP/1.1");
  const RunResult run = ImportRun(
      db.Dsn(), {db.dir().Write("a.log", IisLog(kFirstDay)), db.dir().Write("b.log", IisLog(bad))},
      Options(), &stats);
  EXPECT_NE(run.error, "");
  EXPECT_EQ(run.committed, 1);

  TestDatabase reference(GetParam().kind);
  clsImportStats referenceStats;
  Lists(referenceStats);
  ASSERT_EQ(ImportRun(reference.Dsn(), {db.dir().Write("a2.log", IisLog(kFirstDay))}, Options(),
                      &referenceStats)
                .error,
            "");
  EXPECT_EQ(db.Dump(), reference.Dump());
}

INSTANTIATE_TEST_SUITE_P(
    Databases, ImportStorageTest,
    ::testing::Values(Case{Kind::SQLite, StorageStrategy::Batched},
                      Case{Kind::SQLite, StorageStrategy::StatementByStatement},
                      Case{Kind::PostgreSQL, StorageStrategy::Batched},
                      Case{Kind::PostgreSQL, StorageStrategy::StatementByStatement}),
    CaseName);

}  // namespace
}  // namespace kestrune::test
