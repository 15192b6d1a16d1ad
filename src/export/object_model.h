// The spreadsheet object model that the workbook export drives: an application, its
// workbooks, their worksheets and ranges of cells, with exactly the calls the export
// makes. The export sees only these interfaces; workbook_model.h implements them in
// memory (saved as .xlsx), and tests wrap that implementation to make a call fail.
//
// Every call either completes or throws AutomationError with a message. Values are
// assigned as text; what a cell makes of a text is the implementation's affair.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrune {

class AutomationError : public std::runtime_error {
 public:
  explicit AutomationError(const std::string& message) : std::runtime_error(message) {}
};

// A rectangle of cells, 1-based rows and columns, both ends included.
struct CellArea {
  int firstRow = 1;
  int firstColumn = 1;
  int lastRow = 1;
  int lastColumn = 1;
  bool operator==(const CellArea&) const = default;
};

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// The constants of the Sort arguments.
inline constexpr int xlAscending = 1;
inline constexpr int xlDescending = 2;
inline constexpr int xlGuess = 0;
inline constexpr int xlYes = 1;
inline constexpr int xlNo = 2;
inline constexpr int xlTopToBottom = 1;
inline constexpr int xlLeftToRight = 2;

class Worksheet;
struct SortArguments;

// A range of one worksheet: what Range(...), Columns(...) and Cells give.
class CellRange {
 public:
  CellRange(Worksheet& sheet, const CellArea& area) : sheet_(&sheet), area_(area) {}
  Worksheet& Sheet() const { return *sheet_; }
  const CellArea& Area() const { return area_; }

  void SetValue(std::string_view text);  // Value := text, for every cell of the range
  void AutoFit();                        // the columns fit their longest text
  void Select();
  void Sort(const SortArguments& arguments);

 private:
  Worksheet* sheet_;
  CellArea area_;
};

// The eleven positional arguments of Range.Sort, in their order; std::nullopt for an
// omitted one.
struct SortArguments {
  std::optional<CellRange> key1;
  int order1 = xlAscending;
  std::optional<CellRange> key2;
  std::optional<int> type;
  int order2 = xlAscending;
  std::optional<CellRange> key3;
  int order3 = xlAscending;
  int header = xlNo;
  std::optional<int> orderCustom;
  bool matchCase = false;
  int orientation = xlTopToBottom;
};

class Worksheet {
 public:
  virtual ~Worksheet() = default;
  virtual std::string Name() const = 0;
  // Refused (AutomationError) when empty, longer than 31 characters, holding one of
  // : \ / ? * [ ], beginning or ending with an apostrophe, or taken by another sheet.
  virtual void SetName(const std::string& name) = 0;
  virtual void Activate() = 0;
  // "A1", "$B$2", "A1:C3" or a column range "A:G"; an invalid address is refused.
  virtual CellRange Range(const std::string& address) = 0;
  // "A:G" or "B".
  virtual CellRange Columns(const std::string& columns) = 0;
  virtual CellRange Cells() = 0;                     // every cell of the sheet
  virtual CellRange Cells(int row, int column) = 0;  // one cell, 1-based

  // What the operations of a CellRange of this sheet do.
  virtual void SetValue(const CellArea& area, std::string_view text) = 0;
  virtual void AutoFit(const CellArea& area) = 0;
  virtual void Select(const CellArea& area) = 0;
  virtual void Sort(const CellArea& area, const SortArguments& arguments) = 0;
};

class Workbook {
 public:
  virtual ~Workbook() = default;
  virtual int WorksheetsCount() = 0;
  // Worksheets.Add(Before, After): a new sheet placed before or after the given one
  // (one of them omitted; both omitted: before the active sheet).
  virtual Worksheet& WorksheetsAdd(Worksheet* before, Worksheet* after) = 0;
  // Worksheets(index), 1-based.
  virtual Worksheet& Worksheets(int index) = 0;
  // Writes the workbook to `fileName` (replacing what is there).
  virtual void SaveAs(const std::string& fileName) = 0;
};

class Application {
 public:
  virtual ~Application() = default;
  virtual std::string Version() = 0;
  // Workbooks.Add: a new workbook with its first worksheets.
  virtual Workbook& WorkbooksAdd() = 0;
  virtual void SetVisible(bool visible) = 0;
};

inline void CellRange::SetValue(std::string_view text) {
  sheet_->SetValue(area_, text);
}
inline void CellRange::AutoFit() {
  sheet_->AutoFit(area_);
}
inline void CellRange::Select() {
  sheet_->Select(area_);
}
inline void CellRange::Sort(const SortArguments& arguments) {
  sheet_->Sort(area_, arguments);
}

}  // namespace kestrune
