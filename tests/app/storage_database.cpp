#include "storage_database.h"

#include <fstream>
#include <sstream>

#include "storage/odbc.h"

namespace kestrune::test {

void CreateStorageTables(const std::string& dsn) {
  std::ifstream in(std::string(KESTRUNE_SOURCE_DIR) + "/data/schema/sqlite.sql");
  std::stringstream text;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("--", 0) != 0) text << line << "\n";
  odbc::Environment env;
  odbc::Connection connection(env);
  connection.Connect(dsn);
  odbc::Statement statement(connection);
  for (std::string sql; std::getline(text, sql, ';');)
    if (sql.find_first_not_of(" \n") != std::string::npos) statement.ExecuteDirect(sql);
}

std::vector<std::vector<std::string>> QueryRows(const std::string& dsn, const std::string& sql,
                                                int columns) {
  odbc::Environment env;
  odbc::Connection connection(env);
  connection.Connect(dsn);
  odbc::Statement statement(connection);
  statement.ExecuteDirect(sql);
  std::vector<std::vector<std::string>> rows;
  while (statement.Fetch()) {
    std::vector<std::string> row;
    for (int c = 0; c < columns; ++c) row.push_back(statement.GetText(c));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace kestrune::test
