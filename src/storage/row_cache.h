// The row cache of the batched strategy.
//
// PlaceholderIds: new rows get negative placeholder IDs until they are inserted; then the
// IDs the database gave them are kept for the run, since the entry storage may still hold
// a placeholder of an earlier batch or file.
//
// RowCache: the rows of one lookup table that the file's transaction has touched, held in
// memory by key and by ID. A table of at most preloadRows rows is read whole at its first
// use in a transaction (a key not held then does not exist); a larger one row by row as
// keys come. A new row waits with a placeholder ID until InsertPending writes the waiting
// rows in multi-row INSERTs in the order they came (so that they get the IDs one by one
// would get) and learns their IDs; a changed row is written once by WriteChanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "storage/sql_dialect.h"
#include "storage/statement_cache.h"
#include "storage/tables.h"

namespace kestrune {

class PlaceholderIds {
 public:
  std::int64_t Next() { return next_--; }
  void Learn(std::int64_t placeholder, std::int64_t id) { real_[placeholder] = id; }
  // The database's ID of `id`: itself unless it is a placeholder whose row is inserted.
  std::int64_t Resolved(std::int64_t id) const { return id >= 0 ? id : Learnt(id, false); }
  // The same, raising for a placeholder whose row is not inserted yet.
  std::int64_t Real(std::int64_t id) const { return id >= 0 ? id : Learnt(id, true); }
  // Forgets the IDs learnt (their rows were rolled back).
  void Forget() { real_.clear(); }

 private:
  std::int64_t Learnt(std::int64_t placeholder, bool required) const;
  std::int64_t next_ = -1;
  std::unordered_map<std::int64_t, std::int64_t> real_;
};

template <class Row>
class RowCache : public Table<Row> {
 public:
  RowCache(StatementCache& statements, SqlDialect dialect, PlaceholderIds& ids,
           std::size_t batchRows, std::size_t preloadRows);

  const Row* Find(const Row& key) override;
  // The row with a placeholder ID, held until InsertPending.
  const Row* Insert(const Row& row) override;
  // Held as changed: written by WriteChanged, or with its insert while that waits.
  void Write(const Row& row) override;

  std::size_t Pending() const { return pending_.size(); }
  void InsertPending();
  void WriteChanged();  // UPDATE ... FROM (VALUES ...) of up to batchRows rows
  void Clear();         // forgets every row held

 private:
  struct Slot {
    Row row;
    bool dirty = false;  // listed in dirty_
  };
  struct PendingRow {
    std::int64_t placeholder = 0;
    std::string key;
  };
  // Keys looked up as views: a single text key is the row's own text.
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const {
      return std::hash<std::string_view>{}(key);
    }
  };
  void Preload();
  std::string_view KeyOf(const Row& row);  // valid until the next call or the row's change
  Row* Held(std::string_view key);
  void Hold(std::string_view key, const Row& row);

  StatementCache& statements_;
  SqlDialect dialect_;
  PlaceholderIds& ids_;
  std::size_t batchRows_;
  std::size_t preloadRows_;
  odbc::Statement* select_ = nullptr;  // the keyed SELECT
  std::vector<PendingRow> pending_;
  std::unordered_map<std::string, std::int64_t, KeyHash, std::equal_to<>> idByKey_;
  std::unordered_map<std::int64_t, Slot> rows_;
  std::vector<std::int64_t> dirty_;  // IDs changed since read, each once
  bool checked_ = false;             // the size of the table was looked at in this transaction
  bool complete_ = false;            // the whole table is held
  std::string keyText_;
};

}  // namespace kestrune
