#include "export/cell_address.h"

#include <algorithm>

namespace kestrune {

namespace {

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Reads "$" and column letters from the front of `text`; 0 when there are none or the
// column lies beyond the sheet.
int TakeColumn(std::string_view& text) {
  if (!text.empty() && text.front() == '$') text.remove_prefix(1);
  int column = 0;
  std::size_t n = 0;
  while (n < text.size() && IsLetter(text[n]) && n < 4) {
    const char upper = static_cast<char>(text[n] & ~0x20);
    column = column * 26 + (upper - 'A' + 1);
    ++n;
  }
  if (n == 0 || column > kMaxColumns) return 0;
  text.remove_prefix(n);
  return column;
}

int TakeRow(std::string_view& text) {
  if (!text.empty() && text.front() == '$') text.remove_prefix(1);
  long row = 0;
  std::size_t n = 0;
  while (n < text.size() && text[n] >= '0' && text[n] <= '9' && n < 8) {
    row = row * 10 + (text[n] - '0');
    ++n;
  }
  if (n == 0 || text.substr(0, 1) == "0" || row < 1 || row > kMaxRows) return 0;
  text.remove_prefix(n);
  return static_cast<int>(row);
}

struct Corner {
  int row = 0;
  int column = 0;
};

// "A1" (row and column) or, when `columnOnly`, "A" (row 0).
std::optional<Corner> ParseCorner(std::string_view text, bool columnOnly) {
  Corner corner;
  corner.column = TakeColumn(text);
  if (corner.column == 0) return std::nullopt;
  if (!columnOnly) {
    corner.row = TakeRow(text);
    if (corner.row == 0) return std::nullopt;
  }
  if (!text.empty()) return std::nullopt;
  return corner;
}

std::optional<CellArea> Span(std::string_view address, bool columnOnly) {
  const std::size_t colon = address.find(':');
  const std::string_view first = address.substr(0, colon);
  const std::string_view second =
      colon == std::string_view::npos ? first : address.substr(colon + 1);
  const auto a = ParseCorner(first, columnOnly);
  const auto b = ParseCorner(second, columnOnly);
  if (!a || !b) return std::nullopt;
  CellArea area;
  area.firstColumn = std::min(a->column, b->column);
  area.lastColumn = std::max(a->column, b->column);
  if (columnOnly) {
    area.firstRow = 1;
    area.lastRow = kMaxRows;
  } else {
    area.firstRow = std::min(a->row, b->row);
    area.lastRow = std::max(a->row, b->row);
  }
  return area;
}

}  // namespace

std::optional<CellArea> ParseAddress(std::string_view address, bool columnsAllowed) {
  if (auto area = Span(address, false)) return area;
  if (columnsAllowed && address.find(':') != std::string_view::npos) return Span(address, true);
  return std::nullopt;
}

std::optional<CellArea> ParseColumns(std::string_view columns) {
  return Span(columns, true);
}

}  // namespace kestrune
