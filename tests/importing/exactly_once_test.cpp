// The import run storing each file's content exactly once into a real SQLite file: a
// file met again (left in place by a crash after its commit, or copied under another
// name), a log that grew since it was stored or grows while it is read, a database
// without the record of stored files, and moves that fail.
#include <filesystem>
#include <fstream>

#include "import_fixture.h"
#include "importing/unattended_run.h"
#include "storage/file_record.h"
#include "storage/storage_fixture.h"
#include "support/tmpfs_mount.h"

namespace kestrune::test {
namespace {

const std::string kTwo =
    RequestLog({"10:00:00 10.0.0.1 GET /a.html", "10:00:01 10.0.0.2 GET /b.html"});
const std::string kThree =
    RequestLog({"10:00:00 10.0.0.1 GET /a.html", "10:00:01 10.0.0.2 GET /b.html",
                "10:00:02 10.0.0.3 GET /c.html"});
const std::string kOther = RequestLog({"11:00:00 10.0.0.9 GET /z.html"});

class StoredOnceTest : public ImportRunTest {
 protected:
  StoredOnceTest() {
    options.addToDb = true;
    options.dsn = db.Dsn();
  }
  std::vector<std::string> StoredPages() {
    return db.Rows(
        "SELECT p.PageName FROM tblLogs l JOIN tblPages p ON p.ID = l.Page ORDER BY l.ID", "t");
  }
  TestDatabase db{Kind::SQLite};
};

struct SecondRunCase {
  const char* name;
  bool move;               // the first run moves its file into "processed"
  const char* secondName;  // the file of the second run
  const std::string* second;
  std::vector<std::string> pages;  // tblLogs after both runs, in storing order
  const char* line;                // the second run's log line about the file, if any
  friend void PrintTo(const SecondRunCase& c, std::ostream* os) { *os << c.name; }
};

class SecondRunTest : public StoredOnceTest, public ::testing::WithParamInterface<SecondRunCase> {};

TEST_P(SecondRunTest, StoresWhatIsNotStoredYet) {
  const SecondRunCase& c = GetParam();
  WriteFile(dir / "a.log", kTwo);
  options.move = c.move;
  ASSERT_EQ(Run().result, ImportResult::Completed);
  WriteFile(dir / c.secondName, *c.second);
  ASSERT_EQ(Run().result, ImportResult::Completed);

  EXPECT_EQ(StoredPages(), c.pages);
  const std::vector<std::string> said = host.LinesStarting(dir / c.secondName + " ");
  if (*c.line == '\0') {
    EXPECT_TRUE(said.empty()) << said.front();
  } else {
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find(c.line), std::string::npos) << said[0];
  }
  // The statistics count every line read, stored or not.
  EXPECT_EQ(stats.Allowed,
            2 + static_cast<std::size_t>(std::count(c.second->begin(), c.second->end(), '\n') - 2));
}

const std::vector<std::string> kAB = {"/a.html", "/b.html"};
INSTANTIATE_TEST_SUITE_P(Cases, SecondRunTest,
                         ::testing::Values(
                             // Killed after the commit, before the move: the file is still there.
                             SecondRunCase{"LeftInPlaceAfterItsCommit", false, "a.log", &kTwo, kAB,
                                           "is already in the database (stored "},
                             SecondRunCase{"CopyUnderAnotherName", true, "b.log", &kTwo, kAB,
                                           "); not stored again"},
                             SecondRunCase{"GrownSinceItWasStored",
                                           false,
                                           "a.log",
                                           &kThree,
                                           {"/a.html", "/b.html", "/c.html"},
                                           "grew since it was stored (stored "},
                             SecondRunCase{"OtherContentOfTheSameName",
                                           true,
                                           "a.log",
                                           &kOther,
                                           {"/a.html", "/b.html", "/z.html"},
                                           ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoredOnceTest, TheAlreadyStoredLineGivesTheDateOfTheFirstStore) {
  WriteFile(dir / "a.log", kTwo);
  Run();
  const std::vector<std::string> stored = db.Rows("SELECT Stored FROM tblFiles", "d");
  ASSERT_EQ(stored.size(), 1u);
  Run();
  // "YYYY-MM-DD hh:nn:ss" as stored; the log shows "dd-mmm-yyyy hh:nn:ss".
  const std::vector<std::string> said = host.LinesStarting(dir / "a.log is already");
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find(stored[0].substr(11)), std::string::npos) << said[0];
  EXPECT_EQ(db.Rows("SELECT FileName, Size, Lines FROM tblFiles", "tii"),
            std::vector<std::string>{"a.log|" + std::to_string(kTwo.size()) + "|4"});
}

// Lines a writer appends while the file is read are left for the next run: the file
// stays where it is, and the next run stores only what came after.
TEST_F(StoredOnceTest, ALogGrowingWhileItIsReadIsLeftInPlaceAndFinishedNextRun) {
  WriteFile(dir / "a.log", kTwo);
  options.move = true;
  host.duringRead = [this] {
    host.duringRead = nullptr;
    std::ofstream(dir / "a.log", std::ios::app)
        << "2026-03-01 10:00:02 10.0.0.3 GET /c.html 200 1000\r\n";
  };
  ASSERT_EQ(Run().result, ImportResult::Completed);
  EXPECT_EQ(host.LinesStarting(dir / "a.log changed"),
            std::vector<std::string>{dir / "a.log changed while it was read; left in place"});
  EXPECT_TRUE(Exists(dir / "a.log"));
  EXPECT_EQ(StoredPages(), kAB);
  EXPECT_EQ(stats.Allowed, 2u);

  ASSERT_EQ(Run().result, ImportResult::Completed);
  EXPECT_EQ(StoredPages(), (std::vector<std::string>{"/a.html", "/b.html", "/c.html"}));
  EXPECT_TRUE(Exists(dir / "processed/a.log"));
  EXPECT_FALSE(Exists(dir / "a.log"));
}

TEST_F(StoredOnceTest, WithoutTheRecordEveryFileIsStoredAndTheLogSaysSoOnce) {
  db.Execute("DROP TABLE tblFiles");
  WriteFile(dir / "a.log", kTwo);
  WriteFile(dir / "b.log", kOther);
  ASSERT_EQ(Run().result, ImportResult::Completed);
  EXPECT_EQ(host.LinesStarting("The database has no table tblFiles"),
            std::vector<std::string>{kNoFileRecordText});
  Run();  // as before the record existed: stored again
  EXPECT_EQ(db.Count("tblLogs"), 6);
}

// --- Moves that fail -----------------------------------------------------------------

TEST_F(ImportRunTest, AFailedMoveFailsTheUnattendedRunAndTheStatusLineSaysSo) {
  WriteFile(dir / "a.log", kOther);
  WriteFile(dir / "processed", "a file where the directory should be");
  options.move = true;
  const ImportOutcome outcome = Run();
  EXPECT_EQ(outcome.result, ImportResult::Completed);
  EXPECT_EQ(outcome.movesFailed, 1);
  const std::string& status = host.statuses.back();
  EXPECT_EQ(status.substr(status.size() - 30), "; 1 file(s) could not be moved");
  UnattendedRun unattended;
  unattended.ImportEnded(outcome);
  EXPECT_EQ(unattended.ExitStatus(), 1);
  unattended.ImportEnded(Run());  // a later import in the same run does not hide it
  EXPECT_EQ(unattended.ExitStatus(), 1);
}

// With no inode left, "processed" cannot be made: the reason given is that, not the
// missing folder.
TEST_F(ImportRunTest, OutOfInodesTheReasonIsTheFolderThatCouldNotBeMade) {
  TmpfsMount disk(1024, 3);  // the root, a.log and one more
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  const std::string folder = disk.Path() + "/";
  WriteFile(folder + "a.log", kOther);
  WriteFile(folder + "filler", "");
  options.move = true;
  kestrune::ImportRun run(host, stats, ImportRequest{folder, folder + "*.log", {}, options});
  EXPECT_EQ(run.Run().movesFailed, 1);
  EXPECT_EQ(host.LinesStarting("Could not move "),
            std::vector<std::string>{"Could not move " + folder + "a.log to " + folder +
                                     "processed/a.log: cannot create " + folder +
                                     "processed: No space left on device"});
  EXPECT_TRUE(Exists(folder + "a.log"));
}

}  // namespace
}  // namespace kestrune::test
