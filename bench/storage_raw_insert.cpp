// storage_raw_insert: the raw rate of multi-row INSERTs into tblLogs through our ODBC
// layer, the ceiling that database storage is measured against. One transaction, rows
// like those of an import (two texts, ten numbers, a date), BATCH rows a statement.
//
//   storage_raw_insert CONNECTION-STRING [--rows 1000000] [--batch 200]
//
// The tables must exist (scripts/setup-database). Prints rows, seconds and rows/s.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_files.h"
#include "storage/odbc.h"
#include "storage/row_binding.h"

int main(int argc, char** argv) {
  using namespace kestrune;
  if (argc < 2) {
    std::fprintf(stderr, "usage: storage_raw_insert CONNECTION-STRING [--rows N] [--batch N]\n");
    return 2;
  }
  const std::string dsn = argv[1];
  long rows = 1000000;
  long batch = 200;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--rows") rows = std::atol(argv[i + 1]);
    if (option == "--batch") batch = std::atol(argv[i + 1]);
  }
  if (rows <= 0 || batch <= 0) return 2;
  try {
    odbc::Environment env;
    odbc::Connection connection(env);
    connection.Connect(dsn + ";CommLog=0;Debug=0;Protocol=7.4-1");
    connection.SetAutoCommit(false);
    if (connection.DbmsName() == "PostgreSQL") connection.SetTextMode(odbc::TextMode::Utf16);

    const TableSpec& logs = SpecOf<LogRow>();
    std::string sql = "INSERT INTO tblLogs (" + logs.Names(kAll) + ") VALUES ";
    std::vector<odbc::ParamType> types;
    for (long r = 0; r < batch; ++r) {
      sql += r ? ", (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)" : "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
      for (auto t : {odbc::ParamType::Integer, odbc::ParamType::Integer, odbc::ParamType::Text,
                     odbc::ParamType::Integer, odbc::ParamType::DateTime, odbc::ParamType::Boolean,
                     odbc::ParamType::Boolean, odbc::ParamType::Integer, odbc::ParamType::Integer,
                     odbc::ParamType::Integer, odbc::ParamType::Text, odbc::ParamType::Integer})
        types.push_back(t);
    }
    odbc::Statement insert(connection);
    insert.Prepare(sql, types);
    TDateTime day = 0;
    TryEncodeDate(2026, 3, 1, day);

    const double start = bench::Seconds();
    long written = 0;
    while (written + batch <= rows) {
      for (long r = 0; r < batch; ++r) {
        LogRow row;
        row.Page = (written + r) % 2000 + 1;
        row.SiteIP = "192.168.1.10";
        row.Visitor = (written + r) % 20000 + 1;
        row.Date = day + static_cast<double>((written + r) % 7);
        row.GET = true;
        row.Bytes = (written + r) % 50000;
        row.Statuscode = 200;
        row.TimeTaken = 15;
        row.HTTPVersion = "HTTP/1.1";
        Bind<kAll>(insert, static_cast<std::size_t>(r) * 12, row);
      }
      insert.Execute();
      written += batch;
    }
    connection.Commit();
    const double seconds = bench::Seconds() - start;
    std::printf("%ld rows in %.2f s: %.0f rows/s (%ld rows a statement)\n", written, seconds,
                static_cast<double>(written) / seconds, batch);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "storage_raw_insert: %s\n", e.what());
    return 1;
  }
  return 0;
}
