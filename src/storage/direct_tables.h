// DirectTables: every read and write of the entry storage is its own statement, run at
// once, the way updatable queries would run them: the keyed SELECT of a lookup, the
// INSERT of a new row (only its insert columns; the rest keep the database's defaults)
// read back by its key, the UPDATE of a changed row by its ID, one INSERT a tblLogs row.
// The plain strategy, and the reference the batched one is checked against.
#pragma once

#include <optional>

#include "storage/odbc.h"
#include "storage/tables.h"

namespace kestrune {

template <class Row>
class DirectTable : public Table<Row> {
 public:
  explicit DirectTable(odbc::Connection& connection);  // prepares the statements
  const Row* Find(const Row& key) override;
  const Row* Insert(const Row& row) override;
  void Write(const Row& row) override;

 private:
  odbc::Statement select_, insert_, update_;
  std::optional<Row> found_;
};

class DirectTables : public Tables {
 public:
  explicit DirectTables(odbc::Connection& connection);

  Table<VisitorRow>& Visitors() override { return visitors_; }
  Table<PageRow>& Pages() override { return pages_; }
  Table<RefRow>& Refs() override { return refs_; }
  Table<DownloadRow>& Downloads() override { return downloads_; }
  Table<ErrorRow>& Errors() override { return errors_; }
  void AddLog(const LogRow& row) override;
  void Flush() override {}
  void Committed() override {}
  void Forget() override {}

 private:
  DirectTable<VisitorRow> visitors_;
  DirectTable<PageRow> pages_;
  DirectTable<RefRow> refs_;
  DirectTable<DownloadRow> downloads_;
  DirectTable<ErrorRow> errors_;
  odbc::Statement insertLog_;
};

}  // namespace kestrune
