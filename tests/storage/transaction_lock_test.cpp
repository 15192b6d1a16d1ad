// The lock of each file's transaction between two instances (two connections, two
// threads) on real SQLite and PostgreSQL databases: the second waits, saying so, and
// goes on once the first has committed, seeing what it stored; a wait beyond the limit
// fails that file with a clear error, and the lock is there again afterwards.
#include "storage/transaction_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "logfiles/log_readers.h"
#include "storage/file_record.h"
#include "storage_fixture.h"
#include "util/sha256.h"

namespace kestrune::test {
namespace {

using namespace std::chrono_literals;

// An instance of the program's storage: its own model, connection and status texts.
struct Instance {
  explicit Instance(const std::string& dsn, std::chrono::milliseconds lockWait = 10min,
                    StorageStrategy strategy = StorageStrategy::Batched)
      : database([this](const std::string& s) { Status(s); }, Options(lockWait, strategy)) {
    database.Open(dsn, stats);
  }
  static StorageOptions Options(std::chrono::milliseconds lockWait, StorageStrategy strategy) {
    StorageOptions options;
    options.lockWait = lockWait;
    options.strategy = strategy;
    return options;
  }
  void Status(const std::string& text) {
    std::lock_guard<std::mutex> hold(mutex);
    statuses.push_back(text);
  }
  bool Said(const std::string& text) {
    std::lock_guard<std::mutex> hold(mutex);
    return std::find(statuses.begin(), statuses.end(), text) != statuses.end();
  }
  // Stores `file` unless its content is in the record already, as the import run does;
  // whether it stored it. The transaction must have been started.
  bool StoreOnce(const std::string& file, const std::string& content) {
    const std::string digest = Sha256::HexOf(content);
    const auto size = static_cast<std::int64_t>(content.size());
    if (database.Files()->FindContent(size, digest)) return false;
    ReaderContext context{stats, host, database.Store()};
    const int lines = ScanIISFile(file, true, context);
    StoredFile row;
    row.FileName = "ex260301.log";
    row.Size = size;
    row.SHA256 = digest;
    row.Lines = lines;
    database.Files()->Insert(row);
    return true;
  }

  clsImportStats stats;
  NullReaderHost host;
  std::mutex mutex;
  std::vector<std::string> statuses;
  Database database;
};

class TransactionLockTest : public ::testing::TestWithParam<Kind> {
 protected:
  TestDatabase db{GetParam()};
  const std::string content =
      IisLog({"2026-03-01 10:00:00 10.0.0.1 1.1.1.1 GET /a 200 1 1 HTTP/1.1",
              "2026-03-01 10:00:01 10.0.0.1 1.1.1.2 GET /b 404 1 1 HTTP/1.1"});
  const std::string file = db.dir().Write("ex260301.log", content);
};

// Two instances given the same file at once: it is stored once. (The second connects
// through a file DSN, which the wide connection and the SQLite probe must manage too.)
TEST_P(TransactionLockTest, SecondWaitsAndGoesOnAfterTheFirstCommits) {
  Instance first(db.Dsn()), second(db.Dsn(DsnForm::FileDsn));
  first.database.StartTransaction();
  EXPECT_TRUE(first.StoreOnce(file, content));

  std::atomic<bool> started{false}, stored{true};
  std::thread other([&] {
    second.database.StartTransaction();
    started = true;
    stored = second.StoreOnce(file, content);
    second.database.Commit();
  });
  std::this_thread::sleep_for(800ms);
  EXPECT_FALSE(started);
  EXPECT_TRUE(second.Said(kWaitingForDatabaseText));
  first.database.Commit();
  other.join();

  EXPECT_TRUE(started);
  EXPECT_FALSE(stored);  // it found the first one's record
  EXPECT_FALSE(first.Said(kWaitingForDatabaseText));
  EXPECT_EQ(db.Count("tblLogs"), 2);
  EXPECT_EQ(db.Count("tblFiles"), 1);
}

TEST_P(TransactionLockTest, WaitBeyondTheLimitFailsTheFileClearly) {
  Instance first(db.Dsn()), second(db.Dsn(), 300ms);
  first.database.StartTransaction();
  EXPECT_TRUE(first.StoreOnce(file, content));

  const auto before = std::chrono::steady_clock::now();
  try {
    second.database.StartTransaction();
    ADD_FAILURE() << "the lock was granted while held";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "The database stayed locked by another import for 300 milliseconds; the file "
                 "was not stored.");
  }
  const auto waited = std::chrono::steady_clock::now() - before;
  EXPECT_GE(waited, 250ms);  // SQLite's driver bounds it roughly
  EXPECT_LT(waited, 10s);
  second.database.Rollback();

  // Released by the commit, the lock comes at once to the next file.
  first.database.Commit();
  second.database.StartTransaction();
  EXPECT_FALSE(second.StoreOnce(file, content));
  second.database.Commit();
  EXPECT_EQ(db.Count("tblLogs"), 2);
}

// A rollback releases the lock as a commit does, and leaves nothing of the file.
TEST_P(TransactionLockTest, RollbackReleasesTheLock) {
  Instance first(db.Dsn()), second(db.Dsn(), 5s);
  first.database.StartTransaction();
  EXPECT_TRUE(first.StoreOnce(file, content));
  std::atomic<bool> stored{false};
  std::thread other([&] {
    second.database.StartTransaction();
    stored = second.StoreOnce(file, content);
    second.database.Commit();
  });
  std::this_thread::sleep_for(300ms);
  first.database.Rollback();
  other.join();
  EXPECT_TRUE(stored);
  EXPECT_EQ(db.Count("tblLogs"), 2);
  EXPECT_EQ(db.Count("tblFiles"), 1);
}

// Between two files of one instance another instance stores a file with the same
// visitor, page and error: the next file goes on from the rows as that one left them.
TEST_P(TransactionLockTest, NextFileCountsOnWhatAnotherInstanceStoredMeanwhile) {
  const std::string days[] = {"2026-03-01", "2026-03-02", "2026-03-03"};
  for (const StorageStrategy strategy :
       {StorageStrategy::Batched, StorageStrategy::StatementByStatement}) {
    SCOPED_TRACE(strategy == StorageStrategy::Batched ? "batched" : "statement by statement");
    TestDatabase fresh(GetParam());
    Instance first(fresh.Dsn(), 10min, strategy), second(fresh.Dsn(), 10min, strategy);
    Instance* const turns[] = {&first, &second, &first};
    for (int i = 0; i < 3; ++i) {
      const std::string log =
          IisLog({days[i] + " 10:00:00 10.0.0.1 1.1.1.1 GET /a 404 1 1 HTTP/1.1"});
      const std::string path = fresh.dir().Write("ex" + std::to_string(i) + ".log", log);
      turns[i]->database.StartTransaction();
      EXPECT_TRUE(turns[i]->StoreOnce(path, log));
      turns[i]->database.Commit();
    }
    EXPECT_EQ(fresh.Count("tblLogs"), 3);
    EXPECT_EQ(fresh.Rows("SELECT Visitor, Count, Last FROM tblVisitors", "tid"),
              (std::vector<std::string>{"1.1.1.1|3|2026-03-03 00:00:00"}));
    EXPECT_EQ(fresh.Rows("SELECT URL, Count, Last FROM tblRefs", "tid"),
              (std::vector<std::string>{"(unknown)|3|2026-03-03 00:00:00"}));
    EXPECT_EQ(fresh.Rows("SELECT PageName, Count, Last FROM tblErrors", "tid"),
              (std::vector<std::string>{"/a|3|2026-03-03 00:00:00"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Databases, TransactionLockTest,
                         ::testing::Values(Kind::SQLite, Kind::PostgreSQL),
                         [](const auto& info) { return KindName(info.param); });

TEST(TransactionLockTextTest, LimitInItsUnit) {
  EXPECT_EQ(LockNotGrantedText(10min),
            "The database stayed locked by another import for 10 minutes; the file was not "
            "stored.");
  EXPECT_EQ(LockNotGrantedText(1s),
            "The database stayed locked by another import for 1 second; the file was not "
            "stored.");
  EXPECT_EQ(LockNotGrantedText(1500ms),
            "The database stayed locked by another import for 1500 milliseconds; the file was "
            "not stored.");
}

// The SQLite driver's Timeout, about half its longest wait; one given stays.
TEST(TransactionLockTextTest, BusyTimeoutAddedUnlessGiven) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"DSN=k", "DSN=k;Timeout=300000"},
      {"DRIVER={SQLite3};Database=/x.db;", "DRIVER={SQLite3};Database=/x.db;Timeout=300000"},
      {"DSN=k;timeout=5", "DSN=k;timeout=5"},
  };
  for (const Case& c : cases) EXPECT_EQ(TransactionLock::WithBusyTimeout(c.in, 10min), c.out);
  EXPECT_EQ(TransactionLock::WithBusyTimeout("DSN=k", 1ms), "DSN=k;Timeout=1");
}

}  // namespace
}  // namespace kestrune::test
