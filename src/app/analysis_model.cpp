#include "app/analysis_model.h"

#include <QFont>

#include "analysis/cell_text.h"

namespace kestrune {

AnalysisModel::AnalysisModel(QObject* parent) : QAbstractTableModel(parent) {}

void AnalysisModel::Reset(AnalysisTable table, bool complete) {
  beginResetModel();
  table_ = std::move(table);
  totals_ = complete ? table_.Totals() : AnalysisTable();
  complete_ = complete;
  shown_ = std::min(table_.RowCount(), kPageRows);
  wanting_ = false;
  endResetModel();
}

void AnalysisModel::Show(std::size_t count) {
  count = std::min(count, table_.RowCount() - shown_);
  if (count == 0) return;
  const int first = static_cast<int>(shown_) + 1;
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(count) - 1);
  shown_ += count;
  endInsertRows();
}

void AnalysisModel::Append(AnalysisTable&& chunk) {
  table_.Append(std::move(chunk));
  // The first page shows at once; later rows when the view asks for them (or asked).
  if (shown_ < kPageRows)
    Show(kPageRows - shown_);
  else if (wanting_)
    Show(kPageRows);
  wanting_ = false;
}

void AnalysisModel::SetComplete() {
  complete_ = true;
}

void AnalysisModel::SetTotals(AnalysisTable totals) {
  totals_ = std::move(totals);
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int AnalysisModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || table_.ColumnCount() == 0) return 0;
  return static_cast<int>(shown_) + 1;
}

int AnalysisModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.ColumnCount();
}

QString AnalysisModel::CellString(int row, int column) const {
  if (row == 0) {
    // The totals row: "Total" as its key, the figures that have a total, nothing else.
    if (column == 0) return QStringLiteral("Total");
    if (totals_.Empty()) return QString();
    const Column& c = totals_.Columns()[column];
    if (c.kind == CellKind::Text || (c.kind != CellKind::Share && c.total == TotalRule::None))
      return QString();
    return QString::fromStdString(CellText(totals_, 0, column, totals_, CellStyle::Grid));
  }
  return QString::fromStdString(
      CellText(table_, static_cast<std::size_t>(row - 1), column, totals_, CellStyle::Grid));
}

QVariant AnalysisModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return CellString(index.row(), index.column());
    case Qt::TextAlignmentRole:
      return table_.IsText(index.column()) ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                           : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole:
      if (index.row() == 0) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      break;
    default:
      break;
  }
  return {};
}

QVariant AnalysisModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section == 0 ? QString() : QString::number(section);
  if (section < 0 || section >= table_.ColumnCount()) return {};
  return QString::fromStdString(table_.Columns()[section].title);
}

bool AnalysisModel::canFetchMore(const QModelIndex& parent) const {
  if (parent.isValid()) return false;
  return shown_ < table_.RowCount() || !complete_;
}

void AnalysisModel::fetchMore(const QModelIndex& parent) {
  if (parent.isValid()) return;
  if (shown_ < table_.RowCount())
    Show(kPageRows);
  else
    wanting_ = true;
}

void AnalysisModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= table_.ColumnCount()) return;
  emit sortRequested(column, order == Qt::DescendingOrder);
}

}  // namespace kestrune
