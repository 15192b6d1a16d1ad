// The batched strategy leaves exactly the tables that statement-by-statement storage
// leaves: the same logs, mixed so that every lookup changes key often, imported both ways
// into fresh databases of each kind, compared table by table, row by row.
#include <gtest/gtest.h>

#include <random>

#include "storage_fixture.h"

namespace kestrune::test {
namespace {

// Three days of requests in three files, in a shuffled order within each file, by 60
// visitors (two of them ignored) on 40 pages of two sites: downloads, query strings,
// robots, errors.
std::vector<std::string> MixedLogs(const TempDir& dir) {
  std::mt19937 random(20260301);
  const char* const statuses[] = {"200", "200", "200", "304", "404", "500", "403"};
  std::vector<std::string> files;
  for (int day = 1; day <= 3; ++day) {
    std::vector<std::string> lines;
    for (int i = 0; i < 700; ++i) {
      const int visitor = static_cast<int>(random() % 60);
      const int page = static_cast<int>(random() % 40);
      std::string path = "/p" + std::to_string(page);
      switch (page % 8) {
        case 0:
          path += ".zip";
          break;
        case 1:
          path += ".asp?id=" + std::to_string(random() % 5);
          break;
        case 2:
          path = page == 2 ? "/robots.txt" : path + ".gif";
          break;
        case 3:
          path += ".EXE";
          break;
        default:
          path += ".html";
          break;
      }
      char time[16];
      std::snprintf(time, sizeof time, "%02d:%02d:%02d", static_cast<int>(random() % 24),
                    static_cast<int>(random() % 60), static_cast<int>(random() % 60));
      const std::string ip =
          visitor < 2 ? "9.9.9." + std::to_string(visitor)
                      : "10.1." + std::to_string(visitor / 10) + "." + std::to_string(visitor);
      lines.push_back("2026-03-0" + std::to_string(day) + " " + time + " 10.0.0." +
                      std::to_string(1 + (page % 2)) + " " + ip + " " +
                      (random() % 5 ? "GET" : "HEAD") + " " + path + " " + statuses[random() % 7] +
                      " " + std::to_string(random() % 100000) + " " +
                      std::to_string(random() % 500) + " HTTP/1.1");
    }
    // Consecutive repeats, as a log sorted by time has them.
    for (int i = 0; i < 200; ++i) {
      const std::size_t at = random() % lines.size();
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), lines[at]);
    }
    files.push_back(dir.Write("ex26030" + std::to_string(day) + ".log", IisLog(lines)));
  }
  return files;
}

void Lists(clsImportStats& stats) {
  stats.slDownloadExt.Add("ZIP");
  stats.slDownloadExt.Add("exe");
  stats.slIgnoreIP.Add("9.9.9.0");
  stats.slIgnoreIP.Add("9.9.9.1");
  stats.slIgnoreExt.Add("GIF");
}

std::vector<std::string> Imported(Kind kind, StorageOptions options,
                                  const std::vector<std::string>& files) {
  TestDatabase db(kind);
  clsImportStats stats;
  Lists(stats);
  // Two runs: the first file, then the other two, so that the second run starts from
  // rows in the database.
  EXPECT_EQ(ImportRun(db.Dsn(), {files[0]}, options, &stats).error, "");
  EXPECT_EQ(ImportRun(db.Dsn(), {files[1], files[2]}, options, &stats).error, "");
  return db.Dump();
}

// Equal row lists, or the first rows that differ.
void ExpectSameRows(const std::vector<std::string>& actual,
                    const std::vector<std::string>& expected) {
  EXPECT_EQ(actual.size(), expected.size());
  int shown = 0;
  for (std::size_t i = 0; i < std::min(actual.size(), expected.size()) && shown < 5; ++i) {
    if (actual[i] == expected[i]) continue;
    ADD_FAILURE() << "row " << i << ":\n  batched: " << actual[i] << "\n  direct:  " << expected[i];
    ++shown;
  }
}

class StrategiesTest : public ::testing::TestWithParam<Kind> {};

TEST_P(StrategiesTest, BatchedLeavesTheTablesOfStatementByStatement) {
  TempDir dir;
  const std::vector<std::string> files = MixedLogs(dir);
  StorageOptions direct;
  direct.strategy = StorageStrategy::StatementByStatement;
  const std::vector<std::string> expected = Imported(GetParam(), direct, files);
  ASSERT_GT(expected.size(), 2000u);

  StorageOptions batched;  // the defaults: tables read whole, 200 rows an INSERT
  ExpectSameRows(Imported(GetParam(), batched, files), expected);

  StorageOptions rowByRow;  // tables read key by key, odd batch sizes
  rowByRow.batchRows = 7;
  rowByRow.preloadRows = 0;
  ExpectSameRows(Imported(GetParam(), rowByRow, files), expected);
}

// Texts that an array literal or a quoted element would take apart: quotes, backslashes,
// braces, commas, the word NULL, bytes that are no UTF-8, in the two texts of tblLogs.
std::vector<std::string> OddTextLogs(const TempDir& dir) {
  const char* const texts[] = {"NULL", "a\"b", "c\\d",          "{x,y}",
                               "\"",   "\\",   "\xE9t\xC3\xA9", "\xF0\x9F\x98\x80",
                               "()",   "'",    "NULL,NULL"};
  std::vector<std::string> lines;
  int second = 0;
  for (const char* site : texts) {
    for (const char* version : texts) {
      char time[16];
      std::snprintf(time, sizeof time, "10:%02d:%02d", second / 60, second % 60);
      ++second;
      lines.push_back(std::string("2026-03-01 ") + time + " " + site + " 10.1.0." +
                      std::to_string(second % 7) + " GET /p" + std::to_string(second % 5) +
                      ".html 200 10 1 " + version);
    }
  }
  return {dir.Write("ex260301.log", IisLog(lines))};
}

TEST_P(StrategiesTest, OddTextsOfLogRowsStoredAsStatementByStatement) {
  TempDir dir;
  const std::vector<std::string> files = OddTextLogs(dir);
  StorageOptions direct;
  direct.strategy = StorageStrategy::StatementByStatement;
  TestDatabase expected(GetParam()), actual(GetParam());
  ASSERT_EQ(ImportRun(expected.Dsn(), files, direct).error, "");
  StorageOptions batched;
  batched.batchRows = 13;  // full batches and a shorter last one
  ASSERT_EQ(ImportRun(actual.Dsn(), files, batched).error, "");
  const std::vector<std::string> rows = expected.Dump();
  ASSERT_GT(rows.size(), 121u);
  ExpectSameRows(actual.Dump(), rows);
}

// A tblLogs whose yes/no columns are numbers (not the shipped schema) takes its rows
// one parameter a value, as before, and keeps them as statement-by-statement does.
TEST(StrategiesPostgresTest, OtherColumnTypesOfTblLogsStillStored) {
  TempDir dir;
  std::vector<std::string> files = MixedLogs(dir);
  files.resize(1);
  std::vector<std::vector<std::string>> dumps;
  for (StorageStrategy strategy :
       {StorageStrategy::StatementByStatement, StorageStrategy::Batched}) {
    TestDatabase db(Kind::PostgreSQL);
    db.Execute(
        "ALTER TABLE tblLogs ALTER COLUMN GET TYPE INTEGER USING GET::INTEGER, "
        "ALTER COLUMN HEAD TYPE SMALLINT USING HEAD::INTEGER::SMALLINT");
    StorageOptions options;
    options.strategy = strategy;
    clsImportStats stats;
    Lists(stats);
    ASSERT_EQ(ImportRun(db.Dsn(), files, options, &stats).error, "");
    dumps.push_back(
        db.Rows("SELECT ID, Page, Visitor, GET, HEAD, Date FROM tblLogs ORDER BY ID", "iiiiid"));
  }
  ASSERT_GT(dumps[0].size(), 500u);
  ExpectSameRows(dumps[1], dumps[0]);
}

INSTANTIATE_TEST_SUITE_P(Databases, StrategiesTest,
                         ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
}  // namespace kestrune::test
