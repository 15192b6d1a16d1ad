// The main window as built: pages, controls, captions, hints, placements, menus with
// short-cuts and check marks, the window's size and flags, and that every caption and
// value fits its place at the program's font.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <cstdlib>

#include "app/qt_text.h"
#include "window_fixture.h"

namespace kestrune::test {
namespace {

class WindowLayoutTest : public WindowTest {};

TEST_F(WindowLayoutTest, CaptionBeforeAndAfterStart) {
  Make();
  EXPECT_EQ(window->windowTitle().toStdString(), "Log File Importer");
  EXPECT_EQ(window->objectName().toStdString(), "frmImport");
  window->FormShow();
  EXPECT_EQ(window->windowTitle().toStdString(), "Kestrune v1.00");
}

TEST_F(WindowLayoutTest, ClientAreaAndWindowFlags) {
  Make();
  EXPECT_EQ(window->centralWidget()->size(), QSize(545, 411));
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowTitleHint);
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  // Fixed size: the window cannot be made larger or smaller than its contents.
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_EQ(window->width(), 545);
}

TEST_F(WindowLayoutTest, PagesInOrderWithFilesShownFirst) {
  Make();
  auto* pg = Find<QTabWidget>("pgSettings");
  ASSERT_NE(pg, nullptr);
  EXPECT_EQ(pg->geometry(), QRect(4, 8, 429, 125));
  const std::vector<std::pair<std::string, std::string>> pages = {{"tabDatabase", "Database"},
                                                                  {"tabFormat", "Format"},
                                                                  {"tabPaths", "Paths"},
                                                                  {"tabFiles", "Files"},
                                                                  {"tabDownloadExt", "Download"},
                                                                  {"tabIgnore", "Ignore"},
                                                                  {"tabIgnoreIPs", "Ignore Users"},
                                                                  {"tabFTP", "FTP"}};
  ASSERT_EQ(pg->count(), static_cast<int>(pages.size()));
  for (int i = 0; i < pg->count(); ++i) {
    EXPECT_EQ(pg->widget(i)->objectName().toStdString(), pages[i].first);
    EXPECT_EQ(pg->tabText(i).toStdString(), pages[i].second);
    EXPECT_TRUE(pg->isTabVisible(i)) << pages[i].first;
    EXPECT_TRUE(pg->isTabEnabled(i)) << pages[i].first;
  }
  EXPECT_EQ(pg->currentWidget()->objectName().toStdString(), "tabFiles");
  // All eight tabs fit without scrolling.
  int tabsWidth = 0;
  for (int i = 0; i < pg->count(); ++i) tabsWidth += pg->tabBar()->tabRect(i).width();
  EXPECT_LE(tabsWidth, pg->width());
}

TEST_F(WindowLayoutTest, ControlsCaptionsAndHints) {
  Make();
  const auto caption = [&](const char* name) {
    auto* b = Find<QAbstractButton>(name);
    return b ? b->text().toStdString() : std::string();
  };
  const auto hint = [&](const char* name) {
    auto* w = Find<QWidget>(name);
    return w ? w->toolTip().toStdString() : std::string();
  };
  EXPECT_EQ(caption("cbAddToDb"), "Add to database");
  EXPECT_EQ(caption("rbIIS"), "IIS 4.0");
  EXPECT_EQ(caption("rbUnix"), "UNIX");
  EXPECT_EQ(caption("cbMoveToProcessed"),
            "Move processed files to Processed / Invalid subdirectory");
  EXPECT_EQ(caption("cbDownloadExt"),
            "Pages with these extensions are added to the download total:");
  EXPECT_EQ(caption("cbIgnoreExt"), "Pages with these extensions are ignored:");
  EXPECT_EQ(caption("cbIgnoreIP"), "Users with these IP adresses are ignored:");
  EXPECT_EQ(caption("cbRemoveDownloadedFiles"), "Remove downloaded files");
  EXPECT_FALSE(Find<QWidget>("cbRemoveDownloadedFiles")->isEnabled());
  EXPECT_EQ(caption("btnImport"), "&Import");
  EXPECT_EQ(caption("btnAnalyze"), "&Analyze");
  EXPECT_TRUE(Find<QRadioButton>("rbIIS")->isChecked());

  EXPECT_EQ(hint("cbPath"), "Press RETURN to remember the import path");
  EXPECT_EQ(hint("lbFiles"), "(All files in the list are imported)");
  EXPECT_EQ(hint("lbIgnoreExt"),
            "Press INS to insert a new extension; press DEL to remove the selected extension.");
  EXPECT_EQ(hint("lbIgnoreIP"),
            "Press INS to insert a new IP; press DEL to remove the selected IP.");

  EXPECT_TRUE(Find<QComboBox>("cbPath")->isEditable());
  EXPECT_EQ(Find<QListWidget>("lbFiles")->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(Find<QLineEdit>("ebFTPPassword")->echoMode(), QLineEdit::Password);
  for (const char* edit :
       {"ebDSN", "ebSiteIP", "ebFTPServer", "ebFTPLogDirectory", "ebFTPUsername"})
    EXPECT_NE(Find<QLineEdit>(edit), nullptr);

  // Page labels, by their texts.
  std::vector<std::string> labels;
  for (const QLabel* l : window->findChildren<QLabel*>()) labels.push_back(ToStdString(l->text()));
  for (const char* text :
       {"System / File DSN name:", "Format:", "Site IP", "Import file path:", "Files to import:",
        "FTP Server:", "FTP Log directory:", "FTP User name:", "FTP Password:"})
    EXPECT_NE(std::find(labels.begin(), labels.end(), text), labels.end()) << text;
}

TEST_F(WindowLayoutTest, PlacementsInPixels) {
  Make();
  EXPECT_EQ(Find<QWidget>("btnImport")->geometry(), QRect(440, 28, 75, 21));
  EXPECT_EQ(Find<QWidget>("btnAnalyze")->geometry(), QRect(440, 56, 75, 21));
  EXPECT_EQ(Find<QWidget>("grpStats")->geometry(), QRect(4, 136, 537, 249));
  EXPECT_EQ(Find<QWidget>("grpHits")->geometry(), QRect(8, 28, 520, 81));
  EXPECT_EQ(Find<QWidget>("grpTraffic")->geometry(), QRect(8, 112, 520, 57));
  EXPECT_EQ(Find<QWidget>("grpLists")->geometry(), QRect(8, 176, 520, 65));
  EXPECT_EQ(Find<QWidget>("pnStatus")->geometry(), QRect(0, 391, 545, 20));
  EXPECT_EQ(Find<QWidget>("pbProgress")->geometry(), QRect(372, 4, 145, 12));
  EXPECT_EQ(Find<QWidget>("pbProgress")->parentWidget(), Find<QWidget>("pnStatus"));
  EXPECT_EQ(Find<QWidget>("ebFrom")->y(), 12);
}

TEST_F(WindowLayoutTest, PanelIsBoldAndValuesRightAligned) {
  Make();
  int values = 0;
  for (QLabel* label : Find<QWidget>("grpStats")->findChildren<QLabel*>()) {
    EXPECT_TRUE(label->font().bold()) << label->text().toStdString();
    if (label->objectName().startsWith(QStringLiteral("eb"))) {
      ++values;
      EXPECT_TRUE(label->alignment() & Qt::AlignRight) << label->objectName().toStdString();
    }
  }
  EXPECT_EQ(values, 31);
}

struct MenuRow {
  const char* name;
  const char* caption;
  QKeySequence shortcut;
};

TEST_F(WindowLayoutTest, MenusWithShortcutsAndCheckMarks) {
  Make();
  QMenuBar* bar = window->menuBar();
  ASSERT_EQ(bar->actions().size(), 4);
  EXPECT_EQ(bar->actions()[0]->text().toStdString(), "&File");
  EXPECT_EQ(bar->actions()[1]->text().toStdString(), "&Options");
  EXPECT_EQ(bar->actions()[2]->text().toStdString(), "&View");
  EXPECT_EQ(bar->actions()[3]->text().toStdString(), "&Help");

  const auto items = [&](const char* menu) {
    std::vector<std::string> out;
    for (QAction* a : Find<QMenu>(menu)->actions())
      out.push_back(a->isSeparator() ? "-" : a->objectName().toStdString());
    return out;
  };
  EXPECT_EQ(items("mnFile"), (std::vector<std::string>{"mnClear", "-", "mnSaveReport", "mnToExcel",
                                                       "mnDownload", "-", "mnExit"}));
  EXPECT_EQ(items("mnOptions"), (std::vector<std::string>{"mnShowimportcompletionmessage",
                                                          "mnStartExcelautomatically"}));
  EXPECT_EQ(items("mnHelp"),
            (std::vector<std::string>{"mnOnlineHelp", "mnEmailSupport", "-", "mnHelpAbout"}));

  const std::vector<MenuRow> rows = {
      {"mnClear", "&Clear", QKeySequence(Qt::CTRL | Qt::Key_R)},
      {"mnSaveReport", "Save &report", QKeySequence(Qt::Key_F2)},
      {"mnToExcel", "&Analyze with Excel", QKeySequence(Qt::Key_F3)},
      {"mnDownload", "&Download", QKeySequence(Qt::Key_F4)},
      {"mnExit", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {"mnShowimportcompletionmessage", "Show import completion message", QKeySequence()},
      {"mnStartExcelautomatically", "Start Excel automatically", QKeySequence()},
      {"mnOnlineHelp", "Online", QKeySequence(Qt::CTRL | Qt::Key_F1)},
      {"mnEmailSupport", "Email us", QKeySequence()},
      {"mnHelpAbout", "About", QKeySequence(Qt::Key_F11)},
  };
  for (const MenuRow& row : rows) {
    QAction* a = Find<QAction>(row.name);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text().toStdString(), row.caption);
    EXPECT_EQ(a->shortcut(), row.shortcut) << row.name;
  }
  QAction* download = Find<QAction>("mnDownload");
  EXPECT_FALSE(download->isVisible());
  EXPECT_FALSE(download->isEnabled());

  QAction* msg = Find<QAction>("mnShowimportcompletionmessage");
  QAction* excel = Find<QAction>("mnStartExcelautomatically");
  EXPECT_TRUE(msg->isCheckable());
  EXPECT_TRUE(excel->isCheckable());
  msg->setChecked(false);
  msg->trigger();  // a click toggles the check mark once
  EXPECT_TRUE(msg->isChecked());
  msg->trigger();
  EXPECT_FALSE(msg->isChecked());
}

// Every text of the window fits the width of its control at the program's font, also
// with the widest values the panel can show.
TEST_F(WindowLayoutTest, NothingClippedWithWidestValues) {
  Make();
  clsImportStats& s = window->Stats();
  const Counter max = 4294967295u;
  for (Counter* c :
       {&s.Entries,           &s.Allowed,     &s.Ignored,      &s.Comments, &s.IgnoredUsers,
        &s.IgnoredExtensions, &s.PageHits,    &s.HEAD,         &s.GET,      &s.POST,
        &s.OPTIONS,           &s.UNKNOWN,     &s.RepeatUserRq, &s.NewUsers, &s.Downloads,
        &s.RepeatRefRq,       &s.NewReferers, &s.Errors,       &s.Error404, &s.Error3xx,
        &s.OtherErrors})
    *c = max;
  s.Traffic = 999999999999999.0;  // a petabyte
  s.DownloadTraffic = 999999999999999.0;
  TDateTime wide = 0;
  ASSERT_TRUE(TryEncodeDate(2026, 9, 28, wide));  // the widest month names
  s.FirstDate = s.LastDate = wide;
  window->ShowStatsNow();
  EXPECT_EQ(Text("ebEntries"), "4294967295");

  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (label->objectName() == QStringLiteral("pnStatus")) continue;
    const int need = label->fontMetrics().horizontalAdvance(label->text());
    EXPECT_LE(need, label->contentsRect().width())
        << label->objectName().toStdString() << " \"" << label->text().toStdString() << "\"";
    EXPECT_GE(label->height(), label->fontMetrics().height()) << label->text().toStdString();
  }
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    if (button->text().isEmpty()) continue;
    EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
  }

  // KESTRUNE_GRAB_DIR set: a picture of every page, to look at.
  if (const char* grabDir = std::getenv("KESTRUNE_GRAB_DIR")) {
    window->FormShow();
    window->Stats().Entries = max;
    auto* pg = Find<QTabWidget>("pgSettings");
    window->show();
    for (int i = 0; i < pg->count(); ++i) {
      pg->setCurrentIndex(i);
      window->grab().save(QString::fromLocal8Bit(grabDir) + QStringLiteral("/page-") +
                          QString::number(i) + QStringLiteral(".png"));
    }
  }
}

}  // namespace
}  // namespace kestrune::test
