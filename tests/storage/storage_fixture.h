// What the storage tests share: real databases to store into (a fresh SQLite file, or a
// fresh database on the throwaway PostgreSQL server that scripts/test-postgres runs),
// reached by each of the three forms of a data-source name; the schema of data/schema;
// dumps of the six tables; and small log files imported through the real readers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "logfiles/reader_host.h"
#include "stats/import_stats.h"
#include "storage/database.h"
#include "storage/odbc.h"

namespace kestrune::test {

enum class Kind { SQLite, PostgreSQL };
enum class DsnForm { Driver, DsnName, FileDsn };

std::string KindName(Kind kind);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::filesystem::path path_;
};

// The throwaway PostgreSQL server of this test process: the one named by the
// environment variable KESTRUNE_TEST_PG (a folder of scripts/test-postgres, started by
// the CTest fixture), else one started here on first use and destroyed at exit. Never
// skipped: a server that cannot be reached fails the test.
struct PgServer {
  std::string dir;
  int port = 0;
  std::string password;
  bool own = false;  // started here: destroyed with this object
  static PgServer& Get();
  // A server of its own, for a test that stops it.
  static std::unique_ptr<PgServer> Private();
  ~PgServer();
  void Stop();     // fast shutdown, data kept
  void Restart();  // again, on a new port
};

// One fresh, empty database with the six tables, removed at the end.
class TestDatabase {
 public:
  explicit TestDatabase(Kind kind, bool withSchema = true, PgServer* server = nullptr);
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  Kind kind() const { return kind_; }
  // The data-source name of `form`; DsnName and FileDsn write their files in the temp
  // folder (DsnName points ODBCINI at them).
  std::string Dsn(DsnForm form = DsnForm::Driver);
  // Runs statements on the database outside any import (auto-commit).
  void Execute(const std::string& sql);
  void ExecuteScript(const std::string& path);
  // Every row of `sql` as text, one string a row, values joined by "|"; `types` gives
  // each column's type: t text, i integer, b boolean, d date-time ("YYYY-MM-DD hh:nn:ss").
  std::vector<std::string> Rows(const std::string& sql, const std::string& types);
  // All six tables in ID order, each row prefixed with its table name.
  std::vector<std::string> Dump();
  std::int64_t Count(const std::string& table);

  const TempDir& dir() const { return dir_; }
  // The SQLite file, or the PostgreSQL database's name on `server()`.
  const std::string& name() const { return name_; }
  PgServer* server() const { return server_; }

 private:
  std::string DriverString() const;
  std::string AdminString() const;  // PostgreSQL: the server's own database
  Kind kind_;
  PgServer* server_ = nullptr;
  TempDir dir_;
  std::string name_;  // PostgreSQL database name, or the SQLite file
};

// An import run (ImportRun, storing through `dsn`) of `files`, which lie in one folder,
// end in ".log" and are given in the order of the file search; the other logs of their
// folder are listed deselected. Open, one transaction per file (the first file that
// fails is rolled back and ends the run), close. Returns the error text of the failing
// file or of the open (empty when every file was committed), the number of files
// committed and the database's status texts.
struct RunResult {
  std::string error;
  int committed = 0;
  std::vector<std::string> statuses;
};
RunResult ImportRun(const std::string& dsn, const std::vector<std::string>& files,
                    StorageOptions options = {}, clsImportStats* stats = nullptr);

// An IIS log: a fields line and the given data lines (each "date time c-ip method page
// status bytes"), lines ended by CR LF.
std::string IisLog(const std::vector<std::string>& lines);

}  // namespace kestrune::test
