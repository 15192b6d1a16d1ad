// DatabaseReader: the database source. It connects to the data source of the DSN field
// for reading only (SQLite: PRAGMA query_only; PostgreSQL: read-only transactions),
// checks that the storage's tables are there, and runs the queries of db_queries.h,
// handing over the rows in chunks as they are fetched. Nothing here throws: every
// failure (no DSN, a DSN that does not connect, tables missing, a query the database
// refuses) comes back as a reason text the window can show. One reader serves one
// thread; Cancel() may be called from any other thread and makes the call running
// there stop with kCancelledText.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "analysis/analysis_table.h"
#include "analysis/db_queries.h"

namespace kestrune {

namespace odbc {
class Statement;
}

constexpr const char* kNoDsnText =
    "No data source is set: type its name into the DSN field of the Database page.";
constexpr const char* kCancelledText = "Cancelled.";

// Hits and visitors of one day, for the chart.
struct DayPoint {
  TDateTime day = 0;
  double hits = 0;
  double visitors = 0;
};

class DatabaseReader {
 public:
  DatabaseReader();
  ~DatabaseReader();
  DatabaseReader(const DatabaseReader&) = delete;
  DatabaseReader& operator=(const DatabaseReader&) = delete;

  // Connects to `dsn` (any form the storage takes) and checks the tables; false with
  // `reason` set when the database cannot serve the analysis.
  bool Open(const std::string& dsn, std::string& reason);
  bool IsOpen() const;
  Dialect SqlDialect() const { return dialect_; }

  // Receives the rows in chunks; returning false stops the reading (not an error).
  using RowSink = std::function<bool(AnalysisTable&& chunk)>;
  // The rows of `request`, the first chunk of at most `firstChunk` rows, then chunks of
  // `chunk` rows. An empty period reads nothing. False with `error` on failure.
  bool ReadRows(const DbRequest& request, std::size_t firstChunk, std::size_t chunk,
                const RowSink& sink, std::string& error);
  // The totals row of `request` (key "Total"; visitors and visits counted once).
  bool ReadTotals(const DbRequest& request, AnalysisTable& totals, std::string& error);
  // Hits and visitors per day of `request`, in date order.
  bool ReadSeries(const DbRequest& request, std::vector<DayPoint>& series, std::string& error);
  // The first and last day stored (both 0 when tblLogs is empty).
  bool ReadSpan(TDateTime& first, TDateTime& last, std::string& error);

  // Stops the statement running on the reader's thread and every later one.
  void Cancel();
  bool Cancelled() const { return cancelled_; }

 private:
  struct Impl;
  // Prepares, binds and runs `query`; the statement is then open for fetching. Registers
  // it so that Cancel can reach it.
  bool Run(odbc::Statement& statement, const SqlQuery& query, std::string& error);
  std::unique_ptr<odbc::Statement> NewStatement(std::string& error);
  void Unregister();
  // How the rows query reads tblLogs for `request` (SQLite only; see ScanPlan).
  ScanPlan PlanFor(const DbRequest& request);
  // Whether `request` covers at least kLongPeriodShare of the days stored.
  bool LongPeriod(const DbRequest& request);
  // SQLite's page list over a long period without an index by page: the even and the
  // odd pages are grouped at once on two connections (the grouping is the query's whole
  // cost, and SQLite groups on one processor), then sorted here as the SQL sorts.
  bool SplitsInHalves(const DbRequest& request);
  bool ReadHalves(const DbRequest& request, std::size_t firstChunk, std::size_t chunk,
                  const RowSink& sink, std::string& error);
  bool ReadPart(const DbRequest& request, ScanPlan plan, PageHalf half, std::size_t firstChunk,
                std::size_t chunk, const RowSink& sink, std::string& error);
  // SQLite: whether an index of tblLogs begins with Page (read once).
  bool HasPageIndex();

  std::unique_ptr<Impl> impl_;
  Dialect dialect_ = Dialect::SQLite;
  std::atomic<bool> cancelled_{false};
  std::mutex running_;
  odbc::Statement* statement_ = nullptr;  // guarded by running_
  DatabaseReader* sibling_ = nullptr;     // the other half's reader; guarded by running_
};

}  // namespace kestrune
