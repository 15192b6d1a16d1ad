// The in-memory spreadsheet application: workbooks of worksheets whose cells keep typed
// values (cell_value.h), with the names, selections, active sheet, fitted column widths
// and sorting of a spreadsheet. A workbook is written to a file by the application's
// WorkbookWriter (SaveAs).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "export/cell_value.h"
#include "export/object_model.h"
#include "export/workbook_writer.h"

namespace kestrune {

class ModelWorkbook;

// One cell: its kind, its number (numbers, dates, durations) or its text (an index into
// the sheet's texts), and the width of the text it was given.
struct Cell {
  double number = 0;
  std::uint32_t text = 0;
  std::uint16_t width = 0;
  CellKind kind = CellKind::Empty;
};

class ModelWorksheet : public Worksheet {
 public:
  ModelWorksheet(ModelWorkbook& book, std::string name);

  std::string Name() const override { return name_; }
  void SetName(const std::string& name) override;
  void Activate() override;
  CellRange Range(const std::string& address) override;
  CellRange Columns(const std::string& columns) override;
  CellRange Cells() override;
  CellRange Cells(int row, int column) override;
  void SetValue(const CellArea& area, std::string_view text) override;
  void AutoFit(const CellArea& area) override;
  void Select(const CellArea& area) override;
  void Sort(const CellArea& area, const SortArguments& arguments) override;

  // What the sheet holds: rows 1..RowCount(), each as long as its last written cell.
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const std::vector<Cell>& Row(int row) const { return rows_[static_cast<std::size_t>(row - 1)]; }
  const std::string& Text(const Cell& cell) const { return texts_[cell.text]; }
  // The cell at (row, column); an empty one outside what was written.
  Cell At(int row, int column) const;
  // Widths set by AutoFit, by 1-based column.
  const std::map<int, double>& ColumnWidths() const { return widths_; }
  const CellArea& Selection() const { return selection_; }
  const ModelWorkbook& Book() const { return book_; }

 private:
  Cell& Slot(int row, int column);
  void SortRows(int first, int last, const std::vector<std::pair<int, int>>& keys, bool matchCase);

  ModelWorkbook& book_;
  std::string name_;
  std::vector<std::vector<Cell>> rows_;
  std::vector<std::string> texts_{std::string()};  // index 0: no text
  std::map<int, double> widths_;
  CellArea selection_{};
};

class ModelWorkbook : public Workbook {
 public:
  // A new workbook of `sheets` worksheets, "Sheet1", "Sheet2"…, the first one active.
  ModelWorkbook(WorkbookWriter& writer, int sheets);

  int WorksheetsCount() override { return SheetCount(); }
  Worksheet& WorksheetsAdd(Worksheet* before, Worksheet* after) override;
  Worksheet& Worksheets(int index) override;
  void SaveAs(const std::string& fileName) override;

  int SheetCount() const { return static_cast<int>(sheets_.size()); }
  const ModelWorksheet& Sheet(int index) const { return *sheets_[static_cast<std::size_t>(index)]; }
  int ActiveIndex() const { return active_; }  // 0-based

  // For the sheets: whether another sheet has `name` (without regard to case); making
  // a sheet the active one.
  bool NameTaken(const std::string& name, const ModelWorksheet* except) const;
  void SetActive(const ModelWorksheet* sheet);

 private:
  int IndexOf(const Worksheet* sheet) const;

  WorkbookWriter& writer_;
  std::vector<std::unique_ptr<ModelWorksheet>> sheets_;
  int active_ = 0;
  int nextNumber_ = 1;
};

class ModelApplication : public Application {
 public:
  // New workbooks start with `sheetsInNewWorkbook` worksheets (three, as a spreadsheet
  // application is set up by default).
  explicit ModelApplication(std::unique_ptr<WorkbookWriter> writer, int sheetsInNewWorkbook = 3);

  std::string Version() override { return writer_->Version(); }
  Workbook& WorkbooksAdd() override;
  void SetVisible(bool visible) override { visible_ = visible; }

  bool Visible() const { return visible_; }
  const ModelWorkbook& Book(int index) const { return *books_[static_cast<std::size_t>(index)]; }

 private:
  std::unique_ptr<WorkbookWriter> writer_;
  int sheetsInNewWorkbook_;
  std::vector<std::unique_ptr<ModelWorkbook>> books_;
  bool visible_ = false;
};

// The creation of the spreadsheet application: the in-memory model with the .xlsx
// writer.
std::unique_ptr<Application> CreateSpreadsheetApplication();

}  // namespace kestrune
