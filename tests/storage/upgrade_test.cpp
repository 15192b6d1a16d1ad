// scripts/setup-database on a database of the earlier six-table schema (kept under
// tests/storage/data/schema-six-tables), on real SQLite and PostgreSQL: it adds the
// record of stored files and the unique indexes on the lookup keys, keeping every row;
// a table that holds a key twice keeps its plain index, the keys are named, the rest is
// done and the exit status says so; once the duplicates are gone a second run finishes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "storage/file_record.h"
#include "storage_fixture.h"

namespace kestrune::test {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class UpgradeTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    db.ExecuteScript(std::string(KESTRUNE_SOURCE_DIR) + "/tests/storage/data/schema-six-tables/" +
                     (GetParam() == Kind::SQLite ? "sqlite.sql" : "postgresql.sql"));
    // Rows of an earlier version's imports.
    db.Execute("INSERT INTO tblPages (PageName, SiteIP) VALUES ('/a', '10.0.0.1')");
    db.Execute("INSERT INTO tblPages (PageName, SiteIP) VALUES ('/b', '10.0.0.1')");
    db.Execute(
        "INSERT INTO tblErrors (Error, PageName, SiteIP, ReferringURL, Count) VALUES (404, '/b', "
        "'10.0.0.1', '(unknown)', 3)");
    // Rows without a key do not count as duplicates.
    db.Execute("INSERT INTO tblPages (PageName, SiteIP) VALUES (NULL, '10.0.0.1')");
    db.Execute("INSERT INTO tblPages (PageName, SiteIP) VALUES (NULL, '10.0.0.2')");
  }

  // Runs the set-up on the test database; its exit status, its error output in `errors`.
  int RunSetup() {
    TempDir home;
    std::string where;
    if (GetParam() == Kind::SQLite) {
      where = "sqlite " + db.name();
    } else {
      where = "postgresql 'host=127.0.0.1 port=" + std::to_string(db.server()->port) +
              " dbname=" + db.name() + " user=kestrune password=" + db.server()->password + "'";
    }
    const std::string errorFile = home.Path("errors.txt");
    const std::string command = "HOME=" + home.Path("") + " ODBCINI=" + home.Path("odbc.ini") +
                                " bash " + KESTRUNE_SOURCE_DIR + "/scripts/setup-database " +
                                where + " KestruneUpgrade >/dev/null 2>" + errorFile;
    const int status = std::system(command.c_str());
    errors = ReadText(errorFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  std::vector<std::string> Indexes() {
    if (GetParam() == Kind::SQLite)
      return db.Rows(
          "SELECT lower(name) FROM sqlite_master WHERE type = 'index' AND name NOT LIKE "
          "'sqlite_%' ORDER BY 1",
          "t");
    return db.Rows(
        "SELECT indexname FROM pg_indexes WHERE schemaname = current_schema() AND indexname NOT "
        "LIKE '%_pkey' ORDER BY 1",
        "t");
  }

  bool HasFileRecord() {
    clsImportStats stats;
    Database database([](const std::string&) {});
    database.Open(db.Dsn(), stats);
    return database.Files() != nullptr;
  }

  TestDatabase db{GetParam(), false};
  std::string errors;
};

const std::vector<std::string> kAllIndexes = {
    "ixfilesfilename", "ixlogsdate",      "ixvisitorsip", "uxdownloadsfilename", "uxerrorspagename",
    "uxfilescontent",  "uxpagespagename", "uxrefsurl",    "uxvisitorsvisitor",
};

TEST_P(UpgradeTest, AddsTheRecordAndTheUniqueIndexesKeepingEveryRow) {
  const std::vector<std::string> before = db.Dump();
  EXPECT_FALSE(HasFileRecord());
  ASSERT_EQ(RunSetup(), 0) << errors;
  EXPECT_EQ(errors, "");
  EXPECT_EQ(Indexes(), kAllIndexes);  // the plain ones replaced
  EXPECT_EQ(db.Dump(), before);
  EXPECT_TRUE(HasFileRecord());
  EXPECT_THROW(db.Execute("INSERT INTO tblPages (PageName, SiteIP) VALUES ('/a', '10.0.0.2')"),
               Error);
  // Run again, nothing changes.
  ASSERT_EQ(RunSetup(), 0) << errors;
  EXPECT_EQ(Indexes(), kAllIndexes);
  EXPECT_EQ(db.Dump(), before);
}

TEST_P(UpgradeTest, DuplicateKeysNamedAndTheirIndexLeftOut) {
  db.Execute("INSERT INTO tblPages (PageName, SiteIP) VALUES ('/a', '10.0.0.2')");
  db.Execute("INSERT INTO tblPages (PageName, SiteIP) VALUES ('/a', '10.0.0.3')");
  db.Execute(
      "INSERT INTO tblErrors (Error, PageName, SiteIP, ReferringURL, Count) VALUES (404, '/b', "
      "'10.0.0.1', '(unknown)', 1)");
  EXPECT_EQ(RunSetup(), 3);
  EXPECT_NE(errors.find("tblPages holds 1 key(s) (PageName) more than once"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("  /a (3 rows)\n"), std::string::npos) << errors;
  EXPECT_NE(errors.find("  /b | 10.0.0.1 | 404 | (unknown) (2 rows)\n"), std::string::npos)
      << errors;
  EXPECT_NE(errors.find("The unique index uxPagesPageName is not added"), std::string::npos);
  EXPECT_EQ(Indexes(),
            (std::vector<std::string>{"ixerrorspagename", "ixfilesfilename", "ixlogsdate",
                                      "ixpagespagename", "ixvisitorsip", "uxdownloadsfilename",
                                      "uxfilescontent", "uxrefsurl", "uxvisitorsvisitor"}));
  EXPECT_TRUE(HasFileRecord());
  // The database takes an import as before.
  const RunResult run = ImportRun(
      db.Dsn(), {db.dir().Write("a.log", IisLog({"2026-03-01 10:00:00 10.0.0.1 1.1.1.1 GET /c "
                                                 "200 1 1 HTTP/1.1"}))});
  EXPECT_EQ(run.error, "");

  // The duplicates removed (the first of each kept), a second run completes the schema.
  db.Execute(
      "DELETE FROM tblPages WHERE PageName = '/a' AND ID > (SELECT MIN(ID) FROM tblPages WHERE "
      "PageName = '/a')");
  db.Execute("DELETE FROM tblErrors WHERE Count = 1");
  EXPECT_EQ(RunSetup(), 0) << errors;
  EXPECT_EQ(Indexes(), kAllIndexes);
}

INSTANTIATE_TEST_SUITE_P(Databases, UpgradeTest, ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const auto& info) { return KindName(info.param); });

}  // namespace
}  // namespace kestrune::test
