// Saving reports: the dialog, the format chosen by the final name, opening the result,
// the error boxes, and the command word REPORT=<file>.
#include <QAction>
#include <QComboBox>
#include <QPushButton>

#include "app/qt_text.h"
#include "support/tmpfs_mount.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

const char kFilter[] = "Text files (*.txt);;XML (*.xml);;HTML (*.html);;All files (*.*)";

class ReportSavingTest : public WindowTest {
 protected:
  void SetUp() override {
    oldDir = std::filesystem::current_path();
    std::filesystem::copy_file(std::string(KESTRUNE_SOURCE_DIR) + "/data/template.html",
                               dir / "template.html");
  }
  void TearDown() override { std::filesystem::current_path(oldDir); }
  void WithTemplate() {
    std::filesystem::create_directories(ProgDir());
    std::filesystem::copy_file(dir / "template.html", ProgDir() + "template.html");
  }
  // Runs Save report with the dialog answering `name` and filter `filter`.
  void Save(const std::string& name, int filter = 0) {
    dialogs.saveAnswers = {SaveFileChoice{name, filter}};
    Find<QAction>("mnSaveReport")->trigger();
  }
  static bool IsXml(const std::string& text) { return text.rfind("<?xml", 0) == 0; }
  static bool IsHtml(const std::string& text) {
    return text.find("<html") != std::string::npos || text.find("<HTML") != std::string::npos;
  }

  std::filesystem::path oldDir;
};

TEST_F(ReportSavingTest, DialogAsksWithTitleFilterAndDatedName) {
  Show();
  Find<QAction>("mnSaveReport")->trigger();  // cancelled: nothing written, nothing shown
  ASSERT_EQ(dialogs.asked.size(), 1u);
  const AskedDialog& a = dialogs.asked[0];
  EXPECT_EQ(a.kind, AskedDialog::Kind::Save);
  EXPECT_EQ(a.title, "Save Report");
  EXPECT_EQ(a.filter, kFilter);
  EXPECT_EQ(a.defaultExt, "txt");
  EXPECT_EQ(a.initialName, "Report-" + FormatDdMmmYyyy(NowLocal()));
  EXPECT_TRUE(dialogs.Boxes().empty());
}

TEST_F(ReportSavingTest, TheExtensionChoosesTheFormatAndTheReportIsOpened) {
  OpenRecorder recorder(dir);
  Show();
  WithTemplate();
  Save(dir / "a.xml");
  Save(dir / "b.Xml", 2);  // the filter does not matter when there is an extension
  Save(dir / "c.htm");
  Save(dir / "d.HTML");
  Save("  " + dir / "e.txt" + "  ");
  EXPECT_TRUE(IsXml(ReadFile(dir / "a.xml")));
  EXPECT_TRUE(IsXml(ReadFile(dir / "b.Xml")));
  EXPECT_FALSE(IsXml(ReadFile(dir / "c.htm")));
  EXPECT_FALSE(IsHtml(ReadFile(dir / "c.htm")));  // a text report
  EXPECT_TRUE(IsHtml(ReadFile(dir / "d.HTML")));
  EXPECT_TRUE(Exists(dir / "e.txt"));
  EXPECT_TRUE(dialogs.Boxes().empty());
  EXPECT_EQ(recorder.Opened(5),
            (std::vector<std::string>{dir / "a.xml", dir / "b.Xml", dir / "c.htm", dir / "d.HTML",
                                      dir / "e.txt"}));
}

TEST_F(ReportSavingTest, NameWithoutExtensionFollowsTheFilter) {
  OpenRecorder recorder(dir);
  Show();
  std::filesystem::create_directories(dir / "logs.old");
  Save(dir / "stats", 1);
  Save(dir / "stats", 0);
  Save(dir / "stats.", 3);
  Save(dir / "logs.old/report", 2);
  EXPECT_TRUE(IsXml(ReadFile(dir / "stats.xml")));
  EXPECT_FALSE(IsXml(ReadFile(dir / "stats.txt")));
  EXPECT_TRUE(Exists(dir / "stats..txt"));
  EXPECT_TRUE(Exists(dir / "logs.old/report.txt"));
  EXPECT_FALSE(Exists(dir / "stats"));
  EXPECT_EQ(recorder.Opened(4),
            (std::vector<std::string>{dir / "stats.xml", dir / "stats.txt", dir / "stats..txt",
                                      dir / "logs.old/report.txt"}));
}

TEST_F(ReportSavingTest, BeforeAnyImportTheReportHoldsZerosAndToday) {
  OpenRecorder recorder(dir);
  Show();
  Save(dir / "empty.txt");
  const std::string text = ReadFile(dir / "empty.txt");
  EXPECT_NE(text.find(FormatDdMmmYyyy(NowLocal())), std::string::npos);
  EXPECT_EQ(text.find("000000"), std::string::npos);  // never the labels' design texts
}

TEST_F(ReportSavingTest, WriterFailureShowsAnErrorOccurred) {
  OpenRecorder recorder(dir);
  Show();
  Save(dir / "missing/dir/r.txt");
  Save(dir / "missing/dir/r.xml");
  const auto boxes = dialogs.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  for (const AskedDialog& box : boxes) {
    EXPECT_EQ(box.text, "An error occurred");
    EXPECT_EQ(box.caption, "Kestrune v1.00");
    EXPECT_EQ(box.buttons, DialogButtons::Of(DialogButton::Ok));
  }
  Save(dir / "fine.txt");
  EXPECT_EQ(recorder.Opened(1), (std::vector<std::string>{dir / "fine.txt"}));
}

TEST_F(ReportSavingTest, AFullDiskKeepsThePreviousReportAndSaysSo) {
  TmpfsMount disk(64);
  if (!disk.Mounted()) GTEST_SKIP() << disk.Reason();
  const std::string report = disk.Path() + "/stats.txt";
  WriteFile(report, "the report of yesterday");
  // Fill the disk, then make the report larger than what is left.
  WriteFile(disk.Path() + "/filler", std::string(60 * 1024, 'f'));
  Show();
  for (int i = 0; i < 2000; ++i) window->Stats().slPages.Add("/page/" + std::to_string(i));
  for (int i = 0; i < window->Stats().slPages.Count(); ++i)
    window->Stats().slPages.ObjectOrCreate(i).Hits = 1;
  OpenRecorder recorder(dir);
  Save(report);
  const auto boxes = dialogs.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "An error occurred");
  EXPECT_EQ(ReadFile(report), "the report of yesterday");
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(disk.Path()))
    names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"filler", "stats.txt"}));
}

TEST_F(ReportSavingTest, MissingTemplateShowsItsErrorAndWritesNothing) {
  OpenRecorder recorder(dir);
  Show();  // no template in the program directory
  WriteFile(dir / "old.html", "keep me");
  Save(dir / "report.html");
  Save(dir / "old.html");
  const auto boxes = dialogs.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "Cannot open file " + ProgDir() + "template.html.");
  EXPECT_EQ(boxes[0].caption, "Kestrune");
  EXPECT_EQ(boxes[0].icon, DialogIcon::Error);
  EXPECT_FALSE(Exists(dir / "report.html"));
  EXPECT_EQ(ReadFile(dir / "old.html"), "keep me");
  Save(dir / "fine.txt");
  EXPECT_EQ(recorder.Opened(1), (std::vector<std::string>{dir / "fine.txt"}));
}

class ReportWordTest : public ReportSavingTest {
 protected:
  std::vector<std::string> Log() { return LogMessages(ProgDir() + "maintenance-log.txt"); }
};

TEST_F(ReportWordTest, ReportWordWritesRelativeToTheCurrentDirectory) {
  OpenRecorder recorder(dir);
  WithTemplate();
  std::filesystem::current_path(dir.Path());
  Show({"report=out.xml", "Report=out.HTML", "REPORT=plain"});
  EXPECT_TRUE(IsXml(ReadFile(dir / "out.xml")));
  EXPECT_TRUE(IsHtml(ReadFile(dir / "out.HTML")));
  EXPECT_TRUE(Exists(dir / "plain.txt"));
  EXPECT_EQ(Log(), (std::vector<std::string>{"Report saved: out.xml", "Report saved: out.HTML",
                                             "Report saved: plain.txt"}));
  EXPECT_TRUE(dialogs.asked.empty());  // no dialog, no box
  EXPECT_EQ(window->Unattended().ExitStatus(), 0);
  Save(dir / "menu.txt");
  EXPECT_EQ(recorder.Opened(1), (std::vector<std::string>{dir / "menu.txt"}));  // only this
}

TEST_F(ReportWordTest, FailedReportMakesExitStatusTwoUnlessAnImportFailed) {
  Show({"REPORT=" + dir / "missing/r.txt", "REPORT=" + dir / "r.html"});
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "Report not saved: " + dir / "missing/r.txt" + " (An error occurred)",
                       "Report not saved: " + dir / "r.html" + " (Cannot open file " + ProgDir() +
                           "template.html.)"}));
  EXPECT_EQ(window->Unattended().ExitStatus(), 2);
  window->CommandWord("RUN");  // nothing to import: the import fails
  EXPECT_EQ(window->Unattended().ExitStatus(), 1);
}

}  // namespace
}  // namespace kestrune::test
