// Database: the connection of an import run. Open connects to the data source that a
// data-source name designates (a DSN name, "FILEDSN=path" or a whole "DRIVER={...};..."
// string), checks the six tables and prepares their statements, with the status texts
// of each step, and looks whether the record of stored files (tblFiles) is there too;
// Close drops everything again. Around each file the import driver starts a transaction
// and commits it or rolls it back; Store() is what AddStats stores into, Files() the
// record of stored files.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "stats/add_stats.h"
#include "stats/import_stats.h"

namespace kestrune {

// The data source that `make run` and `scripts/setup-database default` create, shown in
// the DSN field when the settings name none.
inline constexpr std::string_view kDefaultDsn = "Kestrune";

class FileRecord;

enum class StorageStrategy {
  // Every read and write is a statement of its own, run at once.
  StatementByStatement,
  // Rows cached for the file's transaction, tblLogs rows in multi-row INSERTs, each
  // changed row written once before the commit.
  Batched,
};

struct StorageOptions {
  StorageStrategy strategy = StorageStrategy::Batched;
  // tblLogs rows per multi-row INSERT (psqlODBC fails above 32,767 parameters).
  std::size_t batchRows = 200;
  // A lookup table of at most this many rows is read whole at its first use in a
  // transaction; a larger one is read row by row as keys come.
  std::size_t preloadRows = 250000;
  // How long a file's transaction waits for the database while other instances store
  // into it (the status line says "Waiting for the database…"), before the file fails.
  std::chrono::milliseconds lockWait = std::chrono::minutes(10);
};

class Database {
 public:
  using StatusFn = std::function<void(const std::string&)>;
  explicit Database(StatusFn status, StorageOptions options = {});
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Connects and prepares; raises kestrune::Error with the driver's message (never a
  // password). Does nothing more when already connected.
  void Open(const std::string& dsn, const clsImportStats& stats);
  // Drops the statements and the connection; never raises.
  void Close();
  bool Connected() const;

  // Begins a file's transaction by taking the lock that every instance storing into the
  // database honours (see transaction_lock.h); raises kestrune::Error when it does not
  // come within StorageOptions::lockWait.
  void StartTransaction();
  // Writes what the batched strategy still holds, then commits; raises on failure.
  void Commit();
  // Never raises: a connection that is gone has rolled back by itself.
  void Rollback();

  // What AddStats stores into while connected (null otherwise).
  EntryStore* Store();
  // The record of stored files while connected to a database that has tblFiles; null
  // otherwise (the run then logs kNoFileRecordText once).
  FileRecord* Files();

  // The connection string for `dsn`: a bare name becomes "DSN=name"; options that keep
  // psqlODBC from writing log files and from wrapping each statement in a savepoint are
  // added unless the string sets them.
  static std::string ConnectionString(const std::string& dsn);

 private:
  struct Impl;
  StatusFn status_;
  StorageOptions options_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kestrune
