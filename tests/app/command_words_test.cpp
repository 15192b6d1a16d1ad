// Start-up command words, DisableAll / EnableAll and the menu short-cuts of the shown
// window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "window_fixture.h"

namespace kestrune::test {
namespace {

class CommandWordsTest : public WindowTest {
 protected:
  std::vector<std::string> Log() { return LogMessages(ProgDir() + "maintenance-log.txt"); }
};

TEST_F(CommandWordsTest, NoWordsIsAttended) {
  Show();
  EXPECT_FALSE(window->Unattended().Active());
  EXPECT_FALSE(window->Unattended().QuitRequested());
  EXPECT_FALSE(Exists(ProgDir() + "maintenance-log.txt"));
}

TEST_F(CommandWordsTest, WordsInAnyCaseAndAfterQuit) {
  Show({"qUiT", "bogus", "Download", "quit"});
  EXPECT_TRUE(window->Unattended().Active());
  EXPECT_TRUE(window->Unattended().QuitRequested());
  // No FTP directory set: the fetch stops at its box.
  EXPECT_EQ(Log(), (std::vector<std::string>{"Quitting", "Quitting"}));
  ASSERT_EQ(dialogs.Boxes().size(), 1u);
  EXPECT_EQ(dialogs.Boxes()[0].text, "No FTP path given");
  EXPECT_EQ(window->Unattended().ExitStatus(), 0);
  EXPECT_FALSE(Exists(SettingsPath()));  // QUIT writes no settings
}

TEST_F(CommandWordsTest, UnknownWordsAloneMakeTheRunUnattended) {
  Show({"--verbose"});
  EXPECT_TRUE(window->Unattended().Active());
  EXPECT_FALSE(window->Unattended().QuitRequested());
  EXPECT_FALSE(Exists(ProgDir() + "maintenance-log.txt"));
}

TEST_F(CommandWordsTest, RunImportsTheProgramDirectoryAsIis) {
  Store().RegWriteString(kRootKey, "UNIX", "Y");
  Make({"Run"});
  window->FormShow();
  EXPECT_EQ(Log().at(0), "Scanning for new files");
  EXPECT_EQ(Find<QComboBox>("cbPath")->currentText().toStdString(), ProgDir() + "*.log");
  EXPECT_TRUE(Find<QRadioButton>("rbIIS")->isChecked());
  // No *.log there: the run fails, and QUIT after it reports that.
  EXPECT_EQ(window->Unattended().LastImport(), ImportResult::Failed);
  window->CommandWord("QUIT");
  EXPECT_EQ(window->Unattended().ExitStatus(), 1);
}

class WindowLockTest : public WindowTest {
 protected:
  void ExpectLocked(bool locked) {
    for (const char* name : {"btnImport", "btnAnalyze", "pgSettings"})
      EXPECT_EQ(Find<QWidget>(name)->isEnabled(), !locked) << name;
    for (const char* name : {"mnFile", "mnOptions", "mnHelp"})
      EXPECT_EQ(Find<QMenu>(name)->menuAction()->isEnabled(), !locked) << name;
    EXPECT_TRUE(window->isEnabled());  // the window itself never
    const QCursor* cursor = QApplication::overrideCursor();
    if (locked) {
      ASSERT_NE(cursor, nullptr);
      EXPECT_EQ(cursor->shape(), Qt::WaitCursor);
    } else {
      EXPECT_EQ(cursor, nullptr);
    }
  }
};

TEST_F(WindowLockTest, DisableAllAndEnableAll) {
  Show();
  ExpectLocked(false);
  window->DisableAll();
  ExpectLocked(true);
  window->DisableAll();  // twice: one EnableAll still unlocks
  window->EnableAll();
  ExpectLocked(false);
  EXPECT_FALSE(Find<QAction>("mnDownload")->isEnabled());  // stays hidden and disabled
}

class ShortcutTest : public WindowTest {
 protected:
  void ShowActive() {
    Show();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
};

TEST_F(ShortcutTest, CtrlRClearsUnlessLocked) {
  ShowActive();
  window->Stats().Entries = 5;
  window->DisableAll();
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(window->Stats().Entries, 5u);  // the File menu is locked
  window->EnableAll();
  QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(window->Stats().Entries, 0u);
  EXPECT_EQ(Text("ebEntries"), "0");
}

TEST_F(ShortcutTest, F4DoesNothingAndCtrlQCloses) {
  ShowActive();
  QTest::keyClick(window.get(), Qt::Key_F4);
  EXPECT_FALSE(Exists(ProgDir() + "maintenance-log.txt"));  // no download line
  QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(Exists(SettingsPath()));  // closing ran FormClose
}

}  // namespace
}  // namespace kestrune::test
