// The lock that each file's transaction takes before anything else, so that several
// instances storing into one database store one file at a time, each exactly as if it
// were alone: on PostgreSQL a transaction-level advisory lock of the program's own key,
// on SQLite the database's write lock (a write as the transaction's first statement,
// the effect of BEGIN IMMEDIATE), waited for by the driver's busy timeout. Both end
// with the transaction, at its commit or rollback.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "storage/odbc.h"

namespace kestrune {

// The status text while another instance holds the lock.
extern const char* const kWaitingForDatabaseText;

// The error text when the lock did not come within `limit`.
std::string LockNotGrantedText(std::chrono::milliseconds limit);

class TransactionLock {
 public:
  enum class Kind { None, PostgresAdvisory, SqliteWrite };

  // The SQLite3 driver takes its busy timeout from the connection string only (PRAGMA
  // busy_timeout does not reach its own retry loop) and waits up to about twice its
  // Timeout: `connectionString` with Timeout = half of `limit` added, unless it sets
  // one. Other drivers ignore the attribute.
  static std::string WithBusyTimeout(const std::string& connectionString,
                                     std::chrono::milliseconds limit);

  // For `connection`, made with `connectionString` to a product named `dbmsName`
  // (SQL_DBMS_NAME); a product it does not know takes no lock.
  TransactionLock(odbc::Environment& env, odbc::Connection& connection, const std::string& dbmsName,
                  std::string connectionString, std::chrono::milliseconds limit);
  ~TransactionLock();
  TransactionLock(const TransactionLock&) = delete;
  TransactionLock& operator=(const TransactionLock&) = delete;

  Kind kind() const { return kind_; }

  // Takes the lock as the first statement of the connection's current transaction.
  // Calls `waiting` once when another transaction holds it, then waits at most the
  // limit; raises kestrune::Error with LockNotGrantedText (the transaction rolled back)
  // after that.
  void Take(const std::function<void()>& waiting);

 private:
  void TakePostgres(const std::function<void()>& waiting);
  void TakeSqlite(const std::function<void()>& waiting);
  bool SqliteLockFree();
  [[noreturn]] void NotGranted();

  odbc::Environment& env_;
  odbc::Connection& connection_;
  Kind kind_;
  std::string connectionString_;
  std::chrono::milliseconds limit_;
  // SQLite: a second connection that fails at once where the lock is taken, so that
  // the wait can be announced before the connection itself waits (opened at first use).
  std::unique_ptr<odbc::Connection> probe_;
};

}  // namespace kestrune
