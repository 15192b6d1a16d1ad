// AnalysisTable: the rows of one analysis subject, as the grid, the chart and the CSV
// file show them. Column 0 is the key. Each column has a kind that says how its value is
// kept and written: texts are kept as text, everything else as a number (counts and
// byte sums exactly up to 2^53, date-time values as days). A Share column keeps nothing:
// it is the row's hits as a part of the totals' hits, in percent.
//
// The rows are stored flat (one vector of texts, one of numbers), so that a table of a
// million rows costs little more than its keys.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

enum class CellKind {
  Text,      // any bytes
  Count,     // an integer
  Bytes,     // a byte sum, an integer
  Seconds,   // a time sum in seconds (or the log's unit of time taken)
  Share,     // hits of the row / hits of the totals, in percent (derived)
  Date,      // a day (date-time value), 0 = none
  DateTime,  // a date-time value, 0 = none
  Flag,      // 0 or 1, written "No" / "Yes"
  Code,      // an integer key (an HTTP status)
};

// How the totals row gets a column's value. Distinct: counted once over all rows (the
// distinct visitors of a period), which only the source can tell: Totals() leaves it 0.
enum class TotalRule { None, Sum, Min, Max, Distinct };

struct Column {
  std::string title;
  CellKind kind = CellKind::Count;
  TotalRule total = TotalRule::Sum;
};

class AnalysisTable {
 public:
  AnalysisTable() = default;
  // `hitsColumn` is the column a Share column takes its part of (-1 when none).
  AnalysisTable(std::vector<Column> columns, int hitsColumn);

  const std::vector<Column>& Columns() const { return columns_; }
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  int HitsColumn() const { return hitsColumn_; }
  bool IsText(int column) const { return columns_[column].kind == CellKind::Text; }
  std::size_t RowCount() const { return rows_; }
  bool Empty() const { return rows_ == 0; }

  // Appends a row of empty texts and zeros; its index.
  std::size_t AddRow();
  void SetText(std::size_t row, int column, std::string text);
  void SetNumber(std::size_t row, int column, double value);
  std::string_view Text(std::size_t row, int column) const;
  // The number of a column that is not text; for a Share column, 0 (see ShareOf).
  double Number(std::size_t row, int column) const;

  // Moves the rows of `other` (same columns) to the end of this table.
  void Append(AnalysisTable&& other);
  void Clear();
  // The same columns, no rows.
  AnalysisTable EmptyCopy() const;

  // Sorts by `column` (a Share column sorts as the hits), rising or falling; rows equal
  // in it keep the order of their keys (rising, byte by byte; an integer key by value).
  void Sort(int column, bool descending);

  // The totals of the rows, as one row: the key "Total", every column by its rule.
  AnalysisTable Totals() const;

 private:
  std::vector<Column> columns_;
  int hitsColumn_ = -1;
  std::vector<int> slot_;  // per column: index among its row's texts or numbers (-1: none)
  std::size_t textCount_ = 0, numberCount_ = 0;
  std::size_t rows_ = 0;
  std::vector<std::string> texts_;
  std::vector<double> numbers_;
};

// The share of `row`'s hits in `totals` (a one-row table of the same columns), percent;
// 0 when the totals hold no hits.
double ShareOf(const AnalysisTable& table, std::size_t row, const AnalysisTable& totals);

}  // namespace kestrune
