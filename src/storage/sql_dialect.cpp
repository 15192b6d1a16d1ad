#include "storage/sql_dialect.h"

namespace kestrune {

SqlDialect SqlDialect::Of(std::string_view dbmsName) {
  return SqlDialect(dbmsName == "PostgreSQL");
}

std::string SqlDialect::ValuesList(std::size_t rows, std::size_t count) {
  std::string one = "(";
  for (std::size_t c = 0; c < count; ++c) one += c ? ", ?" : "?";
  one += ")";
  std::string all;
  all.reserve(rows * (one.size() + 2));
  for (std::size_t r = 0; r < rows; ++r) {
    if (r) all += ", ";
    all += one;
  }
  return all;
}

std::string SqlDialect::ValueNames(std::size_t count) {
  std::string names;
  for (std::size_t c = 0; c < count; ++c) names += (c ? ", c" : "c") + std::to_string(c);
  return names;
}

std::string SqlDialect::InsertRows(std::string_view table, std::string_view columns,
                                   std::size_t count, std::size_t rows) const {
  const std::string values = ValuesList(rows, count);
  std::string sql;
  if (postgres_) {
    sql.append("INSERT INTO ").append(table).append(" (").append(columns).append(") VALUES ");
    return sql.append(values);
  }
  // The SQLite driver compiles a statement that begins with INSERT again at every execution
  // (for a few thousand parameters that costs more than the insert itself) but keeps a
  // compiled one that begins with WITH and only binds the next values. The rows go in the
  // order of the VALUES, with the same values and types as INSERT ... VALUES gives them.
  sql.append("WITH v (").append(ValueNames(count)).append(") AS (VALUES ").append(values);
  sql.append(") INSERT INTO ").append(table).append(" (").append(columns);
  return sql.append(") SELECT * FROM v");
}

const char* SqlDialect::TypeName(odbc::ParamType type) {
  switch (type) {
    case odbc::ParamType::Integer:
      return "BIGINT";
    case odbc::ParamType::Boolean:
      return "BOOLEAN";
    case odbc::ParamType::DateTime:
      return "TIMESTAMP";
    default:
      return "VARCHAR";
  }
}

std::string SqlDialect::TypedParameter(odbc::ParamType type) const {
  // PostgreSQL cannot tell the type of a bare parameter in a VALUES list of its own.
  return postgres_ ? std::string("CAST(? AS ") + TypeName(type) + ")" : std::string("?");
}

}  // namespace kestrune
