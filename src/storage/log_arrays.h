// LogArrays (PostgreSQL): tblLogs rows written as one array a column, so that a batch of
// any size is one INSERT ... SELECT * FROM unnest(...) of twelve parameters instead of
// twelve parameters a row. Only for a tblLogs whose every column has a type that takes
// the elements of its array as INSERT ... VALUES takes a parameter (the types of the
// shipped schema); Fit() looks that up in the catalogue, and otherwise VALUES stays.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "storage/statement_cache.h"
#include "storage/table_schema.h"

namespace kestrune {

class LogArrays {
 public:
  explicit LogArrays(StatementCache& statements) : statements_(statements) {}

  // Whether the tblLogs columns of the connected PostgreSQL database take arrays.
  static bool Fit(odbc::Connection& connection);
  // Inserts `count` rows from `rows` on; their page and visitor IDs are the database's.
  void Insert(const LogRow* rows, std::size_t count);

 private:
  StatementCache& statements_;
  odbc::Statement* insert_ = nullptr;
  std::vector<std::string> arrays_;  // one literal a column, "{a,b,...}"
};

}  // namespace kestrune
