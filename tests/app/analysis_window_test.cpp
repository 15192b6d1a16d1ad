// The analysis window driven offscreen: after a real import with storage into a SQLite
// file, the current statistics against the model's lists and the database against a
// GROUP BY over tblLogs ("last week's top pages"); the empty period, the missing data
// source and the lists that are not stored (a text, never a box); sorting by a header,
// the lazy grid, copying rows, plain-text keys and Save as CSV through the dialogs.
#include "app/analysis_window.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include "analysis/csv_writer.h"
#include "app/analysis_chart.h"
#include "app/analysis_model.h"
#include "app/qt_text.h"
#include "storage_database.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

// A week of requests, 2026-03-01 to 2026-03-07: each day every visitor of that day asks
// for a few pages; page i is asked i times as often, so hits differ by page and day.
std::string WeekLog(int day) {
  std::string text =
      "#Software: Microsoft Internet Information Server 4.0\r\n"
      "#Fields: date time s-ip c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n";
  const char* pages[] = {"/index.html", "/news.html", "/<b>bold</b>", "/=cmd|'/C_calc'!A0",
                         "/missing.html"};
  char line[256];
  for (int v = 0; v < 4 + day; ++v)
    for (int p = 0; p < 5; ++p)
      for (int k = 0; k <= (p + v + day) % 3; ++k) {
        std::snprintf(line, sizeof line,
                      "2026-03-%02d 1%d:%02d:00 10.0.0.%d 10.1.%d.%d GET %s %d %d\r\n", day, v % 10,
                      (p * 7 + k) % 60, 1 + v % 2, day, v, pages[p], p == 4 ? 404 : 200,
                      100 * (p + 1) + k);
        text += line;
      }
  return text;
}

class AnalysisWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    logs = dir / "logs/";
    dsn = "DRIVER={SQLite3};Database=" + (dir / "kestrune.db");
    CreateStorageTables(dsn);
    TryEncodeDate(2026, 3, 8, today);
  }
  // The first two columns of each row of `sql`, tab-separated.
  std::vector<std::string> Rows(const std::string& sql) {
    std::vector<std::string> rows;
    for (const std::vector<std::string>& row : QueryRows(dsn, sql, 2))
      rows.push_back(row[0] + "\t" + row[1]);
    return rows;
  }
  // Imports the week through the main window with "Add to database".
  void ImportWeek() {
    for (int day = 1; day <= 7; ++day) {
      char name[32];
      std::snprintf(name, sizeof name, "ex2603%02d.log", day);
      WriteFile(logs + name, WeekLog(day));
    }
    Show();
    Find<QCheckBox>("cbAddToDb")->setChecked(true);
    Find<QLineEdit>("ebDSN")->setText(ToQString(dsn));
    Find<QComboBox>("cbPath")->setEditText(ToQString(logs + "*.log"));
    Find<QPushButton>("btnImport")->click();
    boxesBefore = dialogs.Boxes().size();
  }
  TfrmAnalysis& Analysis(clsImportStats* stats = nullptr) {
    analysis = std::make_unique<TfrmAnalysis>(stats ? *stats : window->Stats(), dialogs,
                                              [this] { return today + 0.5; });
    analysis->SetDsn(dsn);
    analysis->show();
    return *analysis;
  }
  // Lets the window's queries finish (at most 30 seconds).
  bool Idle() {
    QElapsedTimer timer;
    timer.start();
    while (analysis->Busy() && timer.elapsed() < 30000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
    return !analysis->Busy();
  }
  // The grid's rows below the totals row: the key and the hits, tab-separated.
  std::vector<std::string> KeysAndHits() {
    const AnalysisModel& model = analysis->Model();
    const int hits = model.Table().HitsColumn();
    std::vector<std::string> rows;
    for (int r = 1; r < model.rowCount(); ++r)
      rows.push_back(ToStdString(model.CellString(r, 0)) + "\t" +
                     ToStdString(model.CellString(r, hits)));
    return rows;
  }
  QTableView* Grid() {
    QTableView* grid = analysis->findChild<QTableView*>(QStringLiteral("grdRows"));
    EXPECT_NE(grid, nullptr);
    return grid;
  }
  std::string Cell(int row, const char* title) {
    const AnalysisModel& model = analysis->Model();
    for (int c = 0; c < model.columnCount(); ++c)
      if (model.Table().Columns()[c].title == title) return ToStdString(model.CellString(row, c));
    ADD_FAILURE() << "no column " << title;
    return "";
  }

  std::string logs, dsn;
  TDateTime today = 0;
  std::size_t boxesBefore = 0;
  std::unique_ptr<TfrmAnalysis> analysis;
};

TEST_F(AnalysisWindowTest, TheCurrentStatisticsListTheModel) {
  ImportWeek();
  TfrmAnalysis& w = Analysis();
  w.Refresh();
  const clsImportStats& stats = window->Stats();
  EXPECT_EQ(analysis->Model().Table().RowCount(), static_cast<std::size_t>(stats.slPages.Count()));
  // Hits, most first, as the model counts them.
  std::vector<std::string> expected;
  for (int i = 0; i < stats.slPages.Count(); ++i)
    expected.push_back(stats.slPages.Key(i) + "\t" + std::to_string(stats.slPages.Object(i)->Hits));
  std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
    const long x = std::stol(a.substr(a.find('\t') + 1)), y = std::stol(b.substr(b.find('\t') + 1));
    return x != y ? x > y : a < b;
  });
  EXPECT_EQ(KeysAndHits(), expected);
  EXPECT_EQ(Cell(0, "Page"), "Total");
  EXPECT_EQ(Cell(0, "Hits"), std::to_string(stats.PageHits));
  EXPECT_EQ(Cell(0, "Share %"), "100.00");
  EXPECT_EQ(w.StatusText().rfind("5 rows; Hits: " + std::to_string(stats.PageHits), 0), 0u)
      << w.StatusText();
  // The chart shows the top entries.
  ASSERT_EQ(w.Chart().Data().labels.size(), 5u);
  EXPECT_EQ(ToStdString(w.Chart().Data().labels[0]), expected[0].substr(0, expected[0].find('\t')));

  // The visitors, then the text filter.
  w.SetSubjectIndex(static_cast<int>(StatsSubject::Visitors));
  EXPECT_EQ(analysis->Model().Table().RowCount(), static_cast<std::size_t>(stats.slUsers.Count()));
  w.SetFilter("10.1.7.");
  EXPECT_EQ(analysis->Model().Table().RowCount(), 11u);  // the visitors of the seventh day
  // A header click sorts by that column; again, the other way.
  w.SetSubjectIndex(static_cast<int>(StatsSubject::Pages));
  w.SetFilter("");
  QHeaderView* header = Grid()->horizontalHeader();
  header->setSortIndicator(0, Qt::AscendingOrder);
  std::vector<std::string> keys;
  for (const std::string& row : KeysAndHits()) keys.push_back(row.substr(0, row.find('\t')));
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  header->setSortIndicator(0, Qt::DescendingOrder);
  keys.clear();
  for (const std::string& row : KeysAndHits()) keys.push_back(row.substr(0, row.find('\t')));
  EXPECT_TRUE(std::is_sorted(keys.rbegin(), keys.rend()));
  EXPECT_EQ(dialogs.Boxes().size(), boxesBefore);
}

TEST_F(AnalysisWindowTest, LastWeeksTopPagesEqualAGroupByOverTblLogs) {
  ImportWeek();
  TfrmAnalysis& w = Analysis();
  w.SetSource(TfrmAnalysis::Source::Database);
  w.SetQuickChoice(QuickChoice::Last7Days);  // 2026-03-02 to 2026-03-08
  ASSERT_TRUE(Idle());
  ASSERT_EQ(w.ReasonText(), "");
  std::vector<std::string> expected = Rows(
      "SELECT P.PageName, COUNT(*) AS n FROM tblLogs L JOIN tblPages P ON P.ID = L.Page "
      "WHERE L.Date >= '2026-03-02' AND L.Date < '2026-03-09' GROUP BY P.PageName "
      "ORDER BY n DESC, P.PageName");
  ASSERT_EQ(expected.size(), 5u);
  EXPECT_EQ(KeysAndHits(), expected);
  const std::vector<std::string> total =
      Rows("SELECT COUNT(*), COUNT(DISTINCT Visitor) FROM tblLogs WHERE Date >= '2026-03-02'");
  EXPECT_EQ(Cell(0, "Hits") + "\t" + Cell(0, "Visitors"), total[0]);
  EXPECT_EQ(Cell(0, "First date"), FormatDdMmmYyyy(today - 6));
  // The chart: hits and visitors of each of the six days with entries.
  EXPECT_EQ(w.Chart().Data().labels.size(), 6u);
  EXPECT_EQ(ToStdString(w.Chart().Data().labels[0]), "2026-03-02");
  // The HTML-like key is text, exactly.
  bool bold = false;
  for (const std::string& row : KeysAndHits()) bold = bold || row.rfind("/<b>bold</b>\t", 0) == 0;
  EXPECT_TRUE(bold);
  EXPECT_NE(w.StatusText().find("5 rows"), std::string::npos) << w.StatusText();

  // The database sorts: by the key, rising.
  w.SortBy(0, false);
  ASSERT_TRUE(Idle());
  std::vector<std::string> byKey = expected;
  std::sort(byKey.begin(), byKey.end());
  EXPECT_EQ(KeysAndHits(), byKey);

  // A site; a year; a day without entries.
  w.SetSite("10.0.0.2");
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Cell(0, "Hits") + "\t0",
            Rows("SELECT COUNT(*), 0 FROM tblLogs WHERE SiteIP = '10.0.0.2' AND "
                 "Date >= '2026-03-02'")[0]);
  w.SetSite("");
  w.SetYear(2026);
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Cell(0, "Hits") + "\t0", Rows("SELECT COUNT(*), 0 FROM tblLogs")[0]);
  EXPECT_EQ(Cell(0, "First date"), FormatDdMmmYyyy(today - 7));
  // Esc while a query runs: the window is free at once, the query's results never come.
  w.Refresh();
  ASSERT_TRUE(w.Busy());
  w.Cancel();
  EXPECT_FALSE(w.Busy());
  EXPECT_EQ(w.StatusText().rfind("Cancelled; ", 0), 0u) << w.StatusText();
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(w.StatusText().rfind("Cancelled; ", 0), 0u) << w.StatusText();
  EXPECT_EQ(dialogs.Boxes().size(), boxesBefore);
}

TEST_F(AnalysisWindowTest, EmptyPeriodsAndMissingSourcesAreTextsNeverBoxes) {
  ImportWeek();
  TfrmAnalysis& w = Analysis();
  w.SetSource(TfrmAnalysis::Source::Database);
  struct Case {
    const char* what;
    TDateTime from, to;
  };
  const Case periods[] = {{"to before from", today - 1, today - 5},
                          {"before any entry", today - 400, today - 390}};
  for (const Case& c : periods) {
    w.SetDays(c.from, c.to);
    ASSERT_TRUE(Idle()) << c.what;
    EXPECT_EQ(w.ReasonText(), "") << c.what;
    EXPECT_EQ(w.Model().rowCount(), 1) << c.what;  // the totals row only
    EXPECT_EQ(Cell(0, "Hits"), "0") << c.what;
    EXPECT_EQ(Cell(0, "Visitors"), "0") << c.what;
    EXPECT_EQ(w.StatusText().rfind("0 rows; Hits: 0", 0), 0u) << w.StatusText();
  }
  // Lists the database does not keep.
  w.SetSubjectIndex(6);
  EXPECT_EQ(w.ReasonText(), kNotStoredText);
  // No data source; one that fails; a database without the tables.
  const std::string other = "DRIVER={SQLite3};Database=" + (dir / "empty.db");
  const std::pair<std::string, std::string> sources[] = {
      {"", kNoDsnText},
      {"DRIVER={No Such Driver}", "The data source could not be opened: "},
      {other, "The data source has no tables of the database storage"}};
  w.SetSubjectIndex(0);
  for (const auto& [source, reason] : sources) {
    w.SetDsn(source);
    w.Refresh();
    ASSERT_TRUE(Idle());
    EXPECT_EQ(w.ReasonText().rfind(reason, 0), 0u) << w.ReasonText();
  }
  // The current statistics still work.
  w.SetSource(TfrmAnalysis::Source::Statistics);
  EXPECT_EQ(w.ReasonText(), "");
  EXPECT_EQ(w.Model().Table().RowCount(), 5u);
  EXPECT_EQ(dialogs.Boxes().size(), boxesBefore);
}

TEST_F(AnalysisWindowTest, SaveAsCsvCopyAndTheLazyGrid) {
  clsImportStats stats;
  for (int i = 0; i < 2500; ++i) {
    auto page = std::make_unique<clsPageObject>();
    page->Hits = static_cast<Counter>(3000 - i);
    stats.slPages.Add("/page" + std::to_string(i), std::move(page));
  }
  stats.slPages.Add(std::string("=cmd|' /C calc'!A0\x01"), std::make_unique<clsPageObject>());
  TfrmAnalysis& w = Analysis(&stats);
  w.Refresh();
  // The first page of rows is in the grid; more come when the view asks.
  EXPECT_EQ(w.Model().ShownRows(), AnalysisModel::kPageRows);
  auto& model = const_cast<AnalysisModel&>(w.Model());
  ASSERT_TRUE(model.canFetchMore(QModelIndex()));
  model.fetchMore(QModelIndex());
  EXPECT_EQ(w.Model().ShownRows(), 2 * AnalysisModel::kPageRows);
  Grid()->scrollToBottom();
  QApplication::processEvents();
  EXPECT_GT(w.Model().ShownRows(), 2 * AnalysisModel::kPageRows);

  // Ctrl+C copies the selected rows, tab-separated.
  QTableView* grid = Grid();
  grid->selectionModel()->select(model.index(1, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  grid->selectionModel()->select(model.index(2, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  w.CopySelection();
  const QString copied = QApplication::clipboard()->text();
  EXPECT_TRUE(copied.startsWith(QStringLiteral("/page0\t3000\t")));
  EXPECT_EQ(copied.count(QLatin1Char('\n')), 2);

  // Save as CSV: the file name the dialog gives, every row, whatever the grid shows.
  const std::string file = dir / "pages.csv";
  dialogs.saveAnswers.push_back(SaveFileChoice{file, 0});
  w.SaveAsCsv();
  ASSERT_FALSE(dialogs.asked.empty());
  EXPECT_EQ(dialogs.asked.back().kind, AskedDialog::Kind::Save);
  EXPECT_EQ(dialogs.asked.back().defaultExt, "csv");
  EXPECT_EQ(dialogs.asked.back().initialName, "stats-pages.csv");
  std::string error;
  const std::string expected = dir / "expected.csv";
  ASSERT_TRUE(WriteCsvFile(expected, w.Model().Table(), w.Model().Totals(), error));
  EXPECT_EQ(ReadFile(file), ReadFile(expected));
  EXPECT_NE(ReadFile(file).find("\r\n\"'=cmd|' /C calc'!A0\x01\",0,"), std::string::npos);
  // A folder that does not exist: a box says so.
  dialogs.saveAnswers.push_back(SaveFileChoice{dir / "missing/pages.csv", 0});
  w.SaveAsCsv();
  ASSERT_EQ(dialogs.Boxes().size(), 1u);
  EXPECT_EQ(dialogs.Boxes()[0].text.rfind("The table was not saved: ", 0), 0u);
  // Cancelled: nothing.
  w.SaveAsCsv();
  EXPECT_EQ(dialogs.Boxes().size(), 1u);
}

}  // namespace
}  // namespace kestrune::test
