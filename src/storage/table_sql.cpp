#include "storage/table_sql.h"

#include "storage/table_schema.h"

namespace kestrune {

std::string TableSpec::Names(unsigned roles) const {
  std::string names;
  for (const ColumnSpec& column : columns) {
    if (!(column.roles & roles)) continue;
    if (!names.empty()) names += ", ";
    names += column.name;
  }
  return names;
}

std::vector<odbc::ParamType> TableSpec::Types(unsigned roles) const {
  std::vector<odbc::ParamType> types;
  for (const ColumnSpec& column : columns)
    if (column.roles & roles) types.push_back(column.type);
  return types;
}

std::size_t TableSpec::Count(unsigned roles) const {
  std::size_t count = 0;
  for (const ColumnSpec& column : columns) count += (column.roles & roles) ? 1 : 0;
  return count;
}

namespace sql {

std::string Check(const TableSpec& table) {
  return "SELECT ID, " + table.Names(kAll) + " FROM " + table.name + " WHERE 1=0";
}

std::string CountRows(const TableSpec& table) {
  return "SELECT COUNT(*) FROM " + table.name;
}

std::string SelectAll(const TableSpec& table) {
  return "SELECT ID, " + table.Names(kAll) + " FROM " + table.name + " ORDER BY ID";
}

std::string SelectByKey(const TableSpec& table) {
  std::string where;
  std::size_t keys = 0;
  for (const ColumnSpec& column : table.columns) {
    if (!(column.roles & kKey)) continue;
    where += keys++ ? " And (" : "(";
    where += column.name + "=?)";
  }
  if (keys > 1) where = "(" + where + ")";
  return "SELECT ID, " + table.Names(kAll) + " FROM " + table.name + " WHERE " + where +
         " ORDER BY ID";
}

std::string Insert(const TableSpec& table, unsigned roles) {
  return "INSERT INTO " + table.name + " (" + table.Names(roles) + ") VALUES " +
         SqlDialect::ValuesList(1, table.Count(roles));
}

std::string UpdateState(const TableSpec& table) {
  std::string sets;
  for (const ColumnSpec& column : table.columns) {
    if (!(column.roles & kState)) continue;
    if (!sets.empty()) sets += ", ";
    sets += column.name + "=?";
  }
  return "UPDATE " + table.name + " SET " + sets + " WHERE ID=?";
}

std::string InsertRows(const TableSpec& table, unsigned roles, std::size_t rows,
                       const SqlDialect& dialect) {
  return dialect.InsertRows(table.name, table.Names(roles), table.Count(roles), rows);
}

std::string UpdateRows(const TableSpec& table, std::size_t rows, const SqlDialect& dialect,
                       std::vector<odbc::ParamType>& types) {
  std::vector<odbc::ParamType> rowTypes = {odbc::ParamType::Integer};  // ID
  std::string one = "(" + dialect.TypedParameter(rowTypes[0]);
  std::string sets;
  for (const ColumnSpec& column : table.columns) {
    if (!(column.roles & kState)) continue;
    one += ", " + dialect.TypedParameter(column.type);
    if (!sets.empty()) sets += ", ";
    sets += column.name + " = v.c" + std::to_string(rowTypes.size());
    rowTypes.push_back(column.type);
  }
  one += ")";
  std::string text = "WITH v (" + SqlDialect::ValueNames(rowTypes.size()) + ") AS (VALUES ";
  for (std::size_t r = 0; r < rows; ++r) {
    text += r ? ", " + one : one;
    types.insert(types.end(), rowTypes.begin(), rowTypes.end());
  }
  return text + ") UPDATE " + table.name + " SET " + sets + " FROM v WHERE " + table.name +
         ".ID = v.c0";
}

}  // namespace sql
}  // namespace kestrune
