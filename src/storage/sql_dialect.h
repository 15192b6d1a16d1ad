// SqlDialect: what differs between the database products where the storage depends on
// it. PostgreSQL, and SQLite, whose forms serve every other database too (they are plain
// SQL). Only the SQL text and the way new IDs come back differ; what is stored does not.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "storage/odbc.h"

namespace kestrune {

class SqlDialect {
 public:
  // The dialect of a product by its SQL_DBMS_NAME.
  static SqlDialect Of(std::string_view dbmsName);
  static SqlDialect PostgreSQL() { return SqlDialect(true); }
  static SqlDialect SQLite() { return SqlDialect(false); }

  // The database keeps only valid UTF-8: texts go as UTF-16 by odbc::RepairUtf8's rule.
  bool ValidUtf8Only() const { return postgres_; }
  // An INSERT ... RETURNING ID gives the new rows' IDs, in the order of the VALUES.
  bool ReturnsIds() const { return postgres_; }
  // A column's rows may go as one array parameter (INSERT ... SELECT FROM unnest(...)).
  bool HasArrays() const { return postgres_; }

  // A multi-row INSERT of `rows` rows into `columns` (`count` names, "A, B") of `table`.
  std::string InsertRows(std::string_view table, std::string_view columns, std::size_t count,
                         std::size_t rows) const;
  // A parameter of a VALUES list outside an INSERT, whose type the database must be told.
  std::string TypedParameter(odbc::ParamType type) const;

  // The SQL type a parameter type is cast to (BIGINT, VARCHAR, BOOLEAN, TIMESTAMP).
  static const char* TypeName(odbc::ParamType type);
  // "(?, ?), (?, ?)": `rows` rows of `count` parameters.
  static std::string ValuesList(std::size_t rows, std::size_t count);
  // "c0, c1, ...": the names of `count` columns of a VALUES list.
  static std::string ValueNames(std::size_t count);

 private:
  explicit SqlDialect(bool postgres) : postgres_(postgres) {}
  bool postgres_;
};

}  // namespace kestrune
