#include "analysis_fixture.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "analysis/cell_text.h"
#include "analysis/db_queries.h"
#include "storage/odbc.h"
#include "util/text.h"
#include "util/utf8.h"

namespace kestrune::test {
namespace {

// Row texts join their values with a tab: no key holds one (the readers drop control
// characters), while "|" is part of a test key.
std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, '\t');) parts.push_back(part);
  if (!text.empty() && text.back() == '\t') parts.emplace_back();
  return parts;
}

// Every row of `sql` as texts joined by tabs; `types`: t text, i integer.
std::vector<std::string> QueryRows(WeekDatabase& week, const std::string& sql,
                                   const std::string& types) {
  odbc::Environment env;
  odbc::Connection connection(env);
  connection.Connect(week.Dsn() + ";CommLog=0;Debug=0");
  connection.SetTextMode(week.kind() == Kind::PostgreSQL ? odbc::TextMode::Utf16
                                                         : odbc::TextMode::Bytes);
  odbc::Statement statement(connection);
  statement.ExecuteDirect(sql);
  std::vector<std::string> rows;
  while (statement.Fetch()) {
    std::string row;
    for (std::size_t c = 0; c < types.size(); ++c) {
      if (c) row += "\t";
      const int column = static_cast<int>(c);
      row += types[c] == 't' ? statement.GetText(column)
                             : std::to_string(statement.GetInteger(column));
    }
    rows.push_back(row);
  }
  return rows;
}

// The conditions of `request` for the test's own queries, values as literals (these
// queries are the test's, not the program's).
std::string Where(Kind kind, const DbRequest& request) {
  std::vector<std::string> conditions;
  if (!request.period.all) {
    conditions.push_back("L.Date >= '" + FormatIsoDate(request.period.from) + "'");
    conditions.push_back("L.Date < '" + FormatIsoDate(request.period.End()) + "'");
  }
  if (!request.site.empty()) conditions.push_back("L.SiteIP = '" + request.site + "'");
  if (request.subject == DbSubject::Errors) conditions.push_back("L.Statuscode >= 400");
  if (!request.filter.empty()) {
    std::string key;
    switch (request.subject) {
      case DbSubject::Pages:
      case DbSubject::Errors:
        key = "P.PageName";
        break;
      case DbSubject::Visitors:
        key = "V.Visitor";
        break;
      case DbSubject::Days:
        key = kind == Kind::SQLite ? "substr(L.Date, 1, 10)" : "to_char(L.Date, 'YYYY-MM-DD')";
        break;
      case DbSubject::Status:
        key = "CAST(L.Statuscode AS VARCHAR(10))";
        break;
      case DbSubject::Sites:
        key = "L.SiteIP";
        break;
    }
    conditions.push_back("lower(" + key + ") LIKE '%" + LowerCase(request.filter) + "%'");
  }
  std::string sql;
  for (const std::string& c : conditions) sql += (sql.empty() ? " WHERE " : " AND ") + c;
  return sql;
}

std::string DayText(Kind kind) {
  return kind == Kind::SQLite ? "substr(L.Date, 1, 10)" : "to_char(L.Date, 'YYYY-MM-DD')";
}

std::string Figures(Kind kind) {
  const std::string day = DayText(kind);
  return "COUNT(*), COUNT(DISTINCT L.Visitor), COUNT(DISTINCT CAST(L.Visitor AS VARCHAR(20)) || "
         "'/' || " +
         day + "), COALESCE(SUM(L.Bytes), 0), MIN(" + day + "), MAX(" + day + ")";
}

const char* kJoins =
    " FROM tblLogs L JOIN tblPages P ON P.ID = L.Page JOIN tblVisitors V ON V.ID = L.Visitor";

}  // namespace

std::vector<std::string> WeekLogLines() {
  std::vector<std::string> lines;
  // A small fixed generator: the same lines every run.
  unsigned seed = 12345;
  auto next = [&](unsigned below) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % below;
  };
  const char* pages[] = {"/index.html",
                         "/news.html",
                         "/img/logo.gif",
                         "/about.html",
                         "/download/app.zip",
                         "/missing.html",
                         "/<script>alert(1)</script>",
                         "/=cmd|'/C_calc'!A0",
                         "/caf\xE9.html",
                         "/del\x7Fx",
                         "/-minus",
                         "/@at"};
  const int statuses[] = {200, 200, 200, 200, 304, 404, 500, 200};
  for (int day = 1; day <= 7; ++day) {
    const int count = 20 + day * 3;
    for (int i = 0; i < count; ++i) {
      char line[512];
      const unsigned page = next(12);
      const int status = page == 5 ? 404 : statuses[next(8)];
      std::snprintf(line, sizeof line,
                    "2026-03-%02d %02d:%02u:00 10.0.0.%u 192.168.0.%u GET %s %d %u %u HTTP/1.1",
                    day, 8 + i % 12, next(60), 1 + next(2), 1 + next(9), pages[page], status,
                    100 + next(5000), next(50));
      lines.push_back(line);
    }
  }
  // Two pages with the same figures but their names: ties in every column.
  for (const char* page : {"/tie-b.html", "/tie-a.html"})
    for (int v = 1; v <= 3; ++v)
      lines.push_back("2026-03-04 12:00:0" + std::to_string(v) + " 10.0.0.1 172.16.0." +
                      std::to_string(v) + " GET " + page + " 200 1000 1 HTTP/1.1");
  return lines;
}

WeekDatabase::WeekDatabase(Kind kind) : db_(std::make_unique<TestDatabase>(kind)) {
  const std::vector<std::string> lines = WeekLogLines();
  const std::size_t half = lines.size() / 2;
  const std::string first =
      db_->dir().Write("ex1.log", IisLog({lines.begin(), lines.begin() + half}));
  const std::string second =
      db_->dir().Write("ex2.log", IisLog({lines.begin() + half, lines.end()}));
  const RunResult run = ImportRun(db_->Dsn(DsnForm::Driver), {first, second}, {}, &stats_);
  EXPECT_EQ(run.error, "");
  EXPECT_EQ(run.committed, 2);
}

std::vector<std::string> RowTexts(const AnalysisTable& table) {
  const AnalysisTable totals = table.Totals();
  std::vector<std::string> rows;
  for (std::size_t r = 0; r < table.RowCount(); ++r) {
    std::string row;
    for (int c = 0; c < table.ColumnCount(); ++c) {
      if (table.Columns()[c].kind == CellKind::Share) continue;
      if (c) row += "\t";
      row += CellText(table, r, c, totals, CellStyle::Csv);
    }
    rows.push_back(row);
  }
  return rows;
}

AnalysisTable ReadAll(const std::string& dsn, const DbRequest& request) {
  DatabaseReader reader;
  std::string reason;
  EXPECT_TRUE(reader.Open(dsn, reason)) << reason;
  AnalysisTable all = DbColumns(request.subject);
  std::string error;
  EXPECT_TRUE(reader.ReadRows(
      request, 3, 4,
      [&](AnalysisTable&& chunk) {
        all.Append(std::move(chunk));
        return true;
      },
      error))
      << error;
  return all;
}

std::vector<std::string> ExpectedRows(WeekDatabase& week, const DbRequest& request) {
  const Kind kind = week.kind();
  const std::string where = Where(kind, request);
  const std::string figures = Figures(kind);
  std::string sql, types;
  switch (request.subject) {
    case DbSubject::Pages:
      sql = "SELECT P.PageName, " + figures + kJoins + where + " GROUP BY P.PageName";
      types = "tiiiitt";
      break;
    case DbSubject::Visitors:
      sql = "SELECT V.Visitor, " + figures + kJoins + where + " GROUP BY V.Visitor";
      types = "tiiiitt";
      break;
    case DbSubject::Days:
      sql = "SELECT " + DayText(kind) + ", " + figures + kJoins + where + " GROUP BY " +
            DayText(kind);
      types = "tiiiitt";
      break;
    case DbSubject::Status:
      sql = "SELECT L.Statuscode, " + figures + kJoins + where + " GROUP BY L.Statuscode";
      types = "iiiiitt";
      break;
    case DbSubject::Errors:
      sql = "SELECT P.PageName, L.Statuscode, " + figures + kJoins + where +
            " GROUP BY P.PageName, L.Statuscode";
      types = "tiiiiitt";
      break;
    case DbSubject::Sites:
      sql = "SELECT L.SiteIP, " + figures + kJoins + where + " GROUP BY L.SiteIP";
      types = "tiiiitt";
      break;
  }
  std::vector<std::string> rows = QueryRows(week, sql, types);
  for (std::string& row : rows) {
    std::vector<std::string> parts = Split(row);
    // A visitor's row counts one visitor; the texts as the CSV writes them.
    const int first = request.subject == DbSubject::Errors ? 2 : 1;
    if (request.subject == DbSubject::Visitors) parts[first + 1] = "1";
    if (request.subject == DbSubject::Days) parts[first + 2] = parts[first + 1];
    row.clear();
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (i) row += "\t";
      row += i == 0 && types[0] == 't' ? Latin1ToUtf8(parts[i]) : parts[i];
    }
  }
  return rows;
}

std::string ExpectedTotals(WeekDatabase& week, const DbRequest& request) {
  const std::vector<std::string> rows = QueryRows(
      week, "SELECT " + Figures(week.kind()) + kJoins + Where(week.kind(), request), "iiiitt");
  EXPECT_EQ(rows.size(), 1u);
  return rows.empty() ? "" : rows[0];
}

std::string TotalsText(const AnalysisTable& totals) {
  std::string out;
  for (int c = totals.HitsColumn(); c < totals.ColumnCount(); ++c) {
    if (totals.Columns()[c].kind == CellKind::Share) continue;
    if (!out.empty()) out += "\t";
    out += CellText(totals, 0, c, totals, CellStyle::Csv);
  }
  return out;
}

std::vector<std::string> SortedLikeTheAnalysis(std::vector<std::string> rows, DbSubject subject,
                                               int column, bool descending) {
  const AnalysisTable columns = DbColumns(subject);
  // Columns of the row texts: the table's without the share.
  std::vector<CellKind> kinds;
  std::vector<int> tableColumn;
  for (int c = 0; c < columns.ColumnCount(); ++c) {
    if (columns.Columns()[c].kind == CellKind::Share) continue;
    kinds.push_back(columns.Columns()[c].kind);
    tableColumn.push_back(c);
  }
  if (column < 0 || columns.Columns()[column].kind == CellKind::Share)
    column = columns.HitsColumn();
  const auto at = static_cast<std::size_t>(
      std::find(tableColumn.begin(), tableColumn.end(), column) - tableColumn.begin());
  auto less = [&](const std::string& a, const std::string& b, std::size_t i) {
    if (kinds[i] == CellKind::Text || kinds[i] == CellKind::Date) return a < b;
    return std::stod(a) < std::stod(b);
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const std::string& x, const std::string& y) {
    const std::vector<std::string> a = Split(x), b = Split(y);
    if (a[at] != b[at]) return descending ? less(b[at], a[at], at) : less(a[at], b[at], at);
    if (a[0] != b[0]) return less(a[0], b[0], 0);
    return subject == DbSubject::Errors && less(a[1], b[1], 1);
  });
  return rows;
}

}  // namespace kestrune::test
