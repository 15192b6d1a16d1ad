// The import run storing into a real SQLite file through ODBC (driver "SQLite3"): one
// transaction per file, the failing file rolled back whatever the answer to its box, and
// a data source that cannot be opened ending the run before any file is touched.
#include <stdlib.h>

#include <algorithm>

#include "import_fixture.h"
#include "storage/storage_fixture.h"

namespace kestrune::test {
namespace {

struct StorageCase {
  const char* name;
  bool opens;          // a data source that exists
  std::string second;  // b.log, after a.log with two requests
  ErrorAnswer answer;  // to the error box, if one comes
  std::int64_t logRows;
  int filesRead;
  friend void PrintTo(const StorageCase& c, std::ostream* os) { *os << c.name; }
};

const std::string kTwo =
    RequestLog({"10:00:00 10.0.0.1 GET /a.html", "10:00:01 10.0.0.2 GET /b.html"});
const std::string kOne = RequestLog({"10:00:02 10.0.0.3 GET /c.html"});

class StorageRunTest : public ImportRunTest, public ::testing::WithParamInterface<StorageCase> {};

TEST_P(StorageRunTest, OneTransactionPerFile) {
  const StorageCase& c = GetParam();
  TestDatabase db(Kind::SQLite);                       // the storage tests' fresh SQLite file
  ::setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);  // no data source of that name
  WriteFile(dir / "odbc.ini", "");
  WriteFile(dir / "a.log", kTwo);
  WriteFile(dir / "b.log", c.second);
  host.answers = {c.answer};
  options.addToDb = true;
  options.dsn = c.opens ? db.Dsn() : "KestruneNoSuchSource";
  options.move = true;
  const ImportOutcome outcome = Run();

  EXPECT_EQ(outcome.result, c.filesRead == 2 ? ImportResult::Completed : ImportResult::Failed);
  EXPECT_EQ(outcome.filesRead, c.filesRead);
  EXPECT_EQ(db.Count("tblLogs"), c.logRows);
  EXPECT_EQ(host.statuses.front(), "Connecting to database");
  // However the run ends, the connection is closed before the completion.
  ASSERT_GE(host.statuses.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(host.statuses.end() - 3, host.statuses.end() - 1),
            (std::vector<std::string>{"Closing database connection", "Connected closed."}));
  if (c.opens) return;
  // The open failed: its box offers OK only, and no file was touched.
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_FALSE(host.boxes[0].offerCancel);
  EXPECT_EQ(host.boxes[0].text.rfind("Exception:\r\nIM002: ", 0), 0u) << host.boxes[0].text;
  EXPECT_LT(std::find(host.calls.begin(), host.calls.end(), "cursor"),
            std::find(host.calls.begin(), host.calls.end(), "box"));
  EXPECT_TRUE(host.LinesStarting("Scanning file ").empty());
  EXPECT_TRUE(Exists(dir / "a.log"));
  EXPECT_EQ(stats.Entries, 0u);
  EXPECT_EQ(host.calls.back(), "enable");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StorageRunTest,
    ::testing::Values(StorageCase{"EveryFileStored", true, kOne, ErrorAnswer::Ok, 3, 2},
                      StorageCase{"ErrorAnsweredOkRollsTheFileBack", true, kOne + BadLine(),
                                  ErrorAnswer::Ok, 2, 1},
                      StorageCase{"ErrorAnsweredCancelRollsTheFileBack", true, kOne + BadLine(),
                                  ErrorAnswer::Cancel, 2, 1},
                      StorageCase{"SourceThatCannotOpen", false, kOne, ErrorAnswer::Ok, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrune::test
