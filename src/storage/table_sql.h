// TableSpec: a table's description (table_schema.h) as names and parameter types, and the
// SQL text of the statements built on it. Identifiers are unquoted, every column list is
// explicit, parameters are "?", and every SELECT reads ID and then all the columns.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "storage/odbc.h"
#include "storage/sql_dialect.h"

namespace kestrune {

struct ColumnSpec {
  std::string name;
  odbc::ParamType type;
  unsigned roles;  // ColumnRole bits
};

struct TableSpec {
  std::string name;
  std::vector<ColumnSpec> columns;  // besides ID

  // "A, B, C": the columns with one of `roles`, in order.
  std::string Names(unsigned roles) const;
  std::vector<odbc::ParamType> Types(unsigned roles) const;
  std::size_t Count(unsigned roles) const;
};

namespace sql {

// "SELECT ID, ... FROM t WHERE 1=0": fails when the table or one of the columns is missing.
std::string Check(const TableSpec& table);
// "SELECT COUNT(*) FROM t".
std::string CountRows(const TableSpec& table);
// "SELECT ID, ... FROM t ORDER BY ID".
std::string SelectAll(const TableSpec& table);
// "SELECT ID, ... FROM t WHERE ((K1=?) And (K2=?)) ORDER BY ID": the key columns' values.
std::string SelectByKey(const TableSpec& table);
// "INSERT INTO t (...) VALUES (?, ...)" of the columns with one of `roles`.
std::string Insert(const TableSpec& table, unsigned roles);
// "UPDATE t SET S1=?, S2=? WHERE ID=?": the state columns' values, then the ID.
std::string UpdateState(const TableSpec& table);
// A multi-row INSERT of `rows` rows of the columns with one of `roles`.
std::string InsertRows(const TableSpec& table, unsigned roles, std::size_t rows,
                       const SqlDialect& dialect);
// "WITH v (c0, ...) AS (VALUES ...) UPDATE t SET S1 = v.c1, ... FROM v WHERE t.ID = v.c0":
// `rows` rows of ID and the state columns; `types` receives the parameters' types.
std::string UpdateRows(const TableSpec& table, std::size_t rows, const SqlDialect& dialect,
                       std::vector<odbc::ParamType>& types);

}  // namespace sql
}  // namespace kestrune
