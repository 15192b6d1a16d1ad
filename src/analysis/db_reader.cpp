#include "analysis/db_reader.h"

#include <thread>

#include "storage/database.h"
#include "storage/odbc.h"
#include "util/text.h"

namespace kestrune {
namespace {

// Every table and column the queries read, so that a database of another shape is
// refused at the start rather than at its first query.
const char* const kTableChecks[] = {
    "SELECT Date, Page, Visitor, SiteIP, Bytes, Statuscode FROM tblLogs WHERE 1=0",
    "SELECT ID, PageName FROM tblPages WHERE 1=0",
    "SELECT ID, Visitor FROM tblVisitors WHERE 1=0",
};

// The analysis session's settings on PostgreSQL, each tried on its own:
// - Compiling the large aggregations costs more than it saves here (half a second a
//   query).
// - The counts of distinct visitors sort every entry of the period; with the server's
//   default 4 MB a long period's sorts and groupings spill to disk. 64 MB keeps them in
//   memory (a larger setting of the server stays).
// - Each row of a long period's page list is sorted before it is grouped; the server
//   lets its workers share that sort only when it does not count every row handed back
//   to it as dear (the default, 0.1, keeps the whole sort in one process; a smaller
//   setting of the server stays).
const char* const kPostgresSession[] = {
    "SET jit = off",
    "SELECT set_config('work_mem', '64MB', false) WHERE "
    "pg_size_bytes(current_setting('work_mem')) < 64 * 1024 * 1024",
    "SELECT set_config('parallel_tuple_cost', '0.01', false) WHERE "
    "current_setting('parallel_tuple_cost')::float8 > 0.01",
};

// A period that covers at least this part of the days stored reads SQLite's tblLogs in
// the order of the subject's index rather than by the date index.
constexpr double kLongPeriodShare = 0.25;

void Bind(odbc::Statement& statement, const SqlQuery& query) {
  std::vector<odbc::ParamType> types;
  types.reserve(query.params.size());
  for (const BoundValue& value : query.params)
    types.push_back(value.kind == BoundValue::Kind::Text ? odbc::ParamType::Text
                                                         : odbc::ParamType::DateTime);
  statement.Prepare(query.sql, types);
  for (std::size_t i = 0; i < query.params.size(); ++i) {
    const BoundValue& value = query.params[i];
    if (value.kind == BoundValue::Kind::Text)
      statement.SetText(i, value.text);
    else
      statement.SetDateTime(i, value.date);
  }
}

// The day of a Date read back (0 stays 0).
TDateTime Day(odbc::Statement& statement, int column) {
  const TDateTime value = statement.GetDateTime(column);
  return value == 0 ? 0 : DayOf(value);
}

// Hands `rows` over as the reading of one query would: a first chunk of at most
// `firstChunk` rows, then chunks of `chunk` rows, until the sink says stop.
void HandOver(const AnalysisTable& rows, std::size_t firstChunk, std::size_t chunk,
              const DatabaseReader::RowSink& sink) {
  std::size_t limit = std::max<std::size_t>(firstChunk, 1);
  AnalysisTable part = rows.EmptyCopy();
  for (std::size_t r = 0; r < rows.RowCount(); ++r) {
    const std::size_t row = part.AddRow();
    for (int c = 0; c < rows.ColumnCount(); ++c) {
      if (rows.IsText(c))
        part.SetText(row, c, std::string(rows.Text(r, c)));
      else if (rows.Columns()[c].kind != CellKind::Share)
        part.SetNumber(row, c, rows.Number(r, c));
    }
    if (part.RowCount() >= limit || r + 1 == rows.RowCount()) {
      if (!sink(std::move(part))) return;
      part = rows.EmptyCopy();
      limit = std::max<std::size_t>(chunk, 1);
    }
  }
}

}  // namespace

struct DatabaseReader::Impl {
  std::string dsn;
  odbc::Environment env;
  odbc::Connection connection{env};
  bool spanRead = false;
  TDateTime first = 0, last = 0;
  int pageIndex = -1;  // SQLite: whether an index of tblLogs begins with Page; -1 not read
};

DatabaseReader::DatabaseReader() = default;

DatabaseReader::~DatabaseReader() = default;

bool DatabaseReader::IsOpen() const {
  return impl_ && impl_->connection.Connected();
}

bool DatabaseReader::Open(const std::string& dsn, std::string& reason) {
  reason.clear();
  impl_.reset();
  if (TrimBlanks(dsn).empty()) {
    reason = kNoDsnText;
    return false;
  }
  try {
    impl_ = std::make_unique<Impl>();
    impl_->dsn = dsn;
    impl_->connection.Connect(Database::ConnectionString(dsn));
  } catch (const std::exception& e) {
    reason = std::string("The data source could not be opened: ") + e.what();
    impl_.reset();
    return false;
  }
  try {
    const std::string dbms = impl_->connection.DbmsName();
    dialect_ = dbms == "SQLite" ? Dialect::SQLite : Dialect::PostgreSQL;
    // PostgreSQL keeps UTF-8 only: texts travel as UTF-16, as the storage sends them.
    impl_->connection.SetTextMode(dbms == "PostgreSQL" ? odbc::TextMode::Utf16
                                                       : odbc::TextMode::Bytes);
    odbc::Statement statement(impl_->connection);
    // The analysis only reads: the database refuses any write on this connection.
    statement.ExecuteDirect(dialect_ == Dialect::SQLite
                                ? "PRAGMA query_only = 1"
                                : "SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
    if (dialect_ == Dialect::PostgreSQL) {
      // A server without a setting, or one that refuses it, keeps its own.
      for (const char* sql : kPostgresSession) {
        try {
          statement.ExecuteDirect(sql);
          statement.CloseCursor();
        } catch (const std::exception&) {
        }
      }
    }
  } catch (const std::exception& e) {
    reason = std::string("The data source could not be opened: ") + e.what();
    impl_.reset();
    return false;
  }
  try {
    odbc::Statement statement(impl_->connection);
    for (const char* sql : kTableChecks) statement.ExecuteDirect(sql);
  } catch (const std::exception& e) {
    reason = std::string(
                 "The data source has no tables of the database storage (tblLogs, tblPages and "
                 "tblVisitors, as scripts/setup-database creates them): ") +
             e.what();
    impl_.reset();
    return false;
  }
  return true;
}

void DatabaseReader::Cancel() {
  cancelled_ = true;
  std::lock_guard<std::mutex> lock(running_);
  if (statement_) statement_->Cancel();
  if (sibling_) sibling_->Cancel();
}

std::unique_ptr<odbc::Statement> DatabaseReader::NewStatement(std::string& error) {
  if (!IsOpen()) {
    error = "The data source is not open.";
    return nullptr;
  }
  try {
    return std::make_unique<odbc::Statement>(impl_->connection);
  } catch (const std::exception& e) {
    error = e.what();
    return nullptr;
  }
}

bool DatabaseReader::Run(odbc::Statement& statement, const SqlQuery& query, std::string& error) {
  {
    std::lock_guard<std::mutex> lock(running_);
    if (cancelled_) {
      error = kCancelledText;
      return false;
    }
    statement_ = &statement;
  }
  try {
    Bind(statement, query);
    statement.Execute();
  } catch (const std::exception& e) {
    Unregister();
    error = cancelled_ ? kCancelledText : e.what();
    return false;
  }
  return true;
}

void DatabaseReader::Unregister() {
  std::lock_guard<std::mutex> lock(running_);
  statement_ = nullptr;
}

bool DatabaseReader::ReadSpan(TDateTime& first, TDateTime& last, std::string& error) {
  if (impl_ && impl_->spanRead) {
    first = impl_->first;
    last = impl_->last;
    return true;
  }
  first = last = 0;
  auto made = NewStatement(error);
  if (!made) return false;
  odbc::Statement& statement = *made;
  if (!Run(statement, SpanQuery(), error)) return false;
  try {
    if (statement.Fetch()) {
      first = Day(statement, 0);
      last = Day(statement, 1);
    }
    statement.CloseCursor();
  } catch (const std::exception& e) {
    Unregister();
    error = cancelled_ ? kCancelledText : e.what();
    return false;
  }
  Unregister();
  impl_->spanRead = true;
  impl_->first = first;
  impl_->last = last;
  return true;
}

bool DatabaseReader::HasPageIndex() {
  if (impl_->pageIndex < 0) {
    impl_->pageIndex = 0;
    try {
      odbc::Statement statement(impl_->connection);
      statement.ExecuteDirect(
          "SELECT COUNT(*) FROM sqlite_master m, pragma_index_info(m.name) i WHERE m.type = "
          "'index' AND lower(m.tbl_name) = 'tbllogs' AND i.seqno = 0 AND lower(i.name) = 'page'");
      if (statement.Fetch()) impl_->pageIndex = statement.GetInteger(0) > 0 ? 1 : 0;
      statement.CloseCursor();
    } catch (const std::exception&) {
      // Read by the date index, as without one.
    }
  }
  return impl_->pageIndex == 1;
}

ScanPlan DatabaseReader::PlanFor(const DbRequest& request) {
  if (dialect_ != Dialect::SQLite || request.subject != DbSubject::Pages || request.period.all)
    return ScanPlan::ByDate;
  // Without an index by page the other order is a scan of the whole table, slower than
  // the date index that holds every column the query reads.
  if (!HasPageIndex()) return ScanPlan::ByDate;
  return LongPeriod(request) ? ScanPlan::BySubject : ScanPlan::ByDate;
}

bool DatabaseReader::LongPeriod(const DbRequest& request) {
  if (request.period.all) return true;
  TDateTime first = 0, last = 0;
  std::string ignored;
  if (!ReadSpan(first, last, ignored) || first == 0) return false;
  const double stored = last - first + 1;
  const double from = std::max(first, request.period.from);
  const double to = std::min(last, request.period.to);
  const double covered = to >= from ? to - from + 1 : 0;
  return covered >= stored * kLongPeriodShare;
}

bool DatabaseReader::SplitsInHalves(const DbRequest& request) {
  return dialect_ == Dialect::SQLite && request.subject == DbSubject::Pages &&
         std::thread::hardware_concurrency() > 1 && !HasPageIndex() && LongPeriod(request);
}

bool DatabaseReader::ReadRows(const DbRequest& request, std::size_t firstChunk, std::size_t chunk,
                              const RowSink& sink, std::string& error) {
  error.clear();
  if (request.period.Empty()) return true;
  if (SplitsInHalves(request)) return ReadHalves(request, firstChunk, chunk, sink, error);
  return ReadPart(request, PlanFor(request), PageHalf::All, firstChunk, chunk, sink, error);
}

bool DatabaseReader::ReadHalves(const DbRequest& request, std::size_t firstChunk, std::size_t chunk,
                                const RowSink& sink, std::string& error) {
  DatabaseReader odd;
  std::string reason;
  if (!odd.Open(impl_->dsn, reason))  // one connection still serves
    return ReadPart(request, ScanPlan::ByDate, PageHalf::All, firstChunk, chunk, sink, error);
  {
    std::lock_guard<std::mutex> lock(running_);
    if (cancelled_) {
      error = kCancelledText;
      return false;
    }
    sibling_ = &odd;
  }
  // Each half is read whole: a grouping query hands over its first row only once it has
  // grouped every entry, so little is lost by not showing the first half's rows early.
  auto gather = [](AnalysisTable& into) {
    return [&into](AnalysisTable&& part) {
      into.Append(std::move(part));
      return true;
    };
  };
  const std::size_t whole = static_cast<std::size_t>(-1);
  AnalysisTable rows = DbColumns(request.subject), oddRows = rows.EmptyCopy();
  std::string oddError;
  bool oddOk = false;
  std::thread thread([&] {
    oddOk = odd.ReadPart(request, ScanPlan::ByDate, PageHalf::Odd, whole, whole, gather(oddRows),
                         oddError);
  });
  const bool evenOk =
      ReadPart(request, ScanPlan::ByDate, PageHalf::Even, whole, whole, gather(rows), error);
  thread.join();
  {
    std::lock_guard<std::mutex> lock(running_);
    sibling_ = nullptr;
  }
  if (!evenOk) return false;
  if (!oddOk) {
    error = oddError;
    return false;
  }
  if (cancelled_) {
    error = kCancelledText;
    return false;
  }
  rows.Append(std::move(oddRows));
  // The order of the SQL: the column (the hits for none it has), then the key rising.
  const bool byColumn = request.sortColumn >= 0 && request.sortColumn < rows.ColumnCount();
  rows.Sort(byColumn ? request.sortColumn : rows.HitsColumn(), request.descending);
  HandOver(rows, firstChunk, chunk, sink);
  return true;
}

bool DatabaseReader::ReadPart(const DbRequest& request, ScanPlan plan, PageHalf half,
                              std::size_t firstChunk, std::size_t chunk, const RowSink& sink,
                              std::string& error) {
  auto made = NewStatement(error);
  if (!made) return false;
  odbc::Statement& statement = *made;
  if (!Run(statement, RowsQuery(request, dialect_, plan, half), error)) return false;

  const AnalysisTable columns = DbColumns(request.subject);
  const bool errors = request.subject == DbSubject::Errors;
  const int figures = errors ? 2 : 1;  // the table column of the hits
  const CellKind keyKind = columns.Columns()[0].kind;
  AnalysisTable rows = columns.EmptyCopy();
  std::size_t limit = std::max<std::size_t>(firstChunk, 1);
  bool ok = true;
  try {
    while (!cancelled_ && statement.Fetch()) {
      const std::size_t row = rows.AddRow();
      int at = 0;
      switch (keyKind) {
        case CellKind::Text:
          rows.SetText(row, 0, statement.GetText(at++));
          break;
        case CellKind::Date:
          rows.SetNumber(row, 0, Day(statement, at++));
          break;
        default:
          rows.SetNumber(row, 0, static_cast<double>(statement.GetInteger(at++)));
          break;
      }
      if (errors) rows.SetNumber(row, 1, static_cast<double>(statement.GetInteger(at++)));
      rows.SetNumber(row, figures, static_cast<double>(statement.GetInteger(at++)));  // hits
      rows.SetNumber(row, figures + 2,
                     static_cast<double>(statement.GetInteger(at++)));  // visitors
      rows.SetNumber(row, figures + 3, static_cast<double>(statement.GetInteger(at++)));  // visits
      rows.SetNumber(row, figures + 4, static_cast<double>(statement.GetInteger(at++)));  // bytes
      rows.SetNumber(row, figures + 5, Day(statement, at++));
      rows.SetNumber(row, figures + 6, Day(statement, at++));
      if (rows.RowCount() >= limit) {
        AnalysisTable full = std::move(rows);
        rows = columns.EmptyCopy();
        limit = std::max<std::size_t>(chunk, 1);
        if (!sink(std::move(full))) break;
      }
    }
    statement.CloseCursor();
  } catch (const std::exception& e) {
    error = cancelled_ ? kCancelledText : e.what();
    ok = false;
  }
  Unregister();
  if (ok && cancelled_) {
    error = kCancelledText;
    ok = false;
  }
  if (ok && !rows.Empty()) sink(std::move(rows));
  return ok;
}

bool DatabaseReader::ReadTotals(const DbRequest& request, AnalysisTable& totals,
                                std::string& error) {
  error.clear();
  totals = DbColumns(request.subject);
  totals.AddRow();
  if (totals.IsText(0)) totals.SetText(0, 0, "Total");
  if (request.period.Empty()) return true;
  auto made = NewStatement(error);
  if (!made) return false;
  odbc::Statement& statement = *made;
  if (!Run(statement, TotalsQuery(request, dialect_), error)) return false;
  const int hits = totals.HitsColumn();
  bool ok = true;
  try {
    if (statement.Fetch()) {
      totals.SetNumber(0, hits, static_cast<double>(statement.GetInteger(0)));
      totals.SetNumber(0, hits + 2, static_cast<double>(statement.GetInteger(1)));
      totals.SetNumber(0, hits + 3, static_cast<double>(statement.GetInteger(2)));
      totals.SetNumber(0, hits + 4, static_cast<double>(statement.GetInteger(3)));
      totals.SetNumber(0, hits + 5, Day(statement, 4));
      totals.SetNumber(0, hits + 6, Day(statement, 5));
    }
    statement.CloseCursor();
  } catch (const std::exception& e) {
    error = cancelled_ ? kCancelledText : e.what();
    ok = false;
  }
  Unregister();
  return ok;
}

bool DatabaseReader::ReadSeries(const DbRequest& request, std::vector<DayPoint>& series,
                                std::string& error) {
  error.clear();
  series.clear();
  if (request.period.Empty()) return true;
  auto made = NewStatement(error);
  if (!made) return false;
  odbc::Statement& statement = *made;
  if (!Run(statement, SeriesQuery(request, dialect_), error)) return false;
  bool ok = true;
  try {
    while (!cancelled_ && statement.Fetch()) {
      DayPoint point;
      point.day = Day(statement, 0);
      point.hits = static_cast<double>(statement.GetInteger(1));
      point.visitors = static_cast<double>(statement.GetInteger(2));
      series.push_back(point);
    }
    statement.CloseCursor();
  } catch (const std::exception& e) {
    error = cancelled_ ? kCancelledText : e.what();
    ok = false;
  }
  Unregister();
  if (ok && cancelled_) {
    error = kCancelledText;
    ok = false;
  }
  return ok;
}

}  // namespace kestrune
