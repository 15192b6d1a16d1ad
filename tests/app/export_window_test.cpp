// The spreadsheet export from the real window, offscreen: the Analyze button, F3, the
// end of an import with "Start Excel automatically", EXPORT=<file>, and a call of the
// object model failing part-way.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "export/workbook_file.h"
#include "export/workbook_model.h"
#include "support/failing_spreadsheet.h"
#include "support/workbook_reader.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

const char kLog[] =
    "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes time-taken cs-version "
    "cs(User-Agent) cs(Referer)\r\n"
    "2026-03-01 10:00:00 10.0.0.1 GET /index.htm 200 1000 15 HTTP/1.1 "
    "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.0) -\r\n"
    "2026-03-01 10:01:00 10.0.0.2 GET /a.htm 200 500 10 HTTP/1.1 Googlebot/2.1 -\r\n";

// The user's documents folder is dir/Documents: HOME and the user-dirs file point there.
class ExportWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    Keep("HOME");
    Keep("XDG_CONFIG_HOME");
    setenv("HOME", dir.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    WriteFile(dir / "config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
    std::filesystem::create_directories(Documents());
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }
  void Keep(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  std::string Documents() const { return dir / "Documents"; }
  std::string Workbook() const {
    return Documents() + "/" + WorkbookBaseName(NowLocal()) + ".xlsx";
  }
  void ExpectUnlocked() {
    for (const char* name : {"btnImport", "btnAnalyze", "pgSettings"})
      EXPECT_TRUE(Find<QWidget>(name)->isEnabled()) << name;
    for (const char* name : {"mnFile", "mnOptions", "mnHelp"})
      EXPECT_TRUE(Find<QMenu>(name)->menuAction()->isEnabled()) << name;
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
  // Imports kLog from the program directory as the user would.
  void Import() {
    WriteFile(ProgDir() + "ex260301.log", kLog);
    window->ScanPath(ProgDir() + "*.log");
    window->btnImportClick();
  }
  std::vector<std::string> Log(const std::string& folder) {
    return LogMessages(folder + "maintenance-log.txt");
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(ExportWindowTest, AnalyzeWritesTheWorkbookIntoDocumentsAndOpensIt) {
  OpenRecorder opened(dir);
  Show();
  Import();
  const std::size_t logLines = Log(ProgDir()).size();
  Find<QPushButton>("btnAnalyze")->click();
  EXPECT_EQ(StatusText(), "Completed exporting statistics. Workbook saved: " + Workbook());
  EXPECT_EQ(opened.Opened(1), std::vector<std::string>{Workbook()});
  ExpectUnlocked();
  const WorkbookDump book = ReadWorkbook(Workbook());
  ASSERT_EQ(book.status, 0);
  ASSERT_EQ(book.sheets.size(), 10u);
  // The summary holds the panel's texts as shown.
  EXPECT_EQ(book.Sheet("Statistics").Value("B3"), Text("ebEntries"));
  EXPECT_EQ(book.Sheet("Statistics").Value("B20"), "2");
  EXPECT_EQ(book.Sheet("Pages").Value("A2"), "/index.htm");
  // Nothing goes to the maintenance log from the window.
  EXPECT_EQ(Log(ProgDir()).size(), logLines);
  // A second export never replaces the first.
  window->mnToExcelClick();
  EXPECT_EQ(StatusText(), "Completed exporting statistics. Workbook saved: " + Documents() + "/" +
                              WorkbookBaseName(NowLocal()) + " (2).xlsx");
}

TEST_F(ExportWindowTest, F3RunsTheExport) {
  OpenRecorder opened(dir);
  Show();
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_F3);
  EXPECT_TRUE(Exists(Workbook()));
  EXPECT_EQ(opened.Opened(1), std::vector<std::string>{Workbook()});
}

TEST_F(ExportWindowTest, AFailingCallPartWayIsReportedAndUnlocks) {
  OpenRecorder opened(dir);
  Show();
  Import();
  int exports = 0;
  bool lockedMeanwhile = false;
  window->SetSpreadsheetFactory(
      FailingFactory(CreateSpreadsheetApplication, [&](const std::string& call) {
        if (call == "WorkbooksAdd") {
          ++exports;
          // While the export runs its commands are locked: another cannot start.
          lockedMeanwhile = !Find<QPushButton>("btnAnalyze")->isEnabled() &&
                            QApplication::overrideCursor() != nullptr;
          window->mnToExcelClick();
        }
        return call == "SetValue Pages!B2";
      }));
  window->mnToExcelClick();
  EXPECT_EQ(exports, 1);
  EXPECT_TRUE(lockedMeanwhile);
  EXPECT_EQ(StatusText(),
            "Automation error: The object invoked has disconnected from its clients. Workbook "
            "saved: " +
                Workbook());
  ExpectUnlocked();
  const WorkbookDump book = ReadWorkbook(Workbook());
  ASSERT_EQ(book.status, 0);
  EXPECT_EQ(book.Names(), (std::vector<std::string>{"Statistics", "Files", "Pages"}));
  EXPECT_EQ(book.Sheet("Pages").Value("A2"), "/index.htm");
  EXPECT_EQ(book.Sheet("Pages").Value("B2"), "");
  EXPECT_EQ(opened.Opened(1), std::vector<std::string>{Workbook()});
}

// An error that the export does not catch (not a std::exception) goes up to the caller;
// the window is unlocked and the export commands work again.
TEST_F(ExportWindowTest, AnErrorNothingCatchesStillUnlocksAndLeavesTheCommandsWorking) {
  struct Unexpected {};
  OpenRecorder opened(dir);
  Show();
  window->SetSpreadsheetFactory([]() -> std::unique_ptr<Application> { throw Unexpected{}; });
  EXPECT_THROW(window->mnToExcelClick(), Unexpected);
  ExpectUnlocked();
  window->SetSpreadsheetFactory({});
  Find<QPushButton>("btnAnalyze")->click();
  EXPECT_TRUE(Exists(Workbook()));
}

TEST_F(ExportWindowTest, AFolderThatDoesNotExistIsAnAutomationError) {
  OpenRecorder opened(dir);
  std::filesystem::remove(Documents());
  setenv("HOME", (dir / "gone").c_str(), 1);
  Show();
  window->mnToExcelClick();
  EXPECT_EQ(StatusText(), "Automation error: " + dir / "gone/" + WorkbookBaseName(NowLocal()) +
                              ".xlsx: No such file or directory");
  ExpectUnlocked();
  EXPECT_TRUE(opened.Opened(0).empty());
}

TEST_F(ExportWindowTest, WithoutAnApplicationToOpenItTheFileIsStillWritten) {
  setenv("KESTRUNE_OPEN_COMMAND", (dir / "no-such-opener").c_str(), 1);
  Show();
  window->mnToExcelClick();
  unsetenv("KESTRUNE_OPEN_COMMAND");
  EXPECT_TRUE(Exists(Workbook()));
  EXPECT_EQ(StatusText(), "Completed exporting statistics. Workbook saved: " + Workbook());
}

TEST_F(ExportWindowTest, ExportWordWritesTheNamedFileAndLogsIt) {
  OpenRecorder opened(dir);
  const std::string file = dir / "out.xlsx";
  WriteFile(file, "an older workbook");
  Show({"Export=" + file, "EXPORT=" + dir / "missing/out.xlsx", "QUIT"});
  EXPECT_EQ(ReadWorkbook(file).status, 0);
  EXPECT_EQ(Log(ProgDir()),
            (std::vector<std::string>{
                "Workbook saved: " + file,
                "Workbook not saved: " + dir / "missing/out.xlsx" + ": No such file or directory",
                "Quitting"}));
  EXPECT_EQ(window->Unattended().ExitStatus(), 2);
  EXPECT_TRUE(opened.Opened(0).empty());  // unattended: nothing opened
  EXPECT_FALSE(Exists(dir / "missing"));
}

TEST_F(ExportWindowTest, StartExcelAutomaticallyAfterAnUnattendedRun) {
  OpenRecorder opened(dir);
  Store().RegWriteString(kRootKey, "StartExcel", "Y");
  WriteFile(ProgDir() + "ex260301.log", kLog);
  Show({"RUN", "QUIT"});
  const std::vector<std::string> log = Log(ProgDir());
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log[log.size() - 2], "Workbook saved: " + Workbook());
  EXPECT_EQ(log.back(), "Quitting");
  EXPECT_EQ(window->Unattended().ExitStatus(), 0);
  EXPECT_EQ(ReadWorkbook(Workbook()).Sheet("Users").Value("A2"), "10.0.0.1");
  EXPECT_TRUE(opened.Opened(0).empty());
}

TEST_F(ExportWindowTest, AFailedImportKeepsItsExitStatusOverAFailedExport) {
  Show({"RUN", "EXPORT=" + dir / "missing/out.xlsx", "QUIT"});  // no logs: the import fails
  EXPECT_EQ(window->Unattended().ExitStatus(), 1);
}

}  // namespace
}  // namespace kestrune::test
