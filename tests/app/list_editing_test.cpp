// INS and DEL in the three configuration list boxes.
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/qt_text.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

struct ListCase {
  const char* box;
  const char* insPrompt;
  const char* delPrompt;
};

class ListEditingTest : public WindowTest {
 protected:
  std::vector<std::string> Items(const char* box) {
    std::vector<std::string> out;
    auto* list = Find<QListWidget>(box);
    for (int i = 0; i < list->count(); ++i) out.push_back(ToStdString(list->item(i)->text()));
    return out;
  }
  template <class T>
  std::vector<std::string> Keys(const KeyedList<T>& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Key(i));
    return out;
  }
  void Press(const char* box, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(Find<QListWidget>(box), key, mods);
  }
  void Select(const char* box, int row) {
    auto* list = Find<QListWidget>(box);
    list->clearSelection();
    list->item(row)->setSelected(true);
  }
};

TEST_F(ListEditingTest, InsAddsTrimmedUpperCaseAtTheEnd) {
  Store().RegWriteString(kRootKey + "\\DownloadExt", ".EXE", "");
  Show();
  dialogs.inputAnswers = {std::string(" .zip ")};
  Press("lbDownloadExt", Qt::Key_Insert);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  EXPECT_EQ(dialogs.asked[0].caption, "Add");
  EXPECT_EQ(dialogs.asked[0].prompt, "Downloadable extension:");
  EXPECT_EQ(dialogs.asked[0].initial, "");
  EXPECT_EQ(Keys(window->Stats().slDownloadExt), (std::vector<std::string>{".EXE", ".ZIP"}));
  EXPECT_EQ(Items("lbDownloadExt"), (std::vector<std::string>{".EXE", ".ZIP"}));
}

TEST_F(ListEditingTest, DuplicatesBlanksAndCancelChangeNothing) {
  Store().RegWriteString(kRootKey + "\\IgnoreExt", "ZIP", "");
  Show();
  dialogs.inputAnswers = {std::string("zip"), std::string("   "), std::nullopt};
  for (int i = 0; i < 3; ++i) Press("lbIgnoreExt", Qt::Key_Insert);
  EXPECT_EQ(dialogs.asked.size(), 3u);
  EXPECT_EQ(Items("lbIgnoreExt"), (std::vector<std::string>{"ZIP"}));
  EXPECT_EQ(window->Stats().slIgnoreExt.Count(), 1);
}

TEST_F(ListEditingTest, LongInputIsCutBeforeTrimming) {
  Show();
  const std::string input = std::string(250, 'a') + "      bcdef";  // 261 characters
  dialogs.inputAnswers = {input};
  Press("lbIgnoreIP", Qt::Key_Insert);
  ASSERT_EQ(window->Stats().slIgnoreIP.Count(), 1);
  EXPECT_EQ(window->Stats().slIgnoreIP.Key(0), std::string(250, 'A'));
}

TEST_F(ListEditingTest, AnyShiftStateOpensTheDialogsAndOtherKeysPass) {
  Show();
  Press("lbIgnoreIP", Qt::Key_Insert, Qt::ShiftModifier);
  Press("lbIgnoreIP", Qt::Key_Insert, Qt::ControlModifier);
  Press("lbIgnoreIP", Qt::Key_Insert, Qt::AltModifier);
  EXPECT_EQ(dialogs.asked.size(), 3u);
  Press("lbIgnoreIP", Qt::Key_A);
  Press("lbFiles", Qt::Key_Insert);  // the file list has no editing
  EXPECT_EQ(dialogs.asked.size(), 3u);
}

TEST_F(ListEditingTest, EachBoxWithItsPrompts) {
  const std::vector<ListCase> cases = {
      {"lbDownloadExt", "Downloadable extension:", "Remove from download extension:"},
      {"lbIgnoreExt", "Ignore pages with extension:", "Stop ignoring extension:"},
      {"lbIgnoreIP", "Ignore users with IP address:", "Stop ignoring user:"}};
  Show();
  for (const ListCase& c : cases) {
    dialogs.asked.clear();
    dialogs.inputAnswers = {std::string("x1")};
    dialogs.boxAnswers = {DialogButton::Yes};
    Press(c.box, Qt::Key_Insert);
    Select(c.box, 0);
    Press(c.box, Qt::Key_Delete, Qt::ShiftModifier);
    ASSERT_EQ(dialogs.asked.size(), 2u) << c.box;
    EXPECT_EQ(dialogs.asked[0].prompt, c.insPrompt);
    EXPECT_EQ(dialogs.asked[1].text, std::string(c.delPrompt) + "\r\nX1");
    EXPECT_EQ(dialogs.asked[1].caption, "Remove");
    EXPECT_EQ(dialogs.asked[1].buttons, DialogButtons::Of(DialogButton::Yes, DialogButton::No));
    EXPECT_TRUE(Items(c.box).empty()) << c.box;
  }
}

TEST_F(ListEditingTest, DelRemovesTheSelectedAfterYesOnly) {
  for (const char* ext : {"A", "B", "C"}) Store().RegWriteString(kRootKey + "\\IgnoreExt", ext, "");
  Show();
  window->Stats().slIgnoreExt.ObjectOrCreate(1).Hits = 4;  // an entry with its object
  Select("lbIgnoreExt", 1);
  dialogs.boxAnswers = {DialogButton::No};
  Press("lbIgnoreExt", Qt::Key_Delete);
  EXPECT_EQ(Items("lbIgnoreExt"), (std::vector<std::string>{"A", "B", "C"}));
  Select("lbIgnoreExt", 1);
  dialogs.boxAnswers = {DialogButton::Yes};
  Press("lbIgnoreExt", Qt::Key_Delete);
  EXPECT_EQ(Items("lbIgnoreExt"), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(Keys(window->Stats().slIgnoreExt), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(window->Stats().slIgnoreExt.IndexOf("C"), 1);
}

TEST_F(ListEditingTest, DelWithoutSelectionAsksNothing) {
  Store().RegWriteString(kRootKey + "\\IgnoreIP", "10.0.0.1", "");
  Show();
  Find<QListWidget>("lbIgnoreIP")->clearSelection();
  Press("lbIgnoreIP", Qt::Key_Delete);
  EXPECT_TRUE(dialogs.asked.empty());
  EXPECT_EQ(window->Stats().slIgnoreIP.Count(), 1);
}

TEST_F(ListEditingTest, TheNextImportUsesTheEditedList) {
  WriteFile(dir / "logs/a.log",
            "#Fields: date time c-ip cs-method cs-uri-stem sc-status sc-bytes\r\n"
            "2026-03-01 10:00:00 10.0.0.1 GET /a.gif 200 10\r\n");
  Store().RegWriteString(kRootKey, "IgnoreExtFlag", "Y");
  Show();
  dialogs.inputAnswers = {std::string("gif")};
  Press("lbIgnoreExt", Qt::Key_Insert);
  Find<QComboBox>("cbPath")->setEditText(ToQString(dir / "logs/*.log"));
  Find<QPushButton>("btnImport")->click();
  EXPECT_EQ(window->Stats().IgnoredExtensions, 1u);

  Select("lbIgnoreExt", 0);
  dialogs.boxAnswers = {DialogButton::Yes};
  Press("lbIgnoreExt", Qt::Key_Delete);
  Find<QPushButton>("btnImport")->click();
  EXPECT_EQ(window->Stats().IgnoredExtensions, 1u);
  EXPECT_EQ(window->Stats().PageHits, 1u);
}

}  // namespace
}  // namespace kestrune::test
