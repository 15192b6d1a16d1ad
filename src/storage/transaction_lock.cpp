#include "storage/transaction_lock.h"

#include <algorithm>
#include <regex>

namespace kestrune {
namespace {

// The advisory lock key: the bytes of "Kestrune" read as a 64-bit number.
constexpr std::int64_t kAdvisoryKey = 0x4B65737472756E65;

// A write that changes nothing: it takes SQLite's RESERVED lock for the transaction.
// Only as the first statement does the wait for it go through the busy handler; once
// the transaction has read something, SQLite refuses the upgrade at once (so that two
// readers that both want to write cannot wait for each other).
constexpr const char* kSqliteWrite = "UPDATE tblLogs SET ID = ID WHERE 1 = 0";

bool SqliteBusy(const odbc::DriverError& error) {
  const std::string text = error.what();
  return error.Native() == 5 || text.find("database is locked") != std::string::npos;
}

const std::regex kTimeout(R"((^|;)\s*Timeout\s*=[^;]*)", std::regex::icase);

// `connectionString` without its Timeout attributes (which of several counts depends on
// the driver manager's path), and without a trailing ";".
std::string WithoutTimeout(const std::string& connectionString) {
  std::string text = std::regex_replace(connectionString, kTimeout, "$1");
  for (std::size_t at; (at = text.find(";;")) != std::string::npos;) text.erase(at, 1);
  while (!text.empty() && text.back() == ';') text.pop_back();
  if (!text.empty() && text.front() == ';') text.erase(0, 1);
  return text;
}

bool Selected(odbc::Statement& statement) {
  const bool value = statement.Fetch() && statement.GetBoolean(0);
  statement.CloseCursor();
  return value;
}

std::string Count(long long value, const char* unit) {
  return std::to_string(value) + " " + unit + (value == 1 ? "" : "s");
}

}  // namespace

const char* const kWaitingForDatabaseText = "Waiting for the database\xE2\x80\xA6";

std::string LockNotGrantedText(std::chrono::milliseconds limit) {
  const long long ms = limit.count();
  const std::string wait = ms % 60000 == 0 && ms > 0  ? Count(ms / 60000, "minute")
                           : ms % 1000 == 0 && ms > 0 ? Count(ms / 1000, "second")
                                                      : Count(ms, "millisecond");
  return "The database stayed locked by another import for " + wait + "; the file was not stored.";
}

std::string TransactionLock::WithBusyTimeout(const std::string& connectionString,
                                             std::chrono::milliseconds limit) {
  if (std::regex_search(connectionString, kTimeout)) return connectionString;
  std::string text = connectionString;
  if (!text.empty() && text.back() != ';') text += ';';
  return text + "Timeout=" + std::to_string(std::max<long long>(limit.count() / 2, 1));
}

TransactionLock::TransactionLock(odbc::Environment& env, odbc::Connection& connection,
                                 const std::string& dbmsName, std::string connectionString,
                                 std::chrono::milliseconds limit)
    : env_(env),
      connection_(connection),
      kind_(dbmsName == "PostgreSQL" ? Kind::PostgresAdvisory
            : dbmsName == "SQLite"   ? Kind::SqliteWrite
                                     : Kind::None),
      connectionString_(std::move(connectionString)),
      limit_(limit) {}

TransactionLock::~TransactionLock() = default;

// Why no deadlock can arise between instances: every transaction that writes takes this
// one lock as its very first statement, before it reads or writes any row, and holds it
// to its commit or rollback. A transaction that waits for it therefore holds nothing
// that another could be waiting for, and the holder never waits for a waiter: the only
// wait between instances is for this lock, whose holder runs to its end. (A writer
// outside the program, which does not take the lock, is not covered.)
void TransactionLock::Take(const std::function<void()>& waiting) {
  switch (kind_) {
    case Kind::PostgresAdvisory:
      TakePostgres(waiting);
      break;
    case Kind::SqliteWrite:
      TakeSqlite(waiting);
      break;
    case Kind::None:
      break;
  }
}

void TransactionLock::NotGranted() {
  try {
    connection_.Rollback();
  } catch (const std::exception&) {
    // A connection that is gone has rolled back by itself.
  }
  throw Error(LockNotGrantedText(limit_));
}

void TransactionLock::TakePostgres(const std::function<void()>& waiting) {
  using odbc::ParamType;
  odbc::Statement statement(connection_);
  statement.Prepare("SELECT pg_try_advisory_xact_lock(?)", {ParamType::Integer});
  statement.SetInteger(0, kAdvisoryKey);
  statement.Execute();
  if (Selected(statement)) return;
  waiting();
  // The server queues the waiters, so instances take their turns in order; the wait is
  // bounded by lock_timeout for this transaction, set back afterwards.
  statement.ExecuteDirect("SELECT current_setting('lock_timeout')");
  const std::string before = statement.Fetch() ? statement.GetText(0) : "0";
  statement.CloseCursor();
  odbc::Statement setting(connection_);
  setting.Prepare("SELECT set_config('lock_timeout', ?, true)", {ParamType::Text});
  setting.SetText(0, std::to_string(std::max<long long>(limit_.count(), 1)));
  setting.Execute();
  setting.CloseCursor();
  statement.Prepare("SELECT pg_advisory_xact_lock(?)", {ParamType::Integer});
  statement.SetInteger(0, kAdvisoryKey);
  try {
    statement.Execute();
  } catch (const odbc::DriverError& error) {
    if (error.State() == "55P03") NotGranted();  // lock_not_available
    throw;
  }
  statement.CloseCursor();
  setting.SetText(0, before);
  setting.Execute();
  setting.CloseCursor();
}

bool TransactionLock::SqliteLockFree() {
  try {
    if (!probe_) {
      auto probe = std::make_unique<odbc::Connection>(env_);
      // This one fails within milliseconds.
      probe->Connect(WithoutTimeout(connectionString_) + ";Timeout=1");
      probe->SetAutoCommit(false);
      probe_ = std::move(probe);
    }
    bool free = true;
    try {
      odbc::Statement statement(*probe_);
      statement.ExecuteDirect(kSqliteWrite);
    } catch (const odbc::DriverError& error) {
      if (!SqliteBusy(error)) throw;
      free = false;
    }
    probe_->Rollback();
    return free;
  } catch (const std::exception&) {
    // Whether to announce the wait is not worth failing the file for.
    probe_.reset();
    return true;
  }
}

void TransactionLock::TakeSqlite(const std::function<void()>& waiting) {
  if (!SqliteLockFree()) waiting();
  odbc::Statement statement(connection_);
  try {
    statement.ExecuteDirect(kSqliteWrite);
  } catch (const odbc::DriverError& error) {
    if (SqliteBusy(error)) NotGranted();
    throw;
  }
}

}  // namespace kestrune
