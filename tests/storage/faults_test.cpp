// What bad data sources, bad tables and failing databases get: the driver's message
// (never a password), the file's transaction rolled back with none of its rows left, and
// a clean import of the same file afterwards.
#include <gtest/gtest.h>

#include <unistd.h>

#include "logfiles/log_readers.h"
#include "storage_fixture.h"

namespace kestrune::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// `count` requests of one day, bytes 1..count, visitors and pages cycling.
std::string Requests(int count, const std::string& day = "2026-03-01") {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i)
    lines.push_back(day + " 10:00:00 10.0.0.1 1.1.1." + std::to_string(i % 7) + " GET /p" +
                    std::to_string(i % 5) + ".html " + (i % 9 ? "200 " : "404 ") +
                    std::to_string(i) + " 1 HTTP/1.1");
  return IisLog(lines);
}

TEST(DataSourceTest, UnknownDsnNameGivesTheDriverManagersMessage) {
  TempDir dir;
  ::setenv("ODBCINI", dir.Write("odbc.ini", "").c_str(), 1);
  const RunResult run = ImportRun("KestruneNoSuchSource", {dir.Write("a.log", Requests(3))});
  EXPECT_TRUE(Contains(run.error, "IM002")) << run.error;
  EXPECT_EQ(run.committed, 0);
  // Open failed after its first text; the close still ran.
  EXPECT_EQ(run.statuses,
            (std::vector<std::string>{"Connecting to database", "Closing database connection",
                                      "Connected closed."}));
}

TEST(DataSourceTest, WrongPasswordIsRefusedAndNeverShown) {
  TestDatabase db(Kind::PostgreSQL);
  const std::string good = db.Dsn();
  const std::string password = good.substr(good.find("Password=") + 9);
  std::string dsn = good.substr(0, good.find("Password=")) + "Password=Wr0ngSecret42";
  const RunResult run = ImportRun(dsn, {db.dir().Write("a.log", Requests(3))});
  EXPECT_TRUE(Contains(run.error, "28P01") || Contains(run.error, "password authentication"))
      << run.error;
  EXPECT_FALSE(Contains(run.error, "Wr0ngSecret42")) << run.error;
  EXPECT_FALSE(Contains(run.error, password)) << run.error;
  EXPECT_EQ(db.Count("tblLogs"), 0);
}

TEST(DataSourceTest, ServerThatIsDownFailsTheOpen) {
  std::unique_ptr<PgServer> server = PgServer::Private();
  TestDatabase db(Kind::PostgreSQL, true, server.get());
  const std::string dsn = db.Dsn();
  server->Stop();
  const RunResult run = ImportRun(dsn, {db.dir().Write("a.log", Requests(3))});
  EXPECT_NE(run.error, "");
  EXPECT_EQ(run.committed, 0);
}

class TableFaultTest : public ::testing::TestWithParam<Kind> {};

TEST_P(TableFaultTest, MissingTableFailsTheOpen) {
  TestDatabase db(GetParam());
  db.Execute("DROP TABLE tblErrors");
  const RunResult run = ImportRun(db.Dsn(), {db.dir().Write("a.log", Requests(3))});
  EXPECT_TRUE(Contains(Lower(run.error), "tblerrors")) << run.error;
  EXPECT_EQ(db.Count("tblLogs"), 0);
}

TEST_P(TableFaultTest, MissingColumnFailsTheOpen) {
  TestDatabase db(GetParam());
  db.Execute("DROP TABLE tblPages");
  db.Execute("CREATE TABLE tblPages (ID INTEGER PRIMARY KEY, PageName VARCHAR(255))");
  const RunResult run = ImportRun(db.Dsn(), {db.dir().Write("a.log", Requests(3))});
  EXPECT_TRUE(Contains(Lower(run.error), "siteip")) << run.error;
}

INSTANTIATE_TEST_SUITE_P(Databases, TableFaultTest,
                         ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const auto& info) { return KindName(info.param); });

// The tables without their IDs: log rows by page name and visitor address.
std::vector<std::string> ByContent(TestDatabase& db) {
  std::vector<std::string> rows = db.Rows(
      "SELECT p.PageName, v.IP, l.Date, l.Bytes, l.Statuscode FROM tblLogs l JOIN tblPages p ON "
      "p.ID = l.Page JOIN tblVisitors v ON v.ID = l.Visitor ORDER BY l.ID",
      "ttdii");
  for (const char* sql :
       {"SELECT IP, SE, Last, Count, SessionDownloaded, Downloaded FROM tblVisitors ORDER BY ID",
        "SELECT PageName, SiteIP, '', '', '', '' FROM tblPages ORDER BY ID",
        "SELECT URL, SiteIP, Count, Last, '', '' FROM tblRefs ORDER BY ID",
        "SELECT PageName, SiteIP, Error, Count, Last, '' FROM tblErrors ORDER BY ID"}) {
    const std::vector<std::string> more = db.Rows(sql, "tttttt");
    rows.insert(rows.end(), more.begin(), more.end());
  }
  return rows;
}

struct FaultCase {
  Kind kind;
  StorageStrategy strategy;
};

class FileFaultTest : public ::testing::TestWithParam<FaultCase> {
 protected:
  StorageOptions Options() const {
    StorageOptions options;
    options.strategy = GetParam().strategy;
    return options;
  }
};

TEST_P(FileFaultTest, ConstraintFailingOnTheNthRowRollsTheFileBack) {
  TestDatabase db(GetParam().kind);
  if (GetParam().kind == Kind::SQLite)
    db.Execute(
        "CREATE TRIGGER no666 BEFORE INSERT ON tblLogs WHEN NEW.Bytes = 666 "
        "BEGIN SELECT RAISE(ABORT, 'bytes 666 refused'); END");
  else
    db.Execute("ALTER TABLE tblLogs ADD CONSTRAINT no666 CHECK (Bytes <> 666)");
  const std::string first = db.dir().Write("a.log", Requests(100));
  const std::string second = db.dir().Write("b.log", Requests(700, "2026-03-02"));
  const RunResult run = ImportRun(db.Dsn(), {first, second}, Options());
  EXPECT_EQ(run.committed, 1);
  EXPECT_NE(run.error, "");

  TestDatabase reference(GetParam().kind);
  ASSERT_EQ(ImportRun(reference.Dsn(), {first}, Options()).error, "");
  EXPECT_EQ(db.Dump(), reference.Dump());

  // Without the fault the next run imports the file cleanly.
  if (GetParam().kind == Kind::SQLite)
    db.Execute("DROP TRIGGER no666");
  else
    db.Execute("ALTER TABLE tblLogs DROP CONSTRAINT no666");
  ASSERT_EQ(ImportRun(db.Dsn(), {second}, Options()).error, "");
  ASSERT_EQ(ImportRun(reference.Dsn(), {second}, Options()).error, "");
  EXPECT_EQ(db.Count("tblLogs"), 800);
  // By content: a PostgreSQL sequence does not give back the IDs of rolled-back rows.
  EXPECT_EQ(ByContent(db), ByContent(reference));
}

// A host that stops the server once the reader has reached a line.
class StoppingHost : public NullReaderHost {
 public:
  StoppingHost(PgServer& server, int atLine) : server_(server), atLine_(atLine) {}
  void SetProgress(int position) override {
    if (position == atLine_) server_.Stop();
  }

 private:
  PgServer& server_;
  int atLine_;
};

class ServerFaultTest : public ::testing::TestWithParam<StorageStrategy> {
 protected:
  StorageOptions Options() const {
    StorageOptions options;
    options.strategy = GetParam();
    return options;
  }
};

TEST_P(ServerFaultTest, ServerStoppedMidFileLeavesNoRowOfTheFile) {
  std::unique_ptr<PgServer> server = PgServer::Private();
  TestDatabase db(Kind::PostgreSQL, true, server.get());
  const std::string first = db.dir().Write("a.log", Requests(50));
  const std::string second = db.dir().Write("b.log", Requests(500, "2026-03-02"));

  clsImportStats stats;
  Database database([](const std::string&) {}, Options());
  database.Open(db.Dsn(), stats);
  NullReaderHost quiet;
  ReaderContext context{stats, quiet, database.Store()};
  database.StartTransaction();
  ScanIISFile(first, true, context);
  database.Commit();

  StoppingHost stopping(*server, 300);
  ReaderContext failing{stats, stopping, database.Store()};
  std::string error;
  try {
    database.StartTransaction();
    ScanIISFile(second, true, failing);
    database.Commit();
  } catch (const std::exception& e) {
    error = e.what();
    database.Rollback();  // never raises, though the server is gone
  }
  database.Close();
  EXPECT_NE(error, "");

  server->Restart();
  EXPECT_EQ(db.Count("tblLogs"), 50);
  EXPECT_EQ(db.Rows("SELECT COUNT(*) FROM tblLogs WHERE Date >= '2026-03-02'", "i"),
            std::vector<std::string>{"0"});
  EXPECT_EQ(db.Rows("SELECT MAX(Count) FROM tblVisitors", "i"), std::vector<std::string>{"1"});
  // The next run imports the file cleanly.
  ASSERT_EQ(ImportRun(db.Dsn(), {second}, Options()).error, "");
  EXPECT_EQ(db.Count("tblLogs"), 550);
}

INSTANTIATE_TEST_SUITE_P(Strategies, ServerFaultTest,
                         ::testing::Values(StorageStrategy::Batched,
                                           StorageStrategy::StatementByStatement),
                         [](const auto& info) {
                           return info.param == StorageStrategy::Batched ? "Batched" : "Direct";
                         });

INSTANTIATE_TEST_SUITE_P(
    Databases, FileFaultTest,
    ::testing::Values(FaultCase{Kind::SQLite, StorageStrategy::Batched},
                      FaultCase{Kind::SQLite, StorageStrategy::StatementByStatement},
                      FaultCase{Kind::PostgreSQL, StorageStrategy::Batched},
                      FaultCase{Kind::PostgreSQL, StorageStrategy::StatementByStatement}),
    [](const auto& info) {
      return KindName(info.param.kind) +
             (info.param.strategy == StorageStrategy::Batched ? "Batched" : "Direct");
    });

}  // namespace
}  // namespace kestrune::test
