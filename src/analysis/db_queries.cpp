#include "analysis/db_queries.h"

namespace kestrune {
namespace {

// A visitor and a day number as one integer: day numbers of years 1 to 9999 span fewer
// than 2^22 days, so different pairs give different numbers.
constexpr const char* kVisitShift = " * 4194304 + ";

// The day of a Date as an integer (the same for every time of that day).
std::string DayNumber(Dialect dialect, const std::string& column) {
  if (dialect == Dialect::SQLite) return "CAST(julianday(" + column + ") + 0.5 AS INTEGER)";
  return "(CAST(" + column + " AS DATE) - DATE '2000-01-01')";
}

// A case-blind "contains the parameter" test on a text expression.
std::string Contains(Dialect dialect, const std::string& text) {
  if (dialect == Dialect::SQLite) return "instr(lower(" + text + "), lower(?)) > 0";
  return "strpos(lower(" + text + "), lower(?)) > 0";
}

// A key text, ordered byte by byte (code point by code point in UTF-8).
std::string KeyText(Dialect dialect, const std::string& text) {
  if (dialect == Dialect::SQLite) return text;
  return text + " COLLATE \"C\"";
}

struct Where {
  std::string sql;  // " WHERE ..." or empty
  std::vector<BoundValue> params;
  void Add(const std::string& condition) { sql += (sql.empty() ? " WHERE " : " AND ") + condition; }
  void AddText(const std::string& condition, const std::string& value) {
    Add(condition);
    params.push_back({BoundValue::Kind::Text, value, 0});
  }
};

// The conditions on the tblLogs rows L of a request.
Where Conditions(const DbRequest& request, Dialect dialect, ScanPlan plan,
                 PageHalf half = PageHalf::All) {
  Where where;
  // Complementary, a NULL page and negative IDs included.
  if (half == PageHalf::Even) where.Add("(L.Page IS NULL OR L.Page % 2 = 0)");
  if (half == PageHalf::Odd) where.Add("L.Page % 2 <> 0");
  if (!request.period.all) {
    // "+L.Date" keeps SQLite from reading by the date index.
    const std::string date =
        dialect == Dialect::SQLite && plan == ScanPlan::BySubject ? "+L.Date" : "L.Date";
    where.Add(date + " >= ?");
    where.params.push_back({BoundValue::Kind::DateTime, "", request.period.from});
    where.Add(date + " < ?");
    where.params.push_back({BoundValue::Kind::DateTime, "", request.period.End()});
  }
  if (!request.site.empty()) where.AddText("L.SiteIP = ?", request.site);
  if (request.subject == DbSubject::Errors) where.Add("L.Statuscode > 399");
  if (!request.filter.empty()) {
    std::string test;
    switch (request.subject) {
      case DbSubject::Pages:
      case DbSubject::Errors:
        test = "L.Page IN (SELECT ID FROM tblPages WHERE " + Contains(dialect, "PageName") + ")";
        break;
      case DbSubject::Visitors:
        test =
            "L.Visitor IN (SELECT ID FROM tblVisitors WHERE " + Contains(dialect, "Visitor") + ")";
        break;
      case DbSubject::Days:
        test = Contains(dialect, dialect == Dialect::SQLite ? "substr(L.Date, 1, 10)"
                                                            : "to_char(L.Date, 'YYYY-MM-DD')");
        break;
      case DbSubject::Status:
        test = Contains(dialect, dialect == Dialect::SQLite ? "CAST(L.Statuscode AS TEXT)"
                                                            : "CAST(L.Statuscode AS VARCHAR)");
        break;
      case DbSubject::Sites:
        test = Contains(dialect, "L.SiteIP");
        break;
    }
    where.AddText(test, request.filter);
  }
  return where;
}

// The entries grouped by Date and visitor (and `group`): per group its visitor `vis`, day
// number `d`, hits `h`, bytes `b`, first and last Date `f`, `l`. On SQLite the grouping
// follows the date index (Date, Visitor, SiteIP, Statuscode, Page), so no sort is needed.
// Date is a grouping key, so the group's Date is its first and last one and its day is
// worked out once per group rather than for every entry.
std::string VisitorDays(Dialect dialect, const Where& where, const std::string& select,
                        const std::string& group) {
  return "SELECT L.Visitor AS vis, " + DayNumber(dialect, "L.Date") + " AS d" + select +
         ", COUNT(*) AS h, SUM(L.Bytes) AS b, L.Date AS f, L.Date AS l FROM tblLogs L" + where.sql +
         " GROUP BY L.Date, L.Visitor" + group;
}

// The output alias of a column of DbColumns(subject).
std::string Alias(DbSubject subject, int column) {
  const bool errors = subject == DbSubject::Errors;
  if (column <= 0) return "k";
  if (errors && column == 1) return "s";
  static const char* const kFigures[] = {"h", "h", "u", "v", "b", "f", "l"};
  const int figure = column - (errors ? 2 : 1);
  if (figure < 0 || figure >= 7) return "h";
  return kFigures[figure];
}

std::string OrderBy(const DbRequest& request) {
  const std::string keys = request.subject == DbSubject::Errors ? "k, s" : "k";
  const int column =
      request.sortColumn < 0 ? (request.subject == DbSubject::Errors ? 2 : 1) : request.sortColumn;
  const std::string alias = Alias(request.subject, column);
  const char* direction = request.descending ? " DESC" : "";
  if (alias == "k")
    return " ORDER BY k" + std::string(direction) +
           (request.subject == DbSubject::Errors ? ", s" : "");
  return " ORDER BY " + alias + direction + ", " + keys;
}

const char* const kFigures = "a.h, a.u, a.v, a.b, a.f, a.l";

}  // namespace

AnalysisTable DbColumns(DbSubject subject) {
  std::vector<Column> columns;
  switch (subject) {
    case DbSubject::Pages:
      columns.push_back({"Page", CellKind::Text, TotalRule::None});
      break;
    case DbSubject::Visitors:
      columns.push_back({"Visitor", CellKind::Text, TotalRule::None});
      break;
    case DbSubject::Days:
      columns.push_back({"Day", CellKind::Date, TotalRule::None});
      break;
    case DbSubject::Status:
      columns.push_back({"Status", CellKind::Code, TotalRule::None});
      break;
    case DbSubject::Errors:
      columns.push_back({"Page", CellKind::Text, TotalRule::None});
      columns.push_back({"Status", CellKind::Code, TotalRule::None});
      break;
    case DbSubject::Sites:
      columns.push_back({"Site", CellKind::Text, TotalRule::None});
      break;
  }
  const int hits = static_cast<int>(columns.size());
  columns.push_back({"Hits", CellKind::Count, TotalRule::Sum});
  columns.push_back({"Share %", CellKind::Share, TotalRule::None});
  columns.push_back({"Visitors", CellKind::Count, TotalRule::Distinct});
  columns.push_back({"Visits", CellKind::Count, TotalRule::Distinct});
  columns.push_back({"Bytes", CellKind::Bytes, TotalRule::Sum});
  columns.push_back({"First date", CellKind::Date, TotalRule::Min});
  columns.push_back({"Last date", CellKind::Date, TotalRule::Max});
  return AnalysisTable(std::move(columns), hits);
}

SqlQuery RowsQuery(const DbRequest& request, Dialect dialect, ScanPlan plan, PageHalf half) {
  const DbSubject subject = request.subject;
  const bool pages = subject == DbSubject::Pages;
  const Where where =
      Conditions(request, dialect, pages ? plan : ScanPlan::ByDate, pages ? half : PageHalf::All);
  const std::string visit = std::string("vis") + kVisitShift + "d";
  std::string sql;
  switch (subject) {
    case DbSubject::Pages: {
      // Pages hardly repeat within a visitor's day: one grouping by page, in the order of
      // the page index (Page, Visitor, Date) over a long period.
      const std::string inner =
          "SELECT L.Page AS id, COUNT(*) AS h, COUNT(DISTINCT L.Visitor) AS u, COUNT(DISTINCT "
          "L.Visitor" +
          std::string(kVisitShift) + DayNumber(dialect, "L.Date") +
          ") AS v, COALESCE(SUM(L.Bytes), 0) AS b, MIN(L.Date) AS f, MAX(L.Date) AS l "
          "FROM tblLogs L" +
          where.sql + " GROUP BY L.Page";
      sql = "SELECT " + KeyText(dialect, "COALESCE(P.PageName, '')") + " AS k, " + kFigures +
            " FROM (" + inner + ") a LEFT JOIN tblPages P ON P.ID = a.id";
      break;
    }
    case DbSubject::Visitors: {
      const std::string perVisitor =
          "SELECT vis, SUM(h) AS h, 1 AS u, COUNT(DISTINCT d) AS v, COALESCE(SUM(b), 0) AS b, "
          "MIN(f) AS f, MAX(l) AS l FROM (" +
          VisitorDays(dialect, where, "", "") + ") t GROUP BY vis";
      sql = "SELECT " + KeyText(dialect, "COALESCE(V.Visitor, '')") + " AS k, " + kFigures +
            " FROM (" + perVisitor + ") a LEFT JOIN tblVisitors V ON V.ID = a.vis";
      break;
    }
    case DbSubject::Days:
      sql =
          "SELECT MIN(f) AS k, SUM(h) AS h, COUNT(DISTINCT vis) AS u, COUNT(DISTINCT vis) AS v, "
          "COALESCE(SUM(b), 0) AS b, MIN(f) AS f, MAX(l) AS l FROM (" +
          VisitorDays(dialect, where, "", "") + ") t GROUP BY d";
      break;
    case DbSubject::Status:
      sql = "SELECT s AS k, SUM(h) AS h, COUNT(DISTINCT vis) AS u, COUNT(DISTINCT " + visit +
            ") AS v, COALESCE(SUM(b), 0) AS b, MIN(f) AS f, MAX(l) AS l FROM (" +
            VisitorDays(dialect, where, ", L.Statuscode AS s", ", L.SiteIP, L.Statuscode") +
            ") t GROUP BY s";
      break;
    case DbSubject::Sites:
      sql = "SELECT " + KeyText(dialect, "COALESCE(s, '')") +
            " AS k, SUM(h) AS h, COUNT(DISTINCT vis) AS u, COUNT(DISTINCT " + visit +
            ") AS v, COALESCE(SUM(b), 0) AS b, MIN(f) AS f, MAX(l) AS l FROM (" +
            VisitorDays(dialect, where, ", L.SiteIP AS s", ", L.SiteIP") + ") t GROUP BY s";
      break;
    case DbSubject::Errors: {
      const std::string perPage =
          "SELECT pg, s, SUM(h) AS h, COUNT(DISTINCT vis) AS u, COUNT(DISTINCT " + visit +
          ") AS v, COALESCE(SUM(b), 0) AS b, MIN(f) AS f, MAX(l) AS l FROM (" +
          VisitorDays(dialect, where, ", L.Statuscode AS s, L.Page AS pg",
                      ", L.SiteIP, L.Statuscode, L.Page") +
          ") t GROUP BY pg, s";
      sql = "SELECT " + KeyText(dialect, "COALESCE(P.PageName, '')") + " AS k, a.s, " + kFigures +
            " FROM (" + perPage + ") a LEFT JOIN tblPages P ON P.ID = a.pg";
      break;
    }
  }
  return {sql + OrderBy(request), where.params};
}

SqlQuery TotalsQuery(const DbRequest& request, Dialect dialect) {
  const Where where = Conditions(request, dialect, ScanPlan::ByDate);
  return {"SELECT COALESCE(SUM(h), 0), COUNT(DISTINCT vis), COUNT(DISTINCT vis" +
              std::string(kVisitShift) + "d), COALESCE(SUM(b), 0), MIN(f), MAX(l) FROM (" +
              VisitorDays(dialect, where, "", "") + ") t",
          where.params};
}

SqlQuery SeriesQuery(const DbRequest& request, Dialect dialect) {
  const Where where = Conditions(request, dialect, ScanPlan::ByDate);
  return {"SELECT MIN(f) AS k, SUM(h) AS h, COUNT(DISTINCT vis) AS u FROM (" +
              VisitorDays(dialect, where, "", "") + ") t GROUP BY d ORDER BY k",
          where.params};
}

SqlQuery SpanQuery() {
  // Two subqueries: each is one step down the date index (MIN and MAX in one SELECT
  // would read the whole table).
  return {"SELECT (SELECT MIN(Date) FROM tblLogs), (SELECT MAX(Date) FROM tblLogs)", {}};
}

}  // namespace kestrune
