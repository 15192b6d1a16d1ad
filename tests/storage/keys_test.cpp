// Keys that SQL text could mistake (quotes, backslashes, "%", "_"), texts of 255
// characters and bytes above 127, stored and found again in each database; the three
// forms of a data-source name; and no driver log file left behind.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <filesystem>

#include "storage/odbc.h"
#include "storage_fixture.h"

namespace kestrune::test {
namespace {

struct KeyCase {
  std::string visitor;
  std::string page;
};

const std::vector<KeyCase> kKeys = {
    {"O'Brien\"x", "/it's \"quoted\".html"},
    {"back\\slash", "/dir\\file.html"},
    {"a%", "/100%.html"},
    {"ab", "/100x.html"},
    {"a_c", "/a_c.html"},
    {"abc", "/abc.html"},
    {"caf\xC3\xA9", "/caf\xC3\xA9.html"},  // valid UTF-8
    {"caf\xE9", "/caf\xE9.html"},          // Latin-1 byte
    {"x\xFF\xFE", "/bin\x80\x81.html"},    // no UTF-8 at all
    {std::string(255, 'v'), "/" + std::string(254, 'p')},
    {std::string(255, '\xE9'), "/" + std::string(254, '\xE9')},
};

class KeysTest : public ::testing::TestWithParam<Kind> {};

TEST_P(KeysTest, StoredAsTheDatabaseKeepsThemAndFoundAgain) {
  TestDatabase db(GetParam());
  clsImportStats stats;
  {
    Database database([](const std::string&) {});
    database.Open(db.Dsn(), stats);
    database.StartTransaction();
    // Each key twice, never consecutively, so the second time is a real lookup.
    for (int round = 0; round < 2; ++round)
      for (const KeyCase& key : kKeys)
        database.Store()->AddToDb("2026-03-01", "10.0.0.1", key.visitor, key.page, "(unknown)",
                                  "GET", "HTTP/1.1", 404, 1, 1, 0);
    database.Commit();
    database.Close();
  }
  // SQLite keeps every byte; PostgreSQL gets valid UTF-8 by the repair rule, under which
  // "caf\xE9" and "caf\xC3\xA9" are the same text.
  const bool repaired = GetParam() == Kind::PostgreSQL;
  auto stored = [&](const std::string& text) { return repaired ? odbc::RepairUtf8(text) : text; };
  auto addOnce = [](std::vector<std::string>& list, const std::string& row) {
    if (std::find(list.begin(), list.end(), row) == list.end()) list.push_back(row);
  };
  std::vector<std::string> expectedVisitors, pages;
  for (const KeyCase& key : kKeys) {
    addOnce(expectedVisitors, stored(key.visitor) + "|" + stored(key.visitor));
    addOnce(pages, stored(key.page));
  }
  EXPECT_EQ(db.Rows("SELECT Visitor, IP FROM tblVisitors ORDER BY ID", "tt"), expectedVisitors);
  EXPECT_EQ(db.Rows("SELECT PageName FROM tblPages ORDER BY ID", "t"), pages);
  EXPECT_EQ(db.Count("tblLogs"), static_cast<std::int64_t>(2 * kKeys.size()));
  // Every error row was found again: one row per distinct page, each counted twice (or
  // four times where two keys became one).
  const std::vector<std::string> counts = db.Rows("SELECT Count FROM tblErrors ORDER BY ID", "i");
  ASSERT_EQ(counts.size(), pages.size());
  std::int64_t total = 0;
  for (const std::string& c : counts) total += std::stoll(c);
  EXPECT_EQ(total, static_cast<std::int64_t>(2 * kKeys.size()));
  // 255 characters arrive whole, also as 255 two-byte characters in PostgreSQL.
  EXPECT_EQ(
      db.Rows("SELECT COUNT(*) FROM tblVisitors WHERE IP = '" + std::string(255, 'v') + "'", "i"),
      std::vector<std::string>{"1"});
}

TEST_P(KeysTest, EachFormOfDataSourceName) {
  for (const DsnForm form : {DsnForm::Driver, DsnForm::DsnName, DsnForm::FileDsn}) {
    TestDatabase db(GetParam());
    const std::string dsn = db.Dsn(form);
    const RunResult run = ImportRun(
        dsn, {db.dir().Write("a.log", IisLog({"2026-03-01 10:00:00 10.0.0.1 1.1.1.1 GET /a "
                                              "200 1 1 HTTP/1.1"}))});
    EXPECT_EQ(run.error, "") << dsn;
    EXPECT_EQ(run.statuses, (std::vector<std::string>{
                                "Connecting to database", "Connected.", "Connected to tables.",
                                "Closing database connection", "Connected closed."}));
    EXPECT_EQ(db.Count("tblLogs"), 1) << dsn;
  }
}

// psqlODBC's log files of this process in /tmp.
std::vector<std::string> DriverLogFiles() {
  const passwd* pw = ::getpwuid(::getuid());
  const std::string suffix =
      std::string(pw ? pw->pw_name : "") + std::to_string(::getpid()) + ".log";
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator("/tmp")) {
    const std::string name = entry.path().filename().string();
    if ((name.rfind("psqlodbc_", 0) == 0 || name.rfind("mylog_", 0) == 0) &&
        name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix)
      files.push_back(name);
  }
  return files;
}

TEST(DriverLogTest, RunLeavesNoDriverLogFile) {
  TestDatabase db(Kind::PostgreSQL);
  for (const DsnForm form : {DsnForm::Driver, DsnForm::DsnName}) {
    const RunResult run = ImportRun(
        db.Dsn(form), {db.dir().Write("a.log", IisLog({"2026-03-01 10:00:00 10.0.0.1 1.1.1.1 "
                                                       "GET /a 200 1 1 HTTP/1.1"}))});
    ASSERT_EQ(run.error, "");
    EXPECT_EQ(DriverLogFiles(), std::vector<std::string>{});
  }
  // A failed connection too.
  const std::string good = db.Dsn();
  ImportRun(good.substr(0, good.find("Password=")) + "Password=wrong", {});
  EXPECT_EQ(DriverLogFiles(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Databases, KeysTest, ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
}  // namespace kestrune::test
