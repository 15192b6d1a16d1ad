#include "storage/database.h"

#include <optional>
#include <regex>

#include "storage/cached_tables.h"
#include "storage/direct_tables.h"
#include "storage/entry_storage.h"
#include "storage/odbc.h"
#include "storage/row_binding.h"
#include "storage/sql_dialect.h"
#include "util/text.h"

namespace kestrune {

struct Database::Impl {
  odbc::Environment env;
  odbc::Connection connection{env};
  std::unique_ptr<Tables> tables;
  std::unique_ptr<EntryStorage> storage;
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
  impl_->connection.Connect(ConnectionString(dsn));
  impl_->connection.SetAutoCommit(false);
  status_("Connected.");

  const SqlDialect dialect = SqlDialect::Of(impl_->connection.DbmsName());
  // PostgreSQL keeps only valid UTF-8 (in the UTF8 databases the set-up makes): texts go
  // as UTF-16 by the repair rule. Other databases keep the bytes as they are.
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
  impl_->connection.Rollback();
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
  // Auto-commit is off: the transaction begins with the first statement.
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

}  // namespace kestrune
