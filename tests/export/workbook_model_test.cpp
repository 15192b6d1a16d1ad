// The in-memory spreadsheet: workbooks and sheets, names, addresses, typed cells,
// fitting and sorting.
#include <gtest/gtest.h>

#include <array>

#include "export/cell_address.h"
#include "export/workbook_model.h"

namespace kestrune {
namespace {

// A writer that only counts what it was asked to write.
class CountingWriter : public WorkbookWriter {
 public:
  std::string Version() const override { return "counting 1.0"; }
  void Write(const ModelWorkbook&, const std::string& fileName) override {
    files.push_back(fileName);
  }
  std::vector<std::string> files;
};

class WorkbookModelTest : public ::testing::Test {
 protected:
  WorkbookModelTest() : app(std::make_unique<CountingWriter>()), book(app.WorkbooksAdd()) {}
  ModelWorksheet& Sheet(int index) { return static_cast<ModelWorksheet&>(book.Worksheets(index)); }
  // Fills rows 2.. of columns A, B, D with the given texts, under a title row.
  void Fill(Worksheet& sheet, const std::vector<std::array<const char*, 3>>& rows) {
    sheet.Range("A1").SetValue("Key");
    sheet.Range("B1").SetValue("Hits");
    sheet.Range("D1").SetValue("Traffic");
    int r = 2;
    for (const auto& row : rows) {
      sheet.Range("A" + std::to_string(r)).SetValue(row[0]);
      sheet.Range("B" + std::to_string(r)).SetValue(row[1]);
      sheet.Range("D" + std::to_string(r)).SetValue(row[2]);
      ++r;
    }
  }
  std::vector<std::string> KeysOf(const ModelWorksheet& sheet) {
    std::vector<std::string> keys;
    for (int r = 1; r <= sheet.RowCount(); ++r) {
      const Cell cell = sheet.At(r, 1);
      keys.push_back(cell.kind == CellKind::Text ? sheet.Text(cell)
                     : cell.kind == CellKind::Empty
                         ? std::string("-")
                         : std::to_string(static_cast<long>(cell.number)));
    }
    return keys;
  }
  static void SortLikeTheExport(Worksheet& sheet) {
    SortArguments a;
    a.key1 = sheet.Columns("B");
    a.order1 = xlDescending;
    a.key2 = sheet.Columns("D");
    a.order2 = xlDescending;
    a.key3 = sheet.Columns("A");
    a.order3 = xlAscending;
    a.header = xlYes;
    sheet.Cells().Sort(a);
  }

  ModelApplication app;
  Workbook& book;
};

TEST_F(WorkbookModelTest, NewWorkbookHasThreeSheetsAndAddsAfterAGivenOne) {
  EXPECT_EQ(app.Version(), "counting 1.0");
  ASSERT_EQ(book.WorksheetsCount(), 3);
  EXPECT_EQ(Sheet(1).Name(), "Sheet1");
  Worksheet& added = book.WorksheetsAdd(nullptr, &book.Worksheets(1));
  EXPECT_EQ(book.WorksheetsCount(), 4);
  EXPECT_EQ(&book.Worksheets(2), &added);
  EXPECT_EQ(added.Name(), "Sheet4");
  EXPECT_EQ(Sheet(3).Name(), "Sheet2");
  Worksheet& last = book.WorksheetsAdd(nullptr, &book.Worksheets(4));
  EXPECT_EQ(&book.Worksheets(5), &last);
  Worksheet& first = book.WorksheetsAdd(&book.Worksheets(1), nullptr);
  EXPECT_EQ(&book.Worksheets(1), &first);
  EXPECT_THROW(book.Worksheets(0), AutomationError);
  EXPECT_THROW(book.Worksheets(7), AutomationError);
}

TEST_F(WorkbookModelTest, AddWithASheetOfAnotherWorkbookFails) {
  Workbook& other = app.WorkbooksAdd();
  EXPECT_THROW(book.WorksheetsAdd(nullptr, &other.Worksheets(1)), AutomationError);
}

TEST_F(WorkbookModelTest, SheetNamesTheApplicationRefuses) {
  Worksheet& sheet = book.Worksheets(1);
  for (const std::string& bad :
       std::vector<std::string>{"", std::string(32, 'x'), "a:b", "a\\b", "a/b", "a?b", "a*b", "a[b",
                                "a]b", "'quoted", "Sheet2", "sheet2"})
    EXPECT_THROW(sheet.SetName(bad), AutomationError) << bad;
  EXPECT_EQ(sheet.Name(), "Sheet1");
  sheet.SetName(std::string(31, 'x'));
  sheet.SetName("User agents");
  sheet.SetName("USER AGENTS");  // its own name in another case
  EXPECT_EQ(sheet.Name(), "USER AGENTS");
}

TEST_F(WorkbookModelTest, Addresses) {
  EXPECT_EQ(ParseAddress("A1", false), (CellArea{1, 1, 1, 1}));
  EXPECT_EQ(ParseAddress("$Q$17", false), (CellArea{17, 17, 17, 17}));
  EXPECT_EQ(ParseAddress("C3:A1", false), (CellArea{1, 1, 3, 3}));
  EXPECT_EQ(ParseAddress("XFD1048576", false), (CellArea{1048576, 16384, 1048576, 16384}));
  EXPECT_EQ(ParseColumns("A:G"), (CellArea{1, 1, kMaxRows, 7}));
  EXPECT_EQ(ParseColumns("B"), (CellArea{1, 2, kMaxRows, 2}));
  EXPECT_EQ(ParseAddress("A:G", true), (CellArea{1, 1, kMaxRows, 7}));
  for (const char* bad :
       {"", "A", "1", "A0", "A01", "XFE1", "A1048577", "A1:", "A1B", "=A1", "A 1"})
    EXPECT_FALSE(ParseAddress(bad, false).has_value()) << bad;
  EXPECT_THROW(book.Worksheets(1).Range("A0"), AutomationError);
  EXPECT_THROW(book.Worksheets(1).Columns("A1"), AutomationError);
  EXPECT_THROW(book.Worksheets(1).Cells(0, 1), AutomationError);
}

TEST_F(WorkbookModelTest, CellsKeepWhatTheirTextMakes) {
  ModelWorksheet& sheet = Sheet(1);
  sheet.Range("A1").SetValue("=SUM(A2:A3)");
  sheet.Range("B1").SetValue("42");
  sheet.Range("C1").SetValue("08-Dec-2026");
  sheet.Range("D1").SetValue("25:01:01");
  sheet.Range("E1").SetValue("1234 bytes");
  EXPECT_EQ(sheet.At(1, 1).kind, CellKind::Text);
  EXPECT_EQ(sheet.Text(sheet.At(1, 1)), "=SUM(A2:A3)");
  EXPECT_EQ(sheet.At(1, 2).kind, CellKind::Number);
  EXPECT_EQ(sheet.At(1, 3).kind, CellKind::Date);
  EXPECT_EQ(sheet.At(1, 4).kind, CellKind::Duration);
  EXPECT_EQ(sheet.At(1, 5).kind, CellKind::Text);
  sheet.Range("A1:B1").SetValue("");
  EXPECT_EQ(sheet.At(1, 1).kind, CellKind::Empty);
  EXPECT_EQ(sheet.At(1, 2).kind, CellKind::Empty);
  EXPECT_THROW(sheet.Columns("A:Z").SetValue("x"), AutomationError);  // 27 million cells
}

TEST_F(WorkbookModelTest, AutoFitMeasuresTheLongestTextOfEachColumn) {
  ModelWorksheet& sheet = Sheet(1);
  sheet.Range("A1").SetValue("Page");
  sheet.Range("A2").SetValue("/a/rather/long/page.htm");  // 23 characters
  sheet.Range("B2").SetValue("12345");
  sheet.Range("C5").SetValue("\xC3\xA9t\xC3\xA9");  // three characters in UTF-8
  sheet.Columns("A:D").AutoFit();
  EXPECT_DOUBLE_EQ(sheet.ColumnWidths().at(1), 24);
  EXPECT_DOUBLE_EQ(sheet.ColumnWidths().at(2), 6);
  EXPECT_DOUBLE_EQ(sheet.ColumnWidths().at(3), 4);
  EXPECT_EQ(sheet.ColumnWidths().count(4), 0u);  // an empty column keeps its width
}

TEST_F(WorkbookModelTest, SortByHitsTrafficAndKeyKeepsTheTitleRowAndEmptyRowsLast) {
  ModelWorksheet& sheet = Sheet(1);
  Fill(sheet, {{{"b", "5", "100"}},
               {{"", "", ""}},  // an entry with an empty key: nothing written
               {{"C", "5", "100"}},
               {{"a", "5", "100"}},
               {{"z", "9", "1"}},
               {{"y", "5", "300"}},
               {{"A", "5", "100"}}});
  SortLikeTheExport(sheet);
  // Ties on hits and traffic by key without regard to case, stable among equal keys.
  EXPECT_EQ(KeysOf(sheet), (std::vector<std::string>{"Key", "z", "y", "a", "A", "b", "C", "-"}));
}

TEST_F(WorkbookModelTest, SortPutsNumbersBeforeTextsAndHonoursItsArguments) {
  ModelWorksheet& sheet = Sheet(1);
  Fill(sheet, {{{"b", "1", "1"}}, {{"10", "1", "1"}}, {{"B", "1", "1"}}, {{"9", "1", "1"}}});
  SortArguments a;
  a.key1 = sheet.Columns("A");
  a.header = xlYes;
  a.matchCase = true;
  sheet.Cells().Sort(a);
  EXPECT_EQ(KeysOf(sheet), (std::vector<std::string>{"Key", "9", "10", "B", "b"}));
  a.order1 = xlDescending;
  a.header = xlNo;  // the title row sorts with the rest
  sheet.Cells().Sort(a);
  EXPECT_EQ(KeysOf(sheet), (std::vector<std::string>{"b", "Key", "B", "10", "9"}));
  a.order1 = 3;
  EXPECT_THROW(sheet.Cells().Sort(a), AutomationError);
  a.order1 = xlAscending;
  a.orientation = xlLeftToRight;
  EXPECT_THROW(sheet.Cells().Sort(a), AutomationError);
  SortArguments none;
  EXPECT_THROW(sheet.Cells().Sort(none), AutomationError);
  SortArguments foreign;
  foreign.key1 = Sheet(2).Columns("A");
  EXPECT_THROW(sheet.Cells().Sort(foreign), AutomationError);
}

TEST_F(WorkbookModelTest, ActivateSelectAndSave) {
  ModelWorksheet& sheet = Sheet(2);
  sheet.Activate();
  EXPECT_EQ(static_cast<ModelWorkbook&>(book).ActiveIndex(), 1);
  sheet.Cells().Select();
  EXPECT_EQ(sheet.Selection(), (CellArea{1, 1, kMaxRows, kMaxColumns}));
  sheet.Cells(1, 1).Select();
  EXPECT_EQ(sheet.Selection(), (CellArea{1, 1, 1, 1}));
  app.SetVisible(true);
  EXPECT_TRUE(app.Visible());
  book.SaveAs("out.xlsx");
}

}  // namespace
}  // namespace kestrune
