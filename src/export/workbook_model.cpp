#include "export/workbook_model.h"

#include <algorithm>
#include <numeric>

#include "export/cell_address.h"
#include "util/text.h"

namespace kestrune {

namespace {

constexpr std::size_t kMaxSheetName = 31;
constexpr long long kMaxCellsPerAssignment = 10'000'000;
constexpr double kMaxColumnWidth = 255;

// Characters shown, counted as UTF-8 code points (every byte that does not continue a
// sequence starts a character).
std::uint16_t ShownWidth(std::string_view text) {
  std::size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return static_cast<std::uint16_t>(std::min<std::size_t>(n, 65535));
}

std::string QuotedName(const std::string& name) {
  return "\"" + name + "\"";
}

// Sort order of two cells of one key: empty cells last in either order; numbers before
// texts ascending; numbers by value, texts byte by byte, without regard to case unless
// `matchCase`. Negative when `a` comes first.
int CompareCells(const ModelWorksheet& sheet, const Cell& a, const Cell& b, int order,
                 bool matchCase) {
  const bool emptyA = a.kind == CellKind::Empty;
  const bool emptyB = b.kind == CellKind::Empty;
  if (emptyA || emptyB) return emptyA == emptyB ? 0 : (emptyA ? 1 : -1);
  const bool textA = a.kind == CellKind::Text;
  const bool textB = b.kind == CellKind::Text;
  int result = 0;
  if (textA != textB) {
    result = textA ? 1 : -1;
  } else if (!textA) {
    result = a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
  } else {
    const std::string& x = sheet.Text(a);
    const std::string& y = sheet.Text(b);
    const unsigned char* fold = FoldTable();
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n && result == 0; ++i) {
      unsigned char cx = static_cast<unsigned char>(x[i]);
      unsigned char cy = static_cast<unsigned char>(y[i]);
      if (!matchCase) {
        cx = fold[cx];
        cy = fold[cy];
      }
      if (cx != cy) result = cx < cy ? -1 : 1;
    }
    if (result == 0 && x.size() != y.size()) result = x.size() < y.size() ? -1 : 1;
  }
  return order == xlDescending ? -result : result;
}

}  // namespace

// --- ModelWorksheet ---------------------------------------------------------------------

ModelWorksheet::ModelWorksheet(ModelWorkbook& book, std::string name)
    : book_(book), name_(std::move(name)) {}

void ModelWorksheet::SetName(const std::string& name) {
  if (name.empty()) throw AutomationError("A sheet name cannot be empty.");
  if (ShownWidth(name) > kMaxSheetName)
    throw AutomationError("The sheet name " + QuotedName(name) + " is longer than 31 characters.");
  if (name.find_first_of(":\\/?*[]") != std::string::npos)
    throw AutomationError("The sheet name " + QuotedName(name) +
                          " holds one of the characters : \\ / ? * [ ].");
  if (name.front() == '\'' || name.back() == '\'')
    throw AutomationError("The sheet name " + QuotedName(name) +
                          " begins or ends with an apostrophe.");
  if (book_.NameTaken(name, this))
    throw AutomationError("Cannot rename a sheet to " + QuotedName(name) +
                          ", the name of another sheet.");
  name_ = name;
}

void ModelWorksheet::Activate() {
  book_.SetActive(this);
}

CellRange ModelWorksheet::Range(const std::string& address) {
  const auto area = ParseAddress(address, true);
  if (!area) throw AutomationError("Invalid range address " + QuotedName(address) + ".");
  return CellRange(*this, *area);
}

CellRange ModelWorksheet::Columns(const std::string& columns) {
  const auto area = ParseColumns(columns);
  if (!area) throw AutomationError("Invalid column range " + QuotedName(columns) + ".");
  return CellRange(*this, *area);
}

CellRange ModelWorksheet::Cells() {
  return CellRange(*this, CellArea{1, 1, kMaxRows, kMaxColumns});
}

CellRange ModelWorksheet::Cells(int row, int column) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
    throw AutomationError("Invalid cell (" + std::to_string(row) + ", " + std::to_string(column) +
                          ").");
  return CellRange(*this, CellArea{row, column, row, column});
}

Cell& ModelWorksheet::Slot(int row, int column) {
  if (rows_.size() < static_cast<std::size_t>(row)) rows_.resize(static_cast<std::size_t>(row));
  std::vector<Cell>& cells = rows_[static_cast<std::size_t>(row - 1)];
  if (cells.size() < static_cast<std::size_t>(column))
    cells.resize(static_cast<std::size_t>(column));
  return cells[static_cast<std::size_t>(column - 1)];
}

Cell ModelWorksheet::At(int row, int column) const {
  if (row < 1 || row > RowCount()) return Cell{};
  const std::vector<Cell>& cells = Row(row);
  if (column < 1 || static_cast<std::size_t>(column) > cells.size()) return Cell{};
  return cells[static_cast<std::size_t>(column - 1)];
}

void ModelWorksheet::SetValue(const CellArea& area, std::string_view text) {
  const long long count = static_cast<long long>(area.lastRow - area.firstRow + 1) *
                          (area.lastColumn - area.firstColumn + 1);
  if (count > kMaxCellsPerAssignment)
    throw AutomationError("Too many cells to assign a value to at once.");
  const TypedValue typed = TypeOfText(text);
  Cell cell;
  cell.kind = typed.kind;
  cell.number = typed.number;
  cell.width = ShownWidth(text);
  if (typed.kind == CellKind::Text) {
    texts_.emplace_back(text);
    cell.text = static_cast<std::uint32_t>(texts_.size() - 1);
  }
  for (int r = area.firstRow; r <= area.lastRow; ++r) {
    if (cell.kind == CellKind::Empty && r > RowCount()) break;  // nothing to clear there
    for (int c = area.firstColumn; c <= area.lastColumn; ++c) Slot(r, c) = cell;
  }
}

void ModelWorksheet::AutoFit(const CellArea& area) {
  const int lastRow = std::min(area.lastRow, RowCount());
  for (int c = area.firstColumn; c <= area.lastColumn && c <= kMaxColumns; ++c) {
    int longest = 0;
    bool any = false;
    for (int r = area.firstRow; r <= lastRow; ++r) {
      const std::vector<Cell>& cells = Row(r);
      if (static_cast<std::size_t>(c) > cells.size()) continue;
      const Cell& cell = cells[static_cast<std::size_t>(c - 1)];
      if (cell.kind == CellKind::Empty) continue;
      any = true;
      longest = std::max<int>(longest, cell.width);
    }
    if (any)
      widths_[c] = std::min(kMaxColumnWidth, longest + 1.0);
    else
      widths_.erase(c);
  }
}

void ModelWorksheet::Select(const CellArea& area) {
  selection_ = area;
}

void ModelWorksheet::Sort(const CellArea& area, const SortArguments& arguments) {
  if (arguments.orientation != xlTopToBottom)
    throw AutomationError("Only rows can be sorted (orientation 1, top to bottom).");
  if (arguments.orderCustom && *arguments.orderCustom != 1)
    throw AutomationError("Custom sort orders are not available.");
  std::vector<std::pair<int, int>> keys;  // column, order
  const std::pair<const std::optional<CellRange>*, int> given[] = {
      {&arguments.key1, arguments.order1},
      {&arguments.key2, arguments.order2},
      {&arguments.key3, arguments.order3}};
  for (const auto& [key, order] : given) {
    if (!key->has_value()) continue;
    if (&(*key)->Sheet() != this) throw AutomationError("A sort key lies on another sheet.");
    if (order != xlAscending && order != xlDescending)
      throw AutomationError("Invalid sort order " + std::to_string(order) + ".");
    const int column = (*key)->Area().firstColumn;
    if (column < area.firstColumn || column > area.lastColumn)
      throw AutomationError("A sort key lies outside the range to sort.");
    keys.emplace_back(column, order);
  }
  if (keys.empty()) throw AutomationError("The sort needs at least one key.");

  int first = area.firstRow;
  const int last = std::min(area.lastRow, RowCount());
  bool header = arguments.header == xlYes;
  if (arguments.header == xlGuess && first < last) {
    // A title row: texts over the keys, while the next row holds a number under one.
    bool titles = true;
    bool numberBelow = false;
    for (const auto& [column, order] : keys) {
      titles = titles && At(first, column).kind == CellKind::Text;
      const CellKind below = At(first + 1, column).kind;
      numberBelow = numberBelow || (below != CellKind::Text && below != CellKind::Empty);
    }
    header = titles && numberBelow;
  } else if (arguments.header != xlYes && arguments.header != xlNo && arguments.header != xlGuess) {
    throw AutomationError("Invalid header argument " + std::to_string(arguments.header) + ".");
  }
  if (header) ++first;
  if (first >= last) return;
  SortRows(first, last, keys, arguments.matchCase);
}

void ModelWorksheet::SortRows(int first, int last, const std::vector<std::pair<int, int>>& keys,
                              bool matchCase) {
  // The key cells of every row side by side, so that comparing two rows reads two short
  // runs of memory.
  const std::size_t width = keys.size();
  const std::size_t count = static_cast<std::size_t>(last - first + 1);
  std::vector<Cell> keyCells(count * width);
  for (std::size_t i = 0; i < count; ++i)
    for (std::size_t k = 0; k < width; ++k)
      keyCells[i * width + k] = At(first + static_cast<int>(i), keys[k].first);
  std::vector<std::uint32_t> order(count);
  std::iota(order.begin(), order.end(), 0u);
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    for (std::size_t k = 0; k < width; ++k) {
      const int c = CompareCells(*this, keyCells[a * width + k], keyCells[b * width + k],
                                 keys[k].second, matchCase);
      if (c != 0) return c < 0;
    }
    return false;
  });
  std::vector<std::vector<Cell>> sorted;
  sorted.reserve(count);
  for (std::uint32_t i : order)
    sorted.push_back(std::move(rows_[static_cast<std::size_t>(first - 1) + i]));
  std::move(sorted.begin(), sorted.end(), rows_.begin() + (first - 1));
}

// --- ModelWorkbook ----------------------------------------------------------------------

ModelWorkbook::ModelWorkbook(WorkbookWriter& writer, int sheets) : writer_(writer) {
  for (int i = 0; i < std::max(sheets, 1); ++i)
    sheets_.push_back(
        std::make_unique<ModelWorksheet>(*this, "Sheet" + std::to_string(nextNumber_++)));
}

int ModelWorkbook::IndexOf(const Worksheet* sheet) const {
  for (std::size_t i = 0; i < sheets_.size(); ++i)
    if (sheets_[i].get() == sheet) return static_cast<int>(i);
  return -1;
}

Worksheet& ModelWorkbook::WorksheetsAdd(Worksheet* before, Worksheet* after) {
  if (before && after) throw AutomationError("Give either Before or After, not both.");
  int at = active_;
  if (before || after) {
    const int index = IndexOf(before ? before : after);
    if (index < 0) throw AutomationError("The sheet given to Add is not in this workbook.");
    at = before ? index : index + 1;
  }
  std::string name;
  do {
    name = "Sheet" + std::to_string(nextNumber_++);
  } while (NameTaken(name, nullptr));
  sheets_.insert(sheets_.begin() + at, std::make_unique<ModelWorksheet>(*this, name));
  active_ = at;  // a new sheet becomes the active one
  return *sheets_[static_cast<std::size_t>(at)];
}

Worksheet& ModelWorkbook::Worksheets(int index) {
  if (index < 1 || index > SheetCount())
    throw AutomationError("There is no worksheet " + std::to_string(index) + ".");
  return *sheets_[static_cast<std::size_t>(index - 1)];
}

void ModelWorkbook::SaveAs(const std::string& fileName) {
  writer_.Write(*this, fileName);
}

bool ModelWorkbook::NameTaken(const std::string& name, const ModelWorksheet* except) const {
  for (const auto& sheet : sheets_)
    if (sheet.get() != except && SameText(sheet->Name(), name)) return true;
  return false;
}

void ModelWorkbook::SetActive(const ModelWorksheet* sheet) {
  const int index = IndexOf(sheet);
  if (index >= 0) active_ = index;
}

// --- ModelApplication -------------------------------------------------------------------

ModelApplication::ModelApplication(std::unique_ptr<WorkbookWriter> writer, int sheetsInNewWorkbook)
    : writer_(std::move(writer)), sheetsInNewWorkbook_(sheetsInNewWorkbook) {}

Workbook& ModelApplication::WorkbooksAdd() {
  books_.push_back(std::make_unique<ModelWorkbook>(*writer_, sheetsInNewWorkbook_));
  return *books_.back();
}

std::unique_ptr<Application> CreateSpreadsheetApplication() {
  return std::make_unique<ModelApplication>(MakeXlsxWriter());
}

}  // namespace kestrune
