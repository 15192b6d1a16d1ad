// Tables: the tables as the entry storage reads and writes them. Two strategies stand
// behind it: DirectTables runs every read and write as its own statement, the way the
// updatable queries would; CachedTables keeps the rows the lookups touch in memory for
// the file's transaction, batches the tblLogs rows into multi-row INSERTs and writes each
// changed row once before the commit. Both leave the same committed tables.
#pragma once

#include "storage/table_schema.h"

namespace kestrune {

// One lookup table (its rows have an ID and key columns). A row returned stays valid
// until the next call on the table.
template <class Row>
class Table {
 public:
  virtual ~Table() = default;
  // The first row (lowest ID) whose key columns equal those of `key` exactly, or null.
  virtual const Row* Find(const Row& key) = 0;
  // Adds `row` (its ID aside) and returns it as a Find of its key then finds it (null if
  // it cannot be found).
  virtual const Row* Insert(const Row& row) = 0;
  // Writes the state columns of `row` into the row of its ID.
  virtual void Write(const Row& row) = 0;
};

class Tables {
 public:
  virtual ~Tables() = default;

  virtual Table<VisitorRow>& Visitors() = 0;
  virtual Table<PageRow>& Pages() = 0;
  virtual Table<RefRow>& Refs() = 0;
  virtual Table<DownloadRow>& Downloads() = 0;
  virtual Table<ErrorRow>& Errors() = 0;
  virtual void AddLog(const LogRow& row) = 0;

  // Before the commit: everything still held in memory goes to the database.
  virtual void Flush() = 0;
  // After the commit: the rows held for the transaction may go.
  virtual void Committed() = 0;
  // After a rollback: nothing of the transaction is kept.
  virtual void Forget() = 0;
};

}  // namespace kestrune
