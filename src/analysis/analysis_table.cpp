#include "analysis/analysis_table.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace kestrune {

AnalysisTable::AnalysisTable(std::vector<Column> columns, int hitsColumn)
    : columns_(std::move(columns)), hitsColumn_(hitsColumn) {
  slot_.reserve(columns_.size());
  for (const Column& column : columns_) {
    if (column.kind == CellKind::Text)
      slot_.push_back(static_cast<int>(textCount_++));
    else if (column.kind == CellKind::Share)
      slot_.push_back(-1);
    else
      slot_.push_back(static_cast<int>(numberCount_++));
  }
}

std::size_t AnalysisTable::AddRow() {
  texts_.resize(texts_.size() + textCount_);
  numbers_.resize(numbers_.size() + numberCount_, 0.0);
  return rows_++;
}

void AnalysisTable::SetText(std::size_t row, int column, std::string text) {
  if (!IsText(column)) throw std::logic_error("SetText on a number column");
  texts_[row * textCount_ + static_cast<std::size_t>(slot_[column])] = std::move(text);
}

void AnalysisTable::SetNumber(std::size_t row, int column, double value) {
  if (slot_[column] < 0 || IsText(column)) return;
  numbers_[row * numberCount_ + static_cast<std::size_t>(slot_[column])] = value;
}

std::string_view AnalysisTable::Text(std::size_t row, int column) const {
  if (!IsText(column)) return {};
  return texts_[row * textCount_ + static_cast<std::size_t>(slot_[column])];
}

double AnalysisTable::Number(std::size_t row, int column) const {
  if (slot_[column] < 0 || IsText(column)) return 0;
  return numbers_[row * numberCount_ + static_cast<std::size_t>(slot_[column])];
}

void AnalysisTable::Append(AnalysisTable&& other) {
  if (other.columns_.size() != columns_.size()) throw std::logic_error("Append of another table");
  if (rows_ == 0) {
    texts_ = std::move(other.texts_);
    numbers_ = std::move(other.numbers_);
  } else {
    texts_.insert(texts_.end(), std::make_move_iterator(other.texts_.begin()),
                  std::make_move_iterator(other.texts_.end()));
    numbers_.insert(numbers_.end(), other.numbers_.begin(), other.numbers_.end());
  }
  rows_ += other.rows_;
  other.Clear();
}

void AnalysisTable::Clear() {
  rows_ = 0;
  texts_.clear();
  numbers_.clear();
}

AnalysisTable AnalysisTable::EmptyCopy() const {
  return AnalysisTable(columns_, hitsColumn_);
}

void AnalysisTable::Sort(int column, bool descending) {
  if (columns_[column].kind == CellKind::Share) column = hitsColumn_;
  if (column < 0) return;
  std::vector<std::size_t> order(rows_);
  std::iota(order.begin(), order.end(), std::size_t{0});
  const bool numericKey = !IsText(0);
  auto keyLess = [&](std::size_t a, std::size_t b) {
    if (numericKey) return Number(a, 0) < Number(b, 0);
    return Text(a, 0) < Text(b, 0);
  };
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (IsText(column)) {
      const std::string_view x = Text(a, column), y = Text(b, column);
      if (x != y) return descending ? y < x : x < y;
    } else {
      const double x = Number(a, column), y = Number(b, column);
      if (x != y) return descending ? y < x : x < y;
    }
    return keyLess(a, b);
  });
  std::vector<std::string> texts;
  std::vector<double> numbers;
  texts.reserve(texts_.size());
  numbers.reserve(numbers_.size());
  for (std::size_t row : order) {
    for (std::size_t t = 0; t < textCount_; ++t)
      texts.push_back(std::move(texts_[row * textCount_ + t]));
    for (std::size_t n = 0; n < numberCount_; ++n)
      numbers.push_back(numbers_[row * numberCount_ + n]);
  }
  texts_ = std::move(texts);
  numbers_ = std::move(numbers);
}

AnalysisTable AnalysisTable::Totals() const {
  AnalysisTable totals = EmptyCopy();
  if (columns_.empty()) return totals;
  totals.AddRow();
  if (IsText(0)) totals.SetText(0, 0, "Total");
  for (int c = 1; c < ColumnCount(); ++c) {
    if (IsText(c) || columns_[c].kind == CellKind::Share) continue;
    double value = 0;
    bool seen = false;
    for (std::size_t r = 0; r < rows_; ++r) {
      const double x = Number(r, c);
      switch (columns_[c].total) {
        case TotalRule::Sum:
          value += x;
          break;
        case TotalRule::Min:
          // 0 means "none" for dates: it never wins.
          if (x != 0 && (!seen || x < value)) value = x, seen = true;
          break;
        case TotalRule::Max:
          if (!seen || x > value) value = x, seen = true;
          break;
        case TotalRule::None:
        case TotalRule::Distinct:
          break;
      }
    }
    totals.SetNumber(0, c, value);
  }
  return totals;
}

double ShareOf(const AnalysisTable& table, std::size_t row, const AnalysisTable& totals) {
  const int hits = table.HitsColumn();
  if (hits < 0 || totals.Empty()) return 0;
  const double all = totals.Number(0, hits);
  if (all <= 0) return 0;
  return table.Number(row, hits) * 100.0 / all;
}

}  // namespace kestrune
