// QtDialogs: headless answers, and the real Qt dialogs closed from a timer (never an
// unbounded wait: a dialog that is still open after the timer fires is rejected).
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>

#include "app/qt_dialogs.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

TEST(QtDialogsTest, HeadlessAnswersByItselfAndLogs) {
  QtDialogs dialogs(true);
  std::vector<std::string> logged;
  dialogs.SetLogSink([&](const std::string& s) { logged.push_back(s); });
  EXPECT_EQ(dialogs.MessageBox("Exception:\r\nbad\r\n", "Error",
                               DialogButtons::Of(DialogButton::Ok, DialogButton::Cancel),
                               DialogButton::Ok, DialogIcon::Error),
            DialogButton::Ok);
  EXPECT_EQ(
      dialogs.MessageBox("Sure?", "Remove", DialogButtons::Of(DialogButton::Yes, DialogButton::No),
                         DialogButton::No, DialogIcon::Question),
      DialogButton::No);
  EXPECT_EQ(logged, (std::vector<std::string>{"Error: Exception:\r\nbad", "Remove: Sure?"}));
  EXPECT_FALSE(dialogs.InputQuery("Add", "Ext:", "").has_value());
  EXPECT_FALSE(dialogs.SaveFile("Save Report", "Text files (*.txt)", "txt", "r").has_value());
}

TEST(QtDialogsTest, RealMessageBoxReturnsThePressedButton) {
  QtDialogs dialogs(false);
  std::string shownText, shownTitle;
  WhenModal([&](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    shownText = box->text().toStdString();
    shownTitle = box->windowTitle().toStdString();
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_EQ(dialogs.MessageBox("Exception:\r\nbad\r\n", "Error",
                               DialogButtons::Of(DialogButton::Ok, DialogButton::Cancel),
                               DialogButton::Ok, DialogIcon::Error),
            DialogButton::Cancel);
  EXPECT_EQ(shownText, "Exception:\nbad\n");
  EXPECT_EQ(shownTitle, "Error");
}

TEST(QtDialogsTest, AMessageBoxIsWideEnoughForItsWholeCaption) {
  QtDialogs dialogs(false);
  const struct {
    std::string text;
    std::string caption;
  } cases[] = {
      {"No DSN specified.", "Database error"},
      {"x", "A caption much longer than the text of its box, which is one letter"},
  };
  for (const auto& c : cases) {
    int width = 0;
    int needed = 0;
    WhenModal([&](QWidget* w) {
      auto* box = qobject_cast<QMessageBox*>(w);
      ASSERT_NE(box, nullptr);
      QFont bold = box->font();
      bold.setBold(true);
      // The caption in the title bar's bold face, beside an icon and three buttons.
      needed = QFontMetrics(bold).horizontalAdvance(QString::fromStdString(c.caption)) +
               4 * box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box);
      width = box->width();
      box->button(QMessageBox::Ok)->click();
    });
    dialogs.MessageBox(c.text, c.caption, DialogButtons::Of(DialogButton::Ok), DialogButton::Ok,
                       DialogIcon::Warning);
    EXPECT_GE(width, needed) << c.caption;
  }
  // A box whose text is wider than its caption keeps the text's width.
  int wide = 0;
  WhenModal([&](QWidget* w) {
    wide = w->width();
    qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
  });
  dialogs.MessageBox(std::string(120, 'W'), "Error", DialogButtons::Of(DialogButton::Ok),
                     DialogButton::Ok, DialogIcon::Error);
  QFontMetrics metrics(QApplication::font("QMessageBox"));
  EXPECT_GE(wide, metrics.horizontalAdvance(QString(120, QLatin1Char('W'))) / 2);
}

TEST(QtDialogsTest, RealInputQuery) {
  QtDialogs dialogs(false);
  std::string label;
  WhenModal([&](QWidget* w) {
    auto* input = qobject_cast<QInputDialog*>(w);
    ASSERT_NE(input, nullptr);
    label = input->labelText().toStdString();
    input->setTextValue(QStringLiteral(" .zip "));
    input->accept();
  });
  EXPECT_EQ(dialogs.InputQuery("Add", "Downloadable extension:", ""), " .zip ");
  EXPECT_EQ(label, "Downloadable extension:");
  WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
  EXPECT_FALSE(dialogs.InputQuery("Add", "x", "").has_value());
}

TEST(QtDialogsTest, RealSaveDialogGivesNameAndFilter) {
  TempDir dir;
  QtDialogs dialogs(false);
  std::string title;
  WhenModal([&](QWidget* w) {
    auto* file = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(file, nullptr);
    title = file->windowTitle().toStdString();
    file->setDirectory(QString::fromStdString(dir.Path()));
    file->selectNameFilter(QStringLiteral("XML (*.xml)"));
    file->selectFile(QString::fromStdString(dir / "stats"));
    static_cast<QDialog*>(file)->accept();  // QFileDialog::accept is protected
  });
  const auto choice =
      dialogs.SaveFile("Save Report", "Text files (*.txt);;XML (*.xml);;All files (*.*)", "txt",
                       "Report-06-Dec-2026");
  ASSERT_TRUE(choice.has_value());
  EXPECT_EQ(title, "Save Report");
  EXPECT_EQ(choice->filterIndex, 1);
  EXPECT_EQ(std::filesystem::path(choice->fileName).parent_path(),
            std::filesystem::path(dir.Path()).parent_path());
}

}  // namespace
}  // namespace kestrune::test
