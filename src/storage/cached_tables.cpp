#include "storage/cached_tables.h"

#include <algorithm>

#include "storage/row_binding.h"

namespace kestrune {

CachedTables::CachedTables(odbc::Connection& connection, SqlDialect dialect, std::size_t batchRows,
                           std::size_t preloadRows)
    : dialect_(dialect),
      batchRows_(batchRows == 0 ? 1 : batchRows),
      statements_(connection),
      visitors_(statements_, dialect, ids_, batchRows_, preloadRows),
      pages_(statements_, dialect, ids_, batchRows_, preloadRows),
      refs_(statements_, dialect, ids_, batchRows_, preloadRows),
      downloads_(statements_, dialect, ids_, batchRows_, preloadRows),
      errors_(statements_, dialect, ids_, batchRows_, preloadRows) {
  logs_.reserve(batchRows_ * kHeldLogBatches);
  if (dialect_.HasArrays() && LogArrays::Fit(connection))
    logArrays_ = std::make_unique<LogArrays>(statements_);
}

void CachedTables::AddLog(const LogRow& row) {
  logs_.push_back(row);
  if (logs_.size() < LogBatchRows()) return;
  // Rows that refer to new visitors or pages wait until enough of those have come to fill
  // an INSERT of their own (or the held rows reach their limit): a batch of tblLogs rows
  // then needs no statements for the few new rows among its own.
  const std::size_t visitors = visitors_.Pending(), pages = pages_.Pending();
  if ((visitors > 0 || pages > 0) && visitors < batchRows_ && pages < batchRows_ &&
      logs_.size() < batchRows_ * kHeldLogBatches)
    return;
  FlushLogs(false);
}

void CachedTables::FlushLogs(bool all) {
  if (logs_.empty()) return;
  visitors_.InsertPending();  // the new rows that tblLogs rows refer to
  pages_.InsertPending();
  constexpr std::size_t kColumns = CountColumns<LogRow>(kAll);
  std::size_t done = 0;
  while (done < logs_.size()) {
    const std::size_t batch = LogBatchRows();
    const std::size_t rows = std::min(batch, logs_.size() - done);
    if (rows < batch && !all) break;  // kept for the next batch
    for (std::size_t i = done; i < done + rows; ++i) {
      logs_[i].Page = ids_.Real(logs_[i].Page);
      logs_[i].Visitor = ids_.Real(logs_[i].Visitor);
    }
    if (logArrays_) {
      logArrays_->Insert(&logs_[done], rows);
      done += rows;
      continue;
    }
    // A full batch has its statement at hand; a shorter one (the last of a file) is
    // looked up.
    odbc::Statement*& statement = rows == batchRows_ ? fullLogBatch_ : partLogBatch_;
    if (statement == nullptr || rows != batchRows_) {
      const TableSpec& table = SpecOf<LogRow>();
      const std::vector<odbc::ParamType> one = table.Types(kAll);
      std::vector<odbc::ParamType> types;
      types.reserve(rows * one.size());
      for (std::size_t r = 0; r < rows; ++r) types.insert(types.end(), one.begin(), one.end());
      statement = &statements_.Get(sql::InsertRows(table, kAll, rows, dialect_), types);
    }
    for (std::size_t i = 0; i < rows; ++i) Bind<kAll>(*statement, i * kColumns, logs_[done + i]);
    statement->Execute();
    done += rows;
  }
  logs_.erase(logs_.begin(), logs_.begin() + static_cast<std::ptrdiff_t>(done));
}

void CachedTables::Flush() {
  visitors_.InsertPending();
  pages_.InsertPending();
  refs_.InsertPending();
  downloads_.InsertPending();
  errors_.InsertPending();
  FlushLogs(true);
  visitors_.WriteChanged();
  pages_.WriteChanged();
  refs_.WriteChanged();
  downloads_.WriteChanged();
  errors_.WriteChanged();
}

void CachedTables::Committed() {
  visitors_.Clear();
  pages_.Clear();
  refs_.Clear();
  downloads_.Clear();
  errors_.Clear();
  logs_.clear();
}

void CachedTables::Forget() {
  Committed();
  ids_.Forget();
}

}  // namespace kestrune
