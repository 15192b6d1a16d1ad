// The ten sheets cell for cell, in the in-memory workbook.
#include "export/workbook_export.h"

#include <gtest/gtest.h>

#include "export/workbook_model.h"
#include "export_fixture.h"

namespace kestrune::test {
namespace {

class NoWriter : public WorkbookWriter {
 public:
  std::string Version() const override { return "none"; }
  void Write(const ModelWorkbook&, const std::string&) override {}
};

class WorkbookExportTest : public ExportTest {
 protected:
  // Runs the ten sheets into a new workbook of an application whose workbooks start
  // with `sheets` worksheets.
  const ModelWorkbook& Export(int sheets = 3) {
    app_ = std::make_unique<ModelApplication>(std::make_unique<NoWriter>(), sheets);
    Workbook& book = app_->WorkbooksAdd();
    ExportContext context{book, host_};
    panel_ = MakePanelTexts(stats_);
    ExportStatistics(context, ExportSource{panel_, stats_});
    return static_cast<const ModelWorkbook&>(book);
  }
  static const ModelWorksheet& SheetNamed(const ModelWorkbook& book, const std::string& name) {
    for (int i = 0; i < book.SheetCount(); ++i)
      if (book.Sheet(i).Name() == name) return book.Sheet(i);
    throw std::runtime_error("no sheet " + name);
  }
  // A cell as text: numbers in decimal, dates and durations as "#<value>".
  static std::string CellText(const ModelWorksheet& sheet, const std::string& address) {
    const CellArea area = *ParseAddressForTest(address);
    const Cell cell = sheet.At(area.firstRow, area.firstColumn);
    switch (cell.kind) {
      case CellKind::Empty:
        return "";
      case CellKind::Text:
        return sheet.Text(cell);
      case CellKind::Number:
        return std::to_string(static_cast<long long>(cell.number));
      case CellKind::Date:
        return "date " + std::to_string(static_cast<long long>(cell.number));
      case CellKind::Duration:
        return "duration " + std::to_string(static_cast<long long>(cell.number * 86400 + 0.5));
    }
    return "?";
  }
  static std::optional<CellArea> ParseAddressForTest(const std::string& address);
  static std::vector<std::string> Row(const ModelWorksheet& sheet, int row, char last) {
    std::vector<std::string> out;
    for (char c = 'A'; c <= last; ++c)
      out.push_back(CellText(sheet, std::string(1, c) + std::to_string(row)));
    return out;
  }

  std::unique_ptr<ModelApplication> app_;
};

}  // namespace
}  // namespace kestrune::test

#include "export/cell_address.h"

namespace kestrune::test {
namespace {

std::optional<CellArea> WorkbookExportTest::ParseAddressForTest(const std::string& address) {
  return ParseAddress(address, false);
}

TEST_F(WorkbookExportTest, EmptyModelGivesTenSheetsWithTitlesOnly) {
  stats_.Clear();
  const ModelWorkbook& book = Export();
  ASSERT_EQ(book.SheetCount(), 10);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(book.Sheet(i).Name(), kSheetNames[static_cast<std::size_t>(i)]);
  EXPECT_EQ(book.ActiveIndex(), 0);  // the workbook opens on its summary
  const std::vector<std::string> item = {"Hits", "Sessions",   "Traffic",
                                         "Last", "Time spent", "Time taken"};
  const auto withKey = [&](const char* key) {
    std::vector<std::string> row{key};
    row.insert(row.end(), item.begin(), item.end());
    return row;
  };
  EXPECT_EQ(Row(SheetNamed(book, "Files"), 1, 'B'), (std::vector<std::string>{"File", "Lines"}));
  std::vector<std::string> pages = withKey("Page");
  for (const char* t : {"Last index", "HEAD", "GET", "POST", "OPTIONS", "UNKNOWN", "Directory",
                        "Type", "Entry hits", "Exit hits"})
    pages.push_back(t);
  EXPECT_EQ(Row(SheetNamed(book, "Pages"), 1, 'Q'), pages);
  std::vector<std::string> users = withKey("IP");
  for (const char* t : {"Downloaded", "Robot", "Avg time", "Region"}) users.push_back(t);
  EXPECT_EQ(Row(SheetNamed(book, "Users"), 1, 'K'), users);
  EXPECT_EQ(Row(SheetNamed(book, "Ignored IP"), 1, 'G'), withKey("IP"));
  EXPECT_EQ(Row(SheetNamed(book, "Ignored types"), 1, 'G'), withKey("Type"));
  EXPECT_EQ(Row(SheetNamed(book, "Download types"), 1, 'G'), withKey("Type"));
  std::vector<std::string> agents = withKey("URL");
  for (const char* t : {"Name", "Browser", "OS"}) agents.push_back(t);
  EXPECT_EQ(Row(SheetNamed(book, "User agents"), 1, 'J'), agents);
  EXPECT_EQ(Row(SheetNamed(book, "Referers"), 1, 'G'), withKey("Referer"));
  std::vector<std::string> errors = withKey("URL");
  errors.push_back("Status code");
  EXPECT_EQ(Row(SheetNamed(book, "Errors"), 1, 'H'), errors);
  for (int i = 1; i < 10; ++i) EXPECT_EQ(book.Sheet(i).RowCount(), 1) << book.Sheet(i).Name();

  const ModelWorksheet& summary = book.Sheet(0);
  EXPECT_EQ(Row(summary, 1, 'D')[0], "Period: ");
  EXPECT_EQ(Row(summary, 1, 'D')[2], "To");
  EXPECT_EQ(Row(summary, 15, 'D'),
            (std::vector<std::string>{"Traffic", "0 bytes", "0 Kb", "0 Mb"}));
  EXPECT_EQ(Row(summary, 34, 'B'), (std::vector<std::string>{"HTTP 1.1:", "0"}));
  for (int empty : {2, 8, 14, 16, 19, 23, 27, 32})
    EXPECT_EQ(Row(summary, empty, 'D'), (std::vector<std::string>(4, ""))) << empty;

  EXPECT_EQ(host_.statuses.front(), "Exporting Statistics");
  EXPECT_EQ(host_.statuses.back(), "Completed exporting statistics.");
  EXPECT_EQ(host_.statuses.size(), 11u);
}

TEST_F(WorkbookExportTest, AWorkbookOfOneSheetGetsTheOthersAppendedInOrder) {
  const ModelWorkbook& book = Export(1);
  ASSERT_EQ(book.SheetCount(), 10);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(book.Sheet(i).Name(), kSheetNames[static_cast<std::size_t>(i)]);
}

TEST_F(WorkbookExportTest, ItemColumnsFromTheModel) {
  stats_.slIgnoreIP.Add("10.9.9.9");  // a configuration entry that never matched
  const int ignored = stats_.slIgnoreIP.Add("10.8.8.8", std::make_unique<clsIgnoreIPObject>());
  stats_.slIgnoreIP.Object(ignored)->Hits = 4;
  auto user = std::make_unique<clsUserObject>();
  user->Hits = 7;
  user->Visits = 3;
  user->TimeSpent = 100;
  user->Bytes = 1234.9;
  user->TimeTaken = 99.9;
  user->LastDate = 46364.5;  // 08-Dec-2026 12:00
  user->Robot = true;
  stats_.slUsers.Add("10.0.0.1", std::move(user));
  stats_.slUsers.Add("", std::make_unique<clsUserObject>());  // an empty key
  auto idle = std::make_unique<clsUserObject>();
  idle->Hits = 7;
  idle->TimeSpent = 90061;  // 25:01:01
  stats_.slUsers.Add("10.0.0.2", std::move(idle));
  auto page = std::make_unique<clsPageObject>();
  page->Hits = 1;
  page->GET = 1;
  page->Entrances = 1;
  stats_.slPages.Add("/docs/a.htm", std::move(page));

  const ModelWorkbook& book = Export();
  EXPECT_EQ(Row(SheetNamed(book, "Ignored IP"), 2, 'G'),
            (std::vector<std::string>{"10.9.9.9", "", "", "", "", "", ""}));
  EXPECT_EQ(
      Row(SheetNamed(book, "Ignored IP"), 3, 'G'),
      (std::vector<std::string>{"10.8.8.8", "4", "0", "0", "30-Dec-1899", "duration 0", "0"}));
  const ModelWorksheet& users = SheetNamed(book, "Users");
  // Sorted: both have 7 hits; 10.0.0.1 has more traffic; the empty row goes last.
  EXPECT_EQ(Row(users, 2, 'K'),
            (std::vector<std::string>{"10.0.0.1", "7", "3", "1234", "date 46364", "duration 100",
                                      "99", "No", "Yes", "duration 33", ""}));
  EXPECT_EQ(Row(users, 3, 'K'),
            (std::vector<std::string>{"10.0.0.2", "7", "0", "0", "30-Dec-1899", "duration 90061",
                                      "0", "No", "No", "", ""}));
  EXPECT_EQ(Row(users, 4, 'K'), std::vector<std::string>(11, ""));
  EXPECT_EQ(Row(SheetNamed(book, "Pages"), 2, 'Q'),
            (std::vector<std::string>{"/docs/a.htm", "1", "0", "0", "30-Dec-1899", "duration 0",
                                      "0", "30-Dec-1899", "0", "1", "0", "0", "0", "/docs/", "htm",
                                      "1", "0"}));
}

TEST_F(WorkbookExportTest, AnEmptyKeyLeavesItsRowEmptyWhileTheProgressMoves) {
  stats_.slReferers.Add("http://a.example/", std::make_unique<clsRefererObject>());
  stats_.slReferers.Add("", std::make_unique<clsRefererObject>());
  stats_.slReferers.Add("http://c.example/", std::make_unique<clsRefererObject>());
  stats_.slIgnoreExt.Add("GIF");
  stats_.slIgnoreExt.Add("");
  stats_.slIgnoreExt.Add("JPG");
  const ModelWorkbook& book = Export();
  const ModelWorksheet& types = SheetNamed(book, "Ignored types");  // unsorted: rows as listed
  EXPECT_EQ(CellText(types, "A2"), "GIF");
  EXPECT_EQ(CellText(types, "A3"), "");
  EXPECT_EQ(CellText(types, "A4"), "JPG");
  const ModelWorksheet& referers = SheetNamed(book, "Referers");  // sorted: the empty row last
  EXPECT_EQ(CellText(referers, "A2"), "http://a.example/");
  EXPECT_EQ(CellText(referers, "A3"), "http://c.example/");
  EXPECT_EQ(Row(referers, 4, 'G'), std::vector<std::string>(7, ""));
  // Progress: one Init per list, every index reported.
  EXPECT_EQ(host_.inits, (std::vector<int>{0, 0, 0, 0, 3, 0, 0, 3, 0}));
}

TEST_F(WorkbookExportTest, SmallImportThroughTheRealReader) {
  ImportSmallLog();
  const ModelWorkbook& book = Export();
  const ModelWorksheet& agents = SheetNamed(book, "User agents");
  // Most hits first; the two with 2 hits and 1500 bytes by their key.
  EXPECT_EQ(CellText(agents, "A2"), "Googlebot/2.1");
  EXPECT_EQ(Row(agents, 2, 'J')[8], "Robot");
  EXPECT_EQ(Row(agents, 3, 'J'),
            (std::vector<std::string>{"Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.0)", "2",
                                      "1", "1500", "date 46082", "duration 0", "25", "Mozilla/4.0",
                                      "MSIE 6", "Windows 2000"}));
  const ModelWorksheet& errors = SheetNamed(book, "Errors");
  EXPECT_EQ(CellText(errors, "A2"), "/missing.htm");
  EXPECT_EQ(CellText(errors, "H2"), "404");
  const ModelWorksheet& files = SheetNamed(book, "Files");
  EXPECT_EQ(CellText(files, "B2"), "11");
  // Progress reached every row of the last list, and messages were let through per row.
  EXPECT_EQ(CellText(agents, "A4"), "Mozilla/4.7+[en]+(Win98;+I)");
  EXPECT_GE(host_.pumps, 16);
}

}  // namespace
}  // namespace kestrune::test
