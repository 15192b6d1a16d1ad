// AddToDb entry by entry into a real SQLite file, with both strategies: the rules of the
// lookups (ignore lists, errors, robots, downloads per session, query strings, Last).
#include <gtest/gtest.h>

#include "storage_fixture.h"

namespace kestrune::test {
namespace {

class EntryStorageTest : public ::testing::TestWithParam<StorageStrategy> {
 protected:
  void SetUp() override {
    stats.slDownloadExt.Add("ZIP");
    stats.slIgnoreIP.Add("9.9.9.9");
    stats.slIgnoreExt.Add("GIF");
    StorageOptions options;
    options.strategy = GetParam();
    database = std::make_unique<Database>([](const std::string&) {}, options);
    database->Open(db.Dsn(), stats);
    database->StartTransaction();
  }
  void Add(const std::string& date, const std::string& visitor, const std::string& page,
           std::uint32_t status = 200, const std::string& method = "GET") {
    database->Store()->AddToDb(date, "10.0.0.1", visitor, page, "(unknown)", method, "HTTP/1.1",
                               status, 100, 5, 0);
  }
  void Commit() {
    database->Commit();
    database->Close();
  }

  clsImportStats stats;
  TestDatabase db{Kind::SQLite};
  std::unique_ptr<Database> database;
};

TEST_P(EntryStorageTest, IgnoreListsDecideWhateverTheUseSwitchesSay) {
  stats.UseIgnoreIP = false;
  stats.UseIgnoreExt = false;
  Add("2026-03-01", "9.9.9.9", "/a.html", 404);
  Add("2026-03-01", "1.1.1.1", "/b.gif", 200);
  Add("2026-03-01", "1.1.1.1", "/c.GiF", 500);
  Commit();
  EXPECT_EQ(db.Count("tblLogs"), 0);
  EXPECT_EQ(db.Count("tblVisitors"), 0);
  EXPECT_EQ(db.Rows("SELECT Error, PageName, Count FROM tblErrors ORDER BY ID", "iti"),
            (std::vector<std::string>{"404|/a.html|1", "500|/c.GiF|1"}));
}

TEST_P(EntryStorageTest, ErrorsAbove399Only) {
  for (std::uint32_t status : {399u, 400u, 404u, 404u, 200u, 400u})
    Add("2026-03-01", "1.1.1.1", "/x.html", status);
  Commit();
  // 400, 404 404, 400: the query stands on 404 when the second 400 comes, so it is read
  // again and counted on the first row.
  EXPECT_EQ(db.Rows("SELECT Error, Count FROM tblErrors ORDER BY ID", "ii"),
            (std::vector<std::string>{"400|2", "404|2"}));
}

TEST_P(EntryStorageTest, RobotsOnlyForTheExactPath) {
  Add("2026-03-01", "1.1.1.1", "/ROBOTS.TXT");
  Add("2026-03-01", "2.2.2.2", "/robots.txt");
  Add("2026-03-01", "3.3.3.3", " /robots.txt");
  Commit();
  EXPECT_EQ(db.Rows("SELECT IP, SE FROM tblVisitors ORDER BY ID", "tb"),
            (std::vector<std::string>{"1.1.1.1|0", "2.2.2.2|1", "3.3.3.3|0"}));
  // The page key is trimmed, so the third entry found the second's page row.
  EXPECT_EQ(db.Rows("SELECT PageName FROM tblPages ORDER BY ID", "t"),
            (std::vector<std::string>{"/ROBOTS.TXT", "/robots.txt"}));
}

TEST_P(EntryStorageTest, OneDownloadCountedPerSession) {
  Add("2026-03-01", "1.1.1.1", "/a.zip");
  Add("2026-03-01", "1.1.1.1", "/b.zip");
  Add("2026-03-01", "1.1.1.1", "/a.zip");
  Add("2026-03-02", "1.1.1.1", "/b.zip");
  Add("2026-03-02", "2.2.2.2", "/a.zip");
  Commit();
  EXPECT_EQ(
      db.Rows("SELECT FileName, Count, Last FROM tblDownloads ORDER BY ID", "tid"),
      (std::vector<std::string>{"/a.zip|2|2026-03-02 00:00:00", "/b.zip|1|2026-03-02 00:00:00"}));
  EXPECT_EQ(db.Rows("SELECT IP, Count, SessionDownloaded, Downloaded FROM tblVisitors ORDER BY ID",
                    "tibb"),
            (std::vector<std::string>{"1.1.1.1|2|1|1", "2.2.2.2|1|1|1"}));
}

TEST_P(EntryStorageTest, QueryStringDroppedFromThePageKey) {
  Add("2026-03-01", "1.1.1.1", "/s.asp?q=1");
  Add("2026-03-01", "1.1.1.1", " /s.asp ?q=2");
  Add("2026-03-01", "1.1.1.1", "/s.asp");
  Commit();
  EXPECT_EQ(db.Rows("SELECT ID, PageName FROM tblPages", "it"),
            std::vector<std::string>{"1|/s.asp"});
  EXPECT_EQ(db.Rows("SELECT Page FROM tblLogs ORDER BY ID", "i"),
            (std::vector<std::string>{"1", "1", "1"}));
}

TEST_P(EntryStorageTest, LastOfVisitorsIsTheLatestOfRefsTheLatestProcessed) {
  Add("2026-03-05", "1.1.1.1", "/a.html", 404);
  Add("2026-03-03", "1.1.1.1", "/a.html", 404);
  Add("2026-03-04", "1.1.1.1", "/a.zip");
  Commit();
  EXPECT_EQ(db.Rows("SELECT Last, Count FROM tblVisitors", "di"),
            std::vector<std::string>{"2026-03-05 00:00:00|1"});
  EXPECT_EQ(db.Rows("SELECT Last, Count FROM tblRefs", "di"),
            std::vector<std::string>{"2026-03-04 00:00:00|3"});
  EXPECT_EQ(db.Rows("SELECT Last, Count FROM tblErrors", "di"),
            std::vector<std::string>{"2026-03-03 00:00:00|2"});
  EXPECT_EQ(db.Rows("SELECT Last FROM tblDownloads", "d"),
            std::vector<std::string>{"2026-03-04 00:00:00"});
}

TEST_P(EntryStorageTest, MethodsAndNumbersOfTheLogRow) {
  database->Store()->AddToDb("2026-03-01", "10.0.0.1", "1.1.1.1", "/a", "(unknown)", "HEAD",
                             "HTTP/1.0", 4294967295u, 4294967295u, 7, 80);
  Add("2026-03-01", "1.1.1.1", "/a", 200, "get");
  Commit();
  EXPECT_EQ(db.Rows("SELECT GET, HEAD, Statuscode, Bytes, TimeTaken, HTTPVersion, Port, Referrer "
                    "FROM tblLogs ORDER BY ID",
                    "bbiiitii"),
            (std::vector<std::string>{"0|1|4294967295|4294967295|7|HTTP/1.0|80|0",
                                      "0|0|200|100|5|HTTP/1.1|0|0"}));
}

TEST_P(EntryStorageTest, InvalidDateStoresTodayAndReadsBackTheSame) {
  const TDateTime before = NowLocal();
  Add("2026-02-30", "1.1.1.1", "/a.html", 404);
  Add("", "1.1.1.1", "/a.html", 404);
  Commit();
  const std::vector<std::string> rows = db.Rows("SELECT Date FROM tblLogs ORDER BY ID", "d");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].substr(0, 10), FormatIsoDate(before));
  EXPECT_EQ(db.Rows("SELECT Count FROM tblVisitors", "i"), std::vector<std::string>{"1"});
}

INSTANTIATE_TEST_SUITE_P(Strategies, EntryStorageTest,
                         ::testing::Values(StorageStrategy::Batched,
                                           StorageStrategy::StatementByStatement),
                         [](const auto& info) {
                           return info.param == StorageStrategy::Batched ? "Batched" : "Direct";
                         });

}  // namespace
}  // namespace kestrune::test
