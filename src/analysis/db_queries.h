// The SQL of the database source: for each subject the query of its rows (aggregated
// over tblLogs, sorted in SQL by any column, ties by the key), the totals, the hits and
// visitors per day for the chart, and the first and last day stored. Every value a user
// gives (dates, site, filter text) is a bound parameter; the SQL text is put together
// from fixed pieces only.
//
// Figures: hits are tblLogs rows; visitors are distinct tblLogs.Visitor; visits are
// distinct visitor-days (the storage counts a session per visitor and day); bytes the
// sum of tblLogs.Bytes; first and last date the earliest and latest Date. Error pages
// are the entries with a status above 399 (as tblErrors counts them), by page and status.
// The totals count every visitor and visit once, however many rows they appear in.
#pragma once

#include <string>
#include <vector>

#include "analysis/analysis_table.h"
#include "analysis/period.h"
#include "analysis/subjects.h"
#include "util/datetime.h"

namespace kestrune {

enum class Dialect { SQLite, PostgreSQL };

struct DbRequest {
  DbSubject subject = DbSubject::Pages;
  Period period;
  std::string site;     // tblLogs.SiteIP exactly; empty: every site
  std::string filter;   // a text the key contains, letter case ignored; empty: every key
  int sortColumn = -1;  // a column of DbColumns(subject); -1: the hits
  bool descending = true;
};

struct BoundValue {
  enum class Kind { Text, DateTime } kind = Kind::Text;
  std::string text;
  TDateTime date = 0;
};

struct SqlQuery {
  std::string sql;
  std::vector<BoundValue> params;
};

// The columns of a subject's rows: the key (and for error pages the status), hits,
// share, visitors, visits, bytes, first and last date.
AnalysisTable DbColumns(DbSubject subject);

// How the rows query reads tblLogs on SQLite: by the date index (a short period), or in
// the order of the subject's own index, testing each entry's date (a long period, where
// that is faster). PostgreSQL's planner chooses by itself.
enum class ScanPlan { ByDate, BySubject };

// Which pages a rows query of the page list reads: all of them, or one of two halves
// (the even IDs with the entries of no page, or the odd IDs) that together hold every
// page once, so that two connections can each group one.
enum class PageHalf { All, Even, Odd };

SqlQuery RowsQuery(const DbRequest& request, Dialect dialect, ScanPlan plan = ScanPlan::ByDate,
                   PageHalf half = PageHalf::All);
// One row: hits, visitors, visits, bytes, first date, last date.
SqlQuery TotalsQuery(const DbRequest& request, Dialect dialect);
// Per day, in date order: the day, hits, visitors.
SqlQuery SeriesQuery(const DbRequest& request, Dialect dialect);
// One row: the first and the last Date of tblLogs.
SqlQuery SpanQuery();

}  // namespace kestrune
