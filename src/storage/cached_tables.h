// CachedTables: the batched strategy. For the length of a file's transaction each lookup
// table is a RowCache, so that repeated keys never reach the database; changed rows are
// written once each before the commit. tblLogs rows go in multi-row INSERTs (on
// PostgreSQL as arrays, see LogArrays); rows that refer to new visitors or pages wait
// until a batch's worth of those has come, and follow the INSERTs that give them IDs.
#pragma once

#include <memory>
#include <vector>

#include "storage/log_arrays.h"
#include "storage/row_cache.h"
#include "storage/sql_dialect.h"
#include "storage/statement_cache.h"
#include "storage/tables.h"

namespace kestrune {

class CachedTables : public Tables {
 public:
  CachedTables(odbc::Connection& connection, SqlDialect dialect, std::size_t batchRows,
               std::size_t preloadRows);

  Table<VisitorRow>& Visitors() override { return visitors_; }
  Table<PageRow>& Pages() override { return pages_; }
  Table<RefRow>& Refs() override { return refs_; }
  Table<DownloadRow>& Downloads() override { return downloads_; }
  Table<ErrorRow>& Errors() override { return errors_; }
  void AddLog(const LogRow& row) override;
  void Flush() override;
  void Committed() override;
  void Forget() override;

 private:
  // Writes the held tblLogs rows in batches, after the new rows they refer to; a last,
  // shorter batch only when `all`.
  void FlushLogs(bool all);
  std::size_t LogBatchRows() const { return logArrays_ ? batchRows_ * kArrayBatches : batchRows_; }
  // At most this many batches of tblLogs rows are held while new rows gather.
  static constexpr std::size_t kHeldLogBatches = 64;
  // An array INSERT takes this many batches of rows (its parameters do not grow).
  static constexpr std::size_t kArrayBatches = 5;

  SqlDialect dialect_;
  std::size_t batchRows_;
  StatementCache statements_;
  PlaceholderIds ids_;
  RowCache<VisitorRow> visitors_;
  RowCache<PageRow> pages_;
  RowCache<RefRow> refs_;
  RowCache<DownloadRow> downloads_;
  RowCache<ErrorRow> errors_;
  std::vector<LogRow> logs_;
  std::unique_ptr<LogArrays> logArrays_;     // PostgreSQL with array-taking columns
  odbc::Statement* fullLogBatch_ = nullptr;  // the tblLogs INSERT of batchRows rows
  odbc::Statement* partLogBatch_ = nullptr;
};

}  // namespace kestrune
