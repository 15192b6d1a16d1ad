// What the database-source tests share: a week of IIS log lines (several sites,
// visitors over several days, statuses, ties, hostile page names) imported through the
// real readers and the storage into a fresh SQLite file or PostgreSQL database, and the
// figures of each subject computed independently by plain GROUP BY queries over tblLogs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analysis/analysis_table.h"
#include "analysis/db_queries.h"
#include "analysis/db_reader.h"
#include "storage/storage_fixture.h"

namespace kestrune::test {

// The log lines of 2026-03-01 to 2026-03-07 (see analysis_fixture.cpp).
std::vector<std::string> WeekLogLines();

// A database of `kind` holding the week, imported as two files.
class WeekDatabase {
 public:
  explicit WeekDatabase(Kind kind);
  TestDatabase& db() { return *db_; }
  std::string Dsn() { return db_->Dsn(DsnForm::Driver); }
  Kind kind() const { return db_->kind(); }
  const clsImportStats& stats() const { return stats_; }

 private:
  std::unique_ptr<TestDatabase> db_;
  clsImportStats stats_;
};

// Each row of `table` as its CSV texts joined by tabs (the share left out), in its order.
std::vector<std::string> RowTexts(const AnalysisTable& table);

// Every row of the request through a DatabaseReader (fails the test on an error).
AnalysisTable ReadAll(const std::string& dsn, const DbRequest& request);

// The rows of `request` as plain GROUP BY queries compute them, in the form of RowTexts,
// in no particular order; and the figures of the totals (hits to last date) the same way.
std::vector<std::string> ExpectedRows(WeekDatabase& week, const DbRequest& request);
std::string ExpectedTotals(WeekDatabase& week, const DbRequest& request);
// The figures of a totals row in the form of ExpectedTotals.
std::string TotalsText(const AnalysisTable& totals);

// `rows` (RowTexts form, of DbColumns(subject)) sorted by `column` (-1: hits) as the
// analysis sorts: by that value, rising or falling, ties by the key rising.
std::vector<std::string> SortedLikeTheAnalysis(std::vector<std::string> rows, DbSubject subject,
                                               int column, bool descending);

}  // namespace kestrune::test
