// What the window adds to the import run (tests/importing has the run itself): the
// listing, the controls read into the run, the boxes through the window's dialogs, the
// completion in the log file, status line and panel, and the window locked meanwhile.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <regex>

#include "app/qt_text.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

const std::string kFields = "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n";

// An IIS log of a fields line and one request per (time, visitor, page).
std::string IisLog(const std::vector<std::string>& requests) {
  std::string text = "#Software: Microsoft Internet Information Server 4.0\r\n" + kFields;
  for (const std::string& r : requests) text += "2026-03-01 " + r + " 200 1000\r\n";
  return text;
}

class ImportDriverTest : public WindowTest {
 protected:
  void SetUp() override { logs = dir / "logs/"; }
  void Import(const std::string& path) {
    Find<QComboBox>("cbPath")->setEditText(ToQString(path));
    Find<QPushButton>("btnImport")->click();
  }
  void List(const std::string& path) {
    auto* cb = Find<QComboBox>("cbPath");
    cb->setEditText(ToQString(path));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(cb->lineEdit(), &press);
  }
  void MoveOn() { Find<QCheckBox>("cbMoveToProcessed")->setChecked(true); }
  std::vector<std::string> Log() { return LogMessages(logs + "maintenance-log.txt"); }
  std::vector<std::string> LogStarting(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : Log())
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
  }
  std::string Completion() {
    const std::vector<std::string> log = Log();
    for (auto it = log.rbegin(); it != log.rend(); ++it)
      if (*it == "Update completed." || *it == "Update FAILED !") return *it;
    return "";
  }
  bool Unlocked() {
    return Find<QWidget>("btnImport")->isEnabled() && Find<QWidget>("pgSettings")->isEnabled() &&
           QApplication::overrideCursor() == nullptr;
  }

  std::string logs;
};

TEST_F(ImportDriverTest, ListedImportedAndShown) {
  WriteFile(logs + "ex0301.log", IisLog({"10:00:00 10.0.0.1 GET /a.html"}));
  WriteFile(logs + "ex0302.log", IisLog({"10:00:00 10.0.0.2 GET /b.html"}));
  WriteFile(logs + "EX0303.log", IisLog({"10:00:00 10.0.0.3 GET /c.html"}));
  WriteFile(logs + "notes.txt", "not a log");
  Show();
  MoveOn();
  List(logs + "*.log");
  EXPECT_EQ(StatusText(), "3 files found in " + logs + "*.log");
  Import(logs + "*.log");

  EXPECT_EQ(LogStarting("Scanning file ").size(), 3u);
  for (const char* name : {"ex0301.log", "ex0302.log", "EX0303.log"})
    EXPECT_TRUE(Exists(logs + "processed/" + name)) << name;  // cbMoveToProcessed read
  EXPECT_TRUE(Exists(logs + "notes.txt"));

  // The completion: log lines, a box (attended, option on), the status line.
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 5u);
  const std::size_t n = log.size();
  EXPECT_EQ(log[n - 5], "Update completed.");
  EXPECT_EQ(log[n - 4], "");
  EXPECT_TRUE(std::regex_match(log[n - 3], std::regex(R"(3 file\(s\) scanned in 0:00:0\d)")))
      << log[n - 3];
  EXPECT_EQ(log[n - 2], "");
  EXPECT_EQ(log[n - 1], "");
  ASSERT_EQ(dialogs.Boxes().size(), 1u);
  EXPECT_EQ(dialogs.Boxes()[0].caption, "Kestrune");
  EXPECT_EQ(dialogs.Boxes()[0].text.rfind("Update completed.\r\n\r\n3 file(s) scanned in ", 0), 0u);
  EXPECT_TRUE(std::regex_match(
      StatusText(), std::regex(R"(Update completed\. \(3 file\(s\) scanned in 0:00:0\d\))")));

  const clsImportStats& s = window->Stats();
  ASSERT_EQ(s.slFiles.Count(), 3);
  EXPECT_EQ(s.slFiles.Object(0)->LineCount, 3);
  EXPECT_EQ(Text("ebEntries"), "9");  // the panel exact at the end
  EXPECT_EQ(Text("ebUsers"), "3");
  EXPECT_EQ(Find<QProgressBar>("pbProgress")->value(), 0);
  EXPECT_TRUE(Unlocked());
  EXPECT_EQ(window->Unattended().LastImport(), ImportResult::Completed);

  // The path and its directory are remembered; the log moved into the import directory.
  const std::string key = kRootKey + "\\ImportPaths";
  EXPECT_EQ(Store().RegReadString(key, "Last", ""), "0");
  EXPECT_EQ(Store().RegReadString(key, "LastPath", ""), logs);
  EXPECT_EQ(window->MaintenanceLogPath(), logs + "maintenance-log.txt");
}

TEST_F(ImportDriverTest, TheSelectionOfTheFileListIsRead) {
  WriteFile(logs + "A.log", IisLog({"10:00:00 10.0.0.1 GET /a.html"}));
  WriteFile(logs + "a.log", IisLog({"10:00:00 10.0.0.2 GET /b.html"}));
  Show();
  List(logs + "*.log");
  auto* files = Find<QListWidget>("lbFiles");
  ASSERT_EQ(files->count(), 2);
  for (int i = 0; i < files->count(); ++i)
    files->item(i)->setSelected(files->item(i)->text() != ToQString(logs + "A.log"));
  Import(logs + "*.log");
  EXPECT_EQ(LogStarting("Skipping file "),
            (std::vector<std::string>{"Skipping file " + logs + "A.log."}));
  EXPECT_EQ(LogStarting("Scanning file "),
            (std::vector<std::string>{"Scanning file " + logs + "a.log."}));
  EXPECT_EQ(window->Stats().slUsers.IndexOf("10.0.0.1"), -1);
}

TEST_F(ImportDriverTest, TheErrorBoxAsksThroughTheDialogs) {
  WriteFile(logs + "a.log", kFields + "2026-03-00 10:00:00 10.0.0.1 GET /a.html 200 1\r\n");
  WriteFile(logs + "b.log", IisLog({"10:00:00 10.0.0.1 GET /b.html"}));
  Show();
  MoveOn();
  dialogs.boxAnswers = {DialogButton::Cancel};
  Import(logs + "*.log");
  ASSERT_EQ(dialogs.Boxes().size(), 2u);  // the error, then the completion
  EXPECT_EQ(dialogs.Boxes()[0].caption, "Error");
  EXPECT_EQ(dialogs.Boxes()[0].buttons, DialogButtons::Of(DialogButton::Ok, DialogButton::Cancel));
  EXPECT_EQ(dialogs.Boxes()[0].text.rfind("Exception:\r\n", 0), 0u);
  EXPECT_TRUE(Exists(logs + "a.log"));
  EXPECT_FALSE(Exists(logs + "invalid/a.log"));
  EXPECT_TRUE(Exists(logs + "b.log"));
  EXPECT_EQ(Completion(), "Update FAILED !");
  EXPECT_TRUE(Unlocked());
}

TEST_F(ImportDriverTest, BareMaskWithoutDirectoryFails) {
  WriteFile(logs + "a.log", IisLog({"10:00:00 10.0.0.1 GET /a.html"}));
  Show();
  MoveOn();
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(logs);
  Import("*.log");  // found here, but named "*.log/a.log", which does not exist
  std::filesystem::current_path(old);
  EXPECT_EQ(window->Unattended().LastImport(), ImportResult::Failed);
  EXPECT_EQ(window->Stats().slFiles.Count(), 1);
  EXPECT_EQ(window->Stats().slFiles.Key(0), "*.log/a.log");
  EXPECT_EQ(window->Stats().Entries, 0u);
  EXPECT_TRUE(Exists(logs + "a.log"));
  EXPECT_FALSE(Exists(logs + "*.log"));  // no folders named after the mask
}

TEST_F(ImportDriverTest, DirectoryWithoutMaskReadsNothingAndCompletes) {
  WriteFile(logs + "a.log", IisLog({"10:00:00 10.0.0.1 GET /a.html"}));
  Show();
  List(dir / "logs");
  EXPECT_EQ(StatusText(), "0 files found in " + dir / "logs");
  EXPECT_EQ(Find<QListWidget>("lbFiles")->count(), 0);
  Import(dir / "logs");
  EXPECT_EQ(window->Unattended().LastImport(), ImportResult::Completed);
  EXPECT_EQ(window->Stats().slFiles.Count(), 0);
}

TEST_F(ImportDriverTest, MissingDsnAsksAndDoesNothingElse) {
  WriteFile(logs + "a.log", IisLog({"10:00:00 10.0.0.1 GET /a.html"}));
  Show();
  Find<QCheckBox>("cbAddToDb")->setChecked(true);
  Find<QLineEdit>("ebDSN")->setText(QStringLiteral("   "));
  Import(logs + "*.log");
  ASSERT_EQ(dialogs.Boxes().size(), 1u);
  EXPECT_EQ(dialogs.Boxes()[0].text, "No DSN specified.");
  EXPECT_EQ(dialogs.Boxes()[0].caption, "Database error");
  EXPECT_EQ(dialogs.Boxes()[0].buttons, DialogButtons::Of(DialogButton::Ok));
  EXPECT_FALSE(Exists(logs + "maintenance-log.txt"));
  EXPECT_EQ(window->Stats().Entries, 0u);
  EXPECT_TRUE(Unlocked());
}

TEST_F(ImportDriverTest, DatabaseThatCannotOpenEndsTheRunCleanly) {
  WriteFile(logs + "a.log", IisLog({"10:00:00 10.0.0.1 GET /a.html"}));
  Show();
  MoveOn();
  Find<QCheckBox>("cbAddToDb")->setChecked(true);
  Find<QLineEdit>("ebDSN")->setText(QStringLiteral("KestruneNoSuchSource"));
  Import(logs + "*.log");
  ASSERT_GE(dialogs.Boxes().size(), 1u);
  EXPECT_NE(dialogs.Boxes()[0].text.find("Data source name not found"), std::string::npos)
      << dialogs.Boxes()[0].text;
  EXPECT_EQ(dialogs.Boxes()[0].caption, "Error");
  EXPECT_EQ(dialogs.Boxes()[0].buttons, DialogButtons::Of(DialogButton::Ok));
  EXPECT_EQ(Completion(), "Update FAILED !");
  EXPECT_TRUE(Unlocked());
}

TEST_F(ImportDriverTest, TwoImportsAddUpUntilClear) {
  WriteFile(logs + "a.log", IisLog({"10:00:00 10.0.0.1 GET /a.html"}));
  WriteFile(logs + "b.log", IisLog({"10:00:00 10.0.0.2 GET /b.html"}));
  Show();
  Import(logs + "*.log");
  Import(logs + "*.log");
  EXPECT_EQ(window->Stats().slFiles.Count(), 4);
  EXPECT_EQ(Text("ebEntries"), "12");
  EXPECT_EQ(LogStarting("4 file(s) scanned in ").size(), 1u);
  Find<QAction>("mnClear")->trigger();
  Import(logs + "*.log");
  EXPECT_EQ(LogStarting("2 file(s) scanned in ").size(), 2u);
}

TEST_F(ImportDriverTest, UnixFormatWhenIisIsNotChecked) {
  WriteFile(logs + "access.log",
            "10.0.0.1 - - [01/Mar/2026:10:00:00 +0100] \"GET /index.html HTTP/1.0\" 200 1536\n");
  Show();
  Find<QRadioButton>("rbUnix")->setChecked(true);
  Find<QLineEdit>("ebSiteIP")->setText(QStringLiteral("192.168.1.10"));
  Import(logs + "*.log");
  EXPECT_EQ(Completion(), "Update completed.");
  EXPECT_EQ(window->Stats().PageHits, 1u);
  EXPECT_EQ(Text("ebTraffic"), "1536");
  EXPECT_NE(window->Stats().slPages.IndexOf("/INDEX.HTML"), -1);
}

TEST_F(ImportDriverTest, CompletionBoxFollowsItsOption) {
  WriteFile(logs + "a.log", IisLog({"10:00:00 10.0.0.1 GET /a.html"}));
  Show();
  Find<QAction>("mnShowimportcompletionmessage")->setChecked(false);
  Import(logs + "*.log");
  EXPECT_TRUE(dialogs.Boxes().empty());
  EXPECT_EQ(Completion(), "Update completed.");
}

}  // namespace
}  // namespace kestrune::test
