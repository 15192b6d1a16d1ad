// AnalysisModel: the grid of the analysis window over an AnalysisTable. Row 0 is the
// totals row (bold); the table's rows follow, shown lazily: the view gets them in pages
// through canFetchMore/fetchMore, so that a result of a million rows shows its first
// rows at once. Rows arrive in chunks (Append) while a query still runs. Keys are shown
// as plain text, every byte visible (cell_text.h); nothing is ever read as markup.
// Clicking a header asks for another order (sortRequested): the window sorts the
// current statistics itself and asks the database to sort anew.
#pragma once

#include <QAbstractTableModel>

#include "analysis/analysis_table.h"

namespace kestrune {

class AnalysisModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit AnalysisModel(QObject* parent = nullptr);

  // A new result: `columns` gives the columns (its rows are taken too, all of them
  // complete when `complete`).
  void Reset(AnalysisTable table, bool complete);
  void Append(AnalysisTable&& chunk);
  void SetComplete();
  void SetTotals(AnalysisTable totals);

  const AnalysisTable& Table() const { return table_; }
  const AnalysisTable& Totals() const { return totals_; }
  bool Complete() const { return complete_; }
  // Rows of the table now in the grid (without the totals row).
  std::size_t ShownRows() const { return shown_; }
  // The text of a cell as the grid shows it; row 0 is the totals row.
  QString CellString(int row, int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  void sort(int column, Qt::SortOrder order) override;

  // Rows a fetchMore adds.
  static constexpr std::size_t kPageRows = 1000;

 signals:
  void sortRequested(int column, bool descending);

 private:
  void Show(std::size_t count);

  AnalysisTable table_;
  AnalysisTable totals_;
  std::size_t shown_ = 0;
  bool complete_ = true;
  bool wanting_ = false;  // the view asked for rows before they came
};

}  // namespace kestrune
