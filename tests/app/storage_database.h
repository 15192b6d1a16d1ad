// A SQLite file for the tests that store through the program: the shipped schema of
// data/schema/sqlite.sql run on it, and plain SQL to read back what was stored.
#pragma once

#include <string>
#include <vector>

namespace kestrune::test {

// Creates the storage's tables and indexes in the database of `dsn`.
void CreateStorageTables(const std::string& dsn);

// Every row of `sql` on `dsn`, its first `columns` columns read as text.
std::vector<std::vector<std::string>> QueryRows(const std::string& dsn, const std::string& sql,
                                                int columns);

}  // namespace kestrune::test
