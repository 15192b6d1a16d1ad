// CachedTables: the batched strategy. For the length of a file's transaction it keeps
// in memory every row the lookups touch (a lookup table small enough is read whole at
// its first use), so that repeated keys never reach the database; changed rows are
// written once each before the commit, and tblLogs rows go in multi-row INSERTs. New
// rows wait, with a placeholder ID, until a batch's worth of them has come (the tblLogs
// rows held meanwhile); they are then inserted in multi-row INSERTs in the order they
// came (so they get the IDs one by one would get) and their IDs read back, and the
// tblLogs rows that refer to them follow in their order.
#pragma once

#include <unordered_map>
#include <vector>

#include "storage/table_statements.h"
#include "storage/tables.h"

namespace kestrune {

class CachedTables : public Tables {
 public:
  // `postgres`: the database is PostgreSQL, whose INSERT ... RETURNING gives the new IDs
  // and whose batched UPDATE needs typed values.
  CachedTables(odbc::Connection& connection, std::size_t batchRows, std::size_t preloadRows,
               bool postgres);

  std::optional<VisitorRow> FindVisitor(const std::string& ip) override;
  std::optional<VisitorRow> InsertVisitor(const std::string& visitor) override;
  void WriteVisitor(const VisitorRow& row) override;

  std::optional<std::int64_t> FindPage(const std::string& pageName) override;
  std::optional<std::int64_t> InsertPage(const std::string& pageName,
                                         const std::string& siteIP) override;

  std::optional<CounterRow> FindRef(const std::string& url, const std::string& siteIP) override;
  std::optional<CounterRow> InsertRef(const std::string& host, const std::string& url,
                                      const std::string& siteIP, TDateTime last) override;
  void WriteRef(const CounterRow& row) override;

  std::optional<CounterRow> FindDownload(const std::string& fileName,
                                         const std::string& siteIP) override;
  std::optional<CounterRow> InsertDownload(const std::string& fileName, const std::string& siteIP,
                                           TDateTime last) override;
  void WriteDownload(const CounterRow& row) override;

  std::optional<CounterRow> FindError(const ErrorKey& key) override;
  std::optional<CounterRow> InsertError(const ErrorKey& key, TDateTime last) override;
  void WriteError(const CounterRow& row) override;

  void AddLog(const LogRow& row) override;
  void Flush() override;
  void Committed() override;
  void Forget() override;

  // A new row not inserted yet (PostgreSQL): it has a negative placeholder ID until the
  // next batch inserts it; `texts` and `number` are its key columns.
  struct PendingRow {
    std::int64_t placeholder = 0;
    std::string key;
    std::vector<std::string> texts;
    std::int64_t number = 0;
  };

  // The rows of one table held for the transaction, by key and by ID.
  template <class Row>
  struct Cache {
    std::vector<PendingRow> pending;
    std::unordered_map<std::string, std::int64_t> idByKey;
    struct Slot {
      Row row;
      bool dirty = false;  // listed in `dirty`
    };
    std::unordered_map<std::int64_t, Slot> rows;
    std::vector<std::int64_t> dirty;  // IDs changed since read, each once
    bool checked = false;             // the size of the table was looked at in this transaction
    bool complete = false;            // the whole table is held: a key not held does not exist
    void Clear() { *this = Cache{}; }
  };

 private:
  // Reads the whole table into `cache` when it is small enough (first use only).
  template <class Row, class Load>
  void Preload(Cache<Row>& cache, const char* table, Load&& load);
  // Writes the held tblLogs rows in batches of batchRows, after the new rows they refer
  // to; a last, shorter batch only when `all`.
  void FlushLogs(bool all);
  // PostgreSQL: whether the tblLogs columns take the rows as one array a column (of the
  // types the shipped schema has), so that a batch is one INSERT ... SELECT FROM unnest()
  // of twelve parameters instead of twelve parameters a row.
  bool LogColumnsTakeArrays();
  void InsertLogArrays(std::size_t first, std::size_t rows);
  // At most this many batches of tblLogs rows are held while new rows gather.
  static constexpr std::size_t kHeldLogBatches = 64;
  // An array INSERT takes this many batches of rows (its parameters do not grow).
  static constexpr std::size_t kArrayBatches = 5;
  std::size_t LogBatchRows() const { return logArrays_ ? batchRows_ * kArrayBatches : batchRows_; }
  // Writes the changed rows of `cache` with UPDATE ... FROM (VALUES ...) of up to
  // batchRows rows; `columns` are the columns set (ID first), `bind` sets one row.
  template <class Row, class Bind>
  void WriteChanged(Cache<Row>& cache, const char* table,
                    const std::vector<std::pair<const char*, odbc::ParamType>>& columns,
                    Bind&& bind);
  template <class Row>
  void Defer(Cache<Row>& cache, const std::string& key, std::int64_t id, const Row& row,
             std::vector<std::string> texts, std::int64_t number);
  // A changed row: written before the commit, or with its insert when that is pending.
  template <class Row>
  void Change(Cache<Row>& cache, Row row);
  // Inserts the pending rows of `cache` in multi-row INSERTs and gives them their IDs;
  // `columns` are the inserted columns, `bind` sets one row's values.
  template <class Row, class Bind>
  void InsertPending(Cache<Row>& cache, const char* table, const char* columns,
                     const std::vector<odbc::ParamType>& types, Bind&& bind);
  void InsertAllPending();
  void InsertReferredPending();  // tblVisitors, tblPages: before tblLogs rows refer to them
  void InsertOtherPending();
  // A multi-row INSERT of `rows` rows of `columnCount` parameters into `columns` of `table`.
  std::string InsertSql(const char* table, const char* columns, std::size_t rows,
                        std::size_t columnCount) const;
  // The statement of `sql`, prepared at its first use and kept for the run.
  odbc::Statement& Prepared(const std::string& sql, const std::vector<odbc::ParamType>& types);
  std::int64_t Real(std::int64_t id) const;

  odbc::Connection& connection_;
  TableStatements statements_;
  std::size_t batchRows_;
  std::size_t preloadRows_;
  Cache<VisitorRow> visitors_;
  Cache<std::int64_t> pages_;  // the row is its ID
  Cache<CounterRow> refs_, downloads_, errors_;
  std::vector<LogRow> logs_;
  std::unordered_map<std::string, std::unique_ptr<odbc::Statement>> prepared_;
  odbc::Statement* fullLogBatch_ = nullptr;  // the tblLogs INSERT of batchRows rows
  odbc::Statement* partLogBatch_ = nullptr;
  bool logArrays_ = false;
  odbc::Statement* logArrayInsert_ = nullptr;
  std::vector<std::string> logArrayTexts_;
  bool postgres_;
  std::int64_t nextPlaceholder_ = -1;
  // Placeholder IDs of the run's inserted rows and the IDs the database gave them: the
  // entry storage may still hold a placeholder from an earlier batch or file.
  std::unordered_map<std::int64_t, std::int64_t> alias_;
};

}  // namespace kestrune
