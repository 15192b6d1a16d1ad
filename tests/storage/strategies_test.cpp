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

INSTANTIATE_TEST_SUITE_P(Databases, StrategiesTest,
                         ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
}  // namespace kestrune::test
