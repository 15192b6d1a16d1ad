// LoadSettings, SaveSettings and RememberLastPath against a real settings file.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include "app/qt_text.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

class WindowSettingsTest : public WindowTest {
 protected:
  bool Checked(const char* name) { return Find<QAbstractButton>(name)->isChecked(); }
  bool Ticked(const char* action) { return Find<QAction>(action)->isChecked(); }
  std::string EditText(const char* name) { return ToStdString(Find<QLineEdit>(name)->text()); }
  std::vector<std::string> Items(const char* listName) {
    std::vector<std::string> out;
    auto* list = Find<QListWidget>(listName);
    for (int i = 0; i < list->count(); ++i) out.push_back(ToStdString(list->item(i)->text()));
    return out;
  }
  std::vector<std::string> PathItems() {
    std::vector<std::string> out;
    auto* cb = Find<QComboBox>("cbPath");
    for (int i = 0; i < cb->count(); ++i) out.push_back(ToStdString(cb->itemText(i)));
    return out;
  }
  std::string PathText() { return ToStdString(Find<QComboBox>("cbPath")->currentText()); }
  std::string Root(const char* name) { return Store().RegReadString(kRootKey, name, "<none>"); }
  // Three remembered paths, the second of which has two log files.
  void ThreePaths(const std::string& last) {
    SettingsStore store = Store();
    const std::string key = kRootKey + "\\ImportPaths";
    store.RegWriteString(key, dir / "a/*.log", "");
    store.RegWriteString(key, "Last", last);
    store.RegWriteString(key, dir / "b/*.log", "");
    store.RegWriteString(key, "LastPath", dir / "b/");
    store.RegWriteString(key, dir / "c/*.log", "");
    WriteFile(dir / "a/one.log", "x\r\n");
    WriteFile(dir / "b/two.log", "x\r\n");
    WriteFile(dir / "b/three.log", "x\r\n");
  }
};

TEST_F(WindowSettingsTest, DefaultsOnAnEmptyStore) {
  Show();
  EXPECT_TRUE(Checked("rbIIS"));
  EXPECT_FALSE(Checked("rbUnix"));
  EXPECT_TRUE(Ticked("mnShowimportcompletionmessage"));
  EXPECT_FALSE(Ticked("mnStartExcelautomatically"));
  for (const char* box :
       {"cbDownloadExt", "cbIgnoreExt", "cbIgnoreIP", "cbMoveToProcessed", "cbAddToDb",
        "cbRemoveDownloadedFiles", "cbUnixCombined", "cbUnixKeepCase"})
    EXPECT_FALSE(Checked(box)) << box;
  for (const char* edit :
       {"ebSiteIP", "ebFTPServer", "ebFTPLogDirectory", "ebFTPUsername", "ebFTPPassword"})
    EXPECT_EQ(EditText(edit), "") << edit;
  // The data source that make run and setup-database create.
  EXPECT_EQ(EditText("ebDSN"), "Kestrune");
  EXPECT_TRUE(PathItems().empty());
  EXPECT_EQ(PathText(), "");
  EXPECT_EQ(Find<QListWidget>("lbFiles")->count(), 0);
  EXPECT_FALSE(Exists(SettingsPath()));  // reading writes nothing
}

TEST_F(WindowSettingsTest, ADamagedLineLosesOnlyItselfAndIsCountedInTheLog) {
  WriteFile(SettingsPath(),
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune]\r\n"
            "\"Move\"=\"Y\"\r\n\"IgnoreIPFlag\"=\"Y\"\r\n\"UNIX\"=\x01\xff\r\n"
            "[HKEY_CURRENT_USER\\Software\\Vantorel\\Kestrune\\IgnoreIP]\r\n"
            "\"10.0.0.1\"=\"\"\r\n\"10.0.0.2\r\n\"10.0.0.3\"=\"\"\r\n");
  Show();
  EXPECT_TRUE(Checked("cbMoveToProcessed"));
  EXPECT_TRUE(Checked("cbIgnoreIP"));
  EXPECT_EQ(Items("lbIgnoreIP"), (std::vector<std::string>{"10.0.0.1", "10.0.0.3"}));
  EXPECT_EQ(window->Stats().slIgnoreIP.Count(), 2);
  EXPECT_EQ(LogMessages(ProgDir() + "maintenance-log.txt"),
            std::vector<std::string>{"Settings file " + SettingsPath() +
                                     ": 2 unreadable line(s) skipped"});
}

TEST_F(WindowSettingsTest, SaveThenLoadRoundTrip) {
  {
    Show();
    Find<QCheckBox>("cbDownloadExt")->setChecked(true);
    Find<QCheckBox>("cbIgnoreIP")->setChecked(true);
    Find<QCheckBox>("cbMoveToProcessed")->setChecked(true);
    Find<QCheckBox>("cbAddToDb")->setChecked(true);
    Find<QRadioButton>("rbUnix")->setChecked(true);
    Find<QAction>("mnShowimportcompletionmessage")->setChecked(false);
    Find<QAction>("mnStartExcelautomatically")->setChecked(true);
    Find<QLineEdit>("ebSiteIP")->setText(QStringLiteral(" 10.0.0.1 "));
    Find<QLineEdit>("ebDSN")->setText(QStringLiteral("FILEDSN=/x/y.dsn"));
    Find<QLineEdit>("ebFTPServer")->setText(QStringLiteral("  ftp.example  "));
    Find<QLineEdit>("ebFTPPassword")->setText(QStringLiteral(" p\"w\\d "));
    window->Stats().slDownloadExt.Add(".ZIP");
    window->Stats().slDownloadExt.Add(".EXE");
    window->Stats().slIgnoreIP.Add("10.1.1.1");
    window->ScanPath(dir / "logs/*.log");
    window->close();  // FormClose writes the settings
  }
  EXPECT_EQ(Root("UNIX"), "Y");
  EXPECT_EQ(Root("IIS"), "N");
  EXPECT_EQ(Root("ImportMsg"), "N");
  EXPECT_EQ(Root("SiteIP"), " 10.0.0.1 ");      // as typed
  EXPECT_EQ(Root("FTPServer"), "ftp.example");  // trimmed
  EXPECT_EQ(Root("FTPPassword"), "p\"w\\d");
  EXPECT_EQ(Root("RemoveDownloadedFiles"), "N");
  EXPECT_EQ(Store().RegValueNames(kRootKey + "\\DownloadExt"),
            (std::vector<std::string>{".ZIP", ".EXE"}));
  EXPECT_TRUE(Store().RegValueNames(kRootKey + "\\IgnoreExt").empty());

  window.reset();
  Show();
  EXPECT_TRUE(Checked("cbDownloadExt"));
  EXPECT_FALSE(Checked("cbIgnoreExt"));
  EXPECT_TRUE(Checked("cbIgnoreIP"));
  EXPECT_TRUE(Checked("cbMoveToProcessed"));
  EXPECT_TRUE(Checked("cbAddToDb"));
  EXPECT_TRUE(Checked("rbUnix"));
  EXPECT_FALSE(Checked("rbIIS"));
  EXPECT_FALSE(Ticked("mnShowimportcompletionmessage"));
  EXPECT_TRUE(Ticked("mnStartExcelautomatically"));
  EXPECT_EQ(EditText("ebDSN"), "FILEDSN=/x/y.dsn");
  EXPECT_EQ(EditText("ebFTPPassword"), "p\"w\\d");
  EXPECT_EQ(Items("lbDownloadExt"), (std::vector<std::string>{".ZIP", ".EXE"}));
  EXPECT_EQ(window->Stats().slDownloadExt.Count(), 2);
  EXPECT_EQ(window->Stats().slIgnoreIP.Key(0), "10.1.1.1");
  EXPECT_EQ(PathItems(), (std::vector<std::string>{dir / "logs/*.log"}));
  EXPECT_EQ(PathText(), dir / "logs/*.log");  // Last missing: index 0
}

TEST_F(WindowSettingsTest, RemovingTheLastEntryRemovesTheSubKey) {
  Store().RegWriteString(kRootKey + "\\DownloadExt", ".ZIP", "");
  Show();
  window->Stats().slDownloadExt.Delete(0);
  window->SaveSettings();
  EXPECT_TRUE(Store().RegValueNames(kRootKey + "\\DownloadExt").empty());
  EXPECT_EQ(Store().RegReadString(kRootKey + "\\DownloadExt", ".ZIP", "gone"), "gone");
}

TEST_F(WindowSettingsTest, PathsAccumulateAcrossSaves) {
  Store().RegWriteString(kRootKey + "\\ImportPaths", "/old/*.log", "");
  Show();
  window->ScanPath(dir / "new/*.log");
  window->ScanPath(dir / "NEW/*.LOG");  // the same path without regard to case
  window->SaveSettings();
  EXPECT_EQ(Store().RegValueNames(kRootKey + "\\ImportPaths"),
            (std::vector<std::string>{"/old/*.log", dir / "new/*.log"}));
}

TEST_F(WindowSettingsTest, LastSelectsTheRememberedPathAndListsItsFiles) {
  ThreePaths("1");
  Show();
  EXPECT_EQ(PathItems(),
            (std::vector<std::string>{dir / "a/*.log", dir / "b/*.log", dir / "c/*.log"}));
  EXPECT_EQ(PathText(), dir / "b/*.log");
  EXPECT_EQ(Items("lbFiles"), (std::vector<std::string>{dir / "b/three.log", dir / "b/two.log"}));
  EXPECT_EQ(Find<QListWidget>("lbFiles")->selectedItems().size(), 2);
}

TEST_F(WindowSettingsTest, LastOutOfRangeSelectsNothing) {
  ThreePaths("7");
  Show();
  EXPECT_EQ(PathItems().size(), 3u);
  EXPECT_EQ(PathText(), "");
  EXPECT_EQ(Find<QListWidget>("lbFiles")->count(), 0);
}

TEST_F(WindowSettingsTest, LastNotANumberSelectsTheFirst) {
  for (const char* last : {"abc", "", "1x", "-1"}) {
    window.reset();
    std::filesystem::remove(SettingsPath());
    ThreePaths(last);
    Show();
    const bool none = std::string(last) == "-1";
    EXPECT_EQ(PathText(), none ? "" : dir / "a/*.log") << last;
    EXPECT_EQ(Items("lbFiles").size(), none ? 0u : 1u) << last;
  }
}

TEST_F(WindowSettingsTest, OnlyAnExactUpperCaseYIsOn) {
  for (const char* text : {"y", "Yes", "1", "YES", " Y"}) {
    window.reset();
    SettingsStore store = Store();
    for (const char* flag : {"DownloadExtFlag", "IgnoreExtFlag", "IgnoreIPFlag", "ImportMsg",
                             "StartExcel", "Move", "AddToDb", "RemoveDownloadedFiles", "IIS"})
      store.RegWriteString(kRootKey, flag, text);
    Show();
    EXPECT_FALSE(Checked("cbDownloadExt")) << text;
    EXPECT_FALSE(Checked("cbMoveToProcessed")) << text;
    EXPECT_FALSE(Checked("cbRemoveDownloadedFiles")) << text;
    EXPECT_FALSE(Ticked("mnShowimportcompletionmessage")) << text;
    EXPECT_FALSE(Checked("rbIIS")) << text;
    EXPECT_FALSE(Checked("rbUnix")) << text;  // both off: neither checked
  }
}

TEST_F(WindowSettingsTest, BothFormatsOnMeansUnix) {
  Store().RegWriteString(kRootKey, "UNIX", "Y");
  Show();  // IIS defaults to Y
  EXPECT_TRUE(Checked("rbUnix"));
  EXPECT_FALSE(Checked("rbIIS"));
}

TEST_F(WindowSettingsTest, RememberLastPathWritesIndexThenDirectory) {
  Show();
  window->RememberLastPath(2, "/var/log/site/");
  const std::string key = kRootKey + "\\ImportPaths";
  EXPECT_EQ(Store().RegValueNames(key), (std::vector<std::string>{"Last", "LastPath"}));
  EXPECT_EQ(Store().RegReadString(key, "Last", ""), "2");
  EXPECT_EQ(Store().RegReadString(key, "LastPath", ""), "/var/log/site/");
}

TEST_F(WindowSettingsTest, ReturnInThePathBoxListsAndRemembers) {
  WriteFile(dir / "logs/a.log", "x\r\n");
  Show();
  auto* cb = Find<QComboBox>("cbPath");
  cb->setEditText(ToQString(dir / "logs/*.log"));
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(cb->lineEdit(), &press);
  EXPECT_EQ(PathItems(), (std::vector<std::string>{dir / "logs/*.log"}));
  EXPECT_EQ(Items("lbFiles"), (std::vector<std::string>{dir / "logs/a.log"}));
  EXPECT_EQ(StatusText(), "1 files found in " + dir / "logs/*.log");
  // Picking an entry from the list lists it as well.
  window->ScanPath(dir / "other/*.log");
  EXPECT_EQ(Items("lbFiles").size(), 0u);
  cb->setCurrentIndex(0);
  emit cb->activated(0);
  EXPECT_EQ(Items("lbFiles"), (std::vector<std::string>{dir / "logs/a.log"}));
}

}  // namespace
}  // namespace kestrune::test
