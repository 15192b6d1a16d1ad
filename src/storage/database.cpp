#include "storage/database.h"

#include <optional>
#include <regex>

#include "storage/cached_tables.h"
#include "storage/direct_tables.h"
#include "storage/entry_storage.h"
#include "storage/file_record.h"
#include "storage/odbc.h"
#include "storage/row_binding.h"
#include "storage/sql_dialect.h"
#include "storage/transaction_lock.h"
#include "util/text.h"

namespace kestrune {

struct Database::Impl {
  odbc::Environment env;
  odbc::Connection connection{env};
  std::unique_ptr<Tables> tables;
  std::unique_ptr<EntryStorage> storage;
  std::unique_ptr<FileRecord> files;
  std::unique_ptr<TransactionLock> lock;
};

namespace {

// Whether the connection string sets attribute `key` (letter case ignored).
bool HasAttribute(const std::string& connectionString, const std::string& key) {
  const std::regex pattern("(^|;)\\s*" + key + "\\s*=", std::regex::icase);
  return std::regex_search(connectionString, pattern);
}

}  // namespace

Database::Database(StatusFn status, StorageOptions options)
    : status_(std::move(status)), options_(options) {}

Database::~Database() {
  Close();
}

std::string Database::ConnectionString(const std::string& dsn) {
  std::string text = TrimBlanks(dsn);
  if (text.find('=') == std::string::npos) text = "DSN=" + text;
  // psqlODBC: no communication or debug log files, and no savepoint around every
  // statement (an error rolls the whole transaction back, which the import does anyway).
  // Other drivers ignore these attributes.
  for (const char* option : {"CommLog=0", "Debug=0", "Protocol=7.4-1"}) {
    const std::string key(option, std::string_view(option).find('='));
    if (HasAttribute(text, key)) continue;
    if (!text.empty() && text.back() != ';') text += ';';
    text += option;
  }
  return text;
}

void Database::Open(const std::string& dsn, const clsImportStats& stats) {
  status_("Connecting to database");
  if (impl_) return;
  impl_ = std::make_unique<Impl>();
  const std::string connectionString =
      TransactionLock::WithBusyTimeout(ConnectionString(dsn), options_.lockWait);
  try {
    impl_->connection.Connect(connectionString);
  } catch (const odbc::DriverError& e) {
    // A data-source name that the driver manager does not know: say how one is made.
    if (e.State() != "IM002" || dsn.find('=') != std::string::npos) throw;
    throw Error(std::string(e.what()) + "\r\nData source \"" + TrimBlanks(dsn) +
                "\" is not set up (see scripts/setup-database)");
  }
  impl_->connection.SetAutoCommit(false);
  status_("Connected.");

  const SqlDialect dialect = SqlDialect::Of(impl_->connection.DbmsName());
  // PostgreSQL keeps only valid UTF-8 (in the UTF8 databases the set-up makes): texts go
  // as UTF-16 by the repair rule. Other databases keep the bytes as they are.
  impl_->lock =
      std::make_unique<TransactionLock>(impl_->env, impl_->connection, impl_->connection.DbmsName(),
                                        connectionString, options_.lockWait);
  const bool repair = dialect.ValidUtf8Only();
  impl_->connection.SetTextMode(repair ? odbc::TextMode::Utf16 : odbc::TextMode::Bytes);
  {
    // Every table with every column the storage uses, so that a missing one fails the
    // open rather than a file.
    odbc::Statement check(impl_->connection);
    for (const TableSpec* table : {&SpecOf<LogRow>(), &SpecOf<VisitorRow>(), &SpecOf<DownloadRow>(),
                                   &SpecOf<ErrorRow>(), &SpecOf<PageRow>(), &SpecOf<RefRow>()})
      check.ExecuteDirect(sql::Check(*table));
  }
  // The record of stored files is optional: a database of an earlier version works
  // without it.
  const bool fileRecord = FileRecord::Present(impl_->connection);
  impl_->connection.Rollback();
  if (fileRecord) impl_->files = std::make_unique<FileRecord>(impl_->connection);
  if (options_.strategy == StorageStrategy::Batched)
    impl_->tables = std::make_unique<CachedTables>(impl_->connection, dialect, options_.batchRows,
                                                   options_.preloadRows);
  else
    impl_->tables = std::make_unique<DirectTables>(impl_->connection);
  impl_->storage = std::make_unique<EntryStorage>(stats, *impl_->tables, repair);
  status_("Connected to tables.");
}

void Database::Close() {
  if (!impl_) return;
  status_("Closing database connection");
  impl_->lock.reset();
  impl_->files.reset();
  impl_->storage.reset();
  impl_->tables.reset();
  try {
    impl_->connection.Disconnect();
  } catch (const std::exception&) {
    // A connection that is already gone is closed all the same.
  }
  impl_.reset();
  status_("Connected closed.");
}

bool Database::Connected() const {
  return impl_ && impl_->storage;
}

void Database::StartTransaction() {
  // Auto-commit is off: the transaction begins with its first statement, the lock.
  if (!Connected()) return;
  impl_->lock->Take([this] { status_(kWaitingForDatabaseText); });
  // Another instance may have changed any row since this connection's last transaction:
  // the rows its lookups last found are read again, never taken from memory.
  impl_->storage->CloseQueries();
}

void Database::Commit() {
  if (!Connected()) return;
  try {
    impl_->tables->Flush();
    impl_->connection.Commit();
  } catch (...) {
    Rollback();
    throw;
  }
  impl_->tables->Committed();
}

void Database::Rollback() {
  if (!Connected()) return;
  impl_->tables->Forget();
  impl_->storage->CloseQueries();
  try {
    impl_->connection.Rollback();
  } catch (const std::exception&) {
    // The server is gone; it rolled the transaction back when the connection broke.
  }
}

EntryStore* Database::Store() {
  return Connected() ? impl_->storage.get() : nullptr;
}

FileRecord* Database::Files() {
  return Connected() ? impl_->files.get() : nullptr;
}

}  // namespace kestrune
