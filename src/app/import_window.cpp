#include "app/import_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>

#include "app/analysis_window.h"
#include "app/qt_text.h"
#include "app/screen_cursor.h"
#include "app/stats_panel.h"
#include "ftp/ftp_fetch.h"
#include "util/path.h"
#include "util/text.h"

namespace kestrune {

namespace {

constexpr int kClientWidth = 545;
constexpr int kClientHeight = 411;
constexpr int kStatusHeight = 20;

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

// A new page `name` of the page control, with its tab `caption`.
QWidget* Page(QTabWidget* pages, const char* name, const char* caption) {
  QWidget* tab = Named(new QWidget(), name);
  pages->addTab(tab, QString::fromLatin1(caption));
  return tab;
}

QLabel* PageLabel(QWidget* page, const char* text, int x, int y, int w) {
  auto* label = new QLabel(QString::fromLatin1(text), page);
  label->setGeometry(x, y, w, 16);
  return label;
}

QLineEdit* PageEdit(QWidget* page, const char* name, int x, int y, int w) {
  auto* edit = Named(new QLineEdit(page), name);
  edit->setGeometry(x, y, w, 21);
  return edit;
}

QCheckBox* PageCheck(QWidget* page, const char* name, const char* text, int x, int y, int w) {
  auto* check = Named(new QCheckBox(QString::fromLatin1(text), page), name);
  check->setGeometry(x, y, w, 17);
  return check;
}

QListWidget* PageList(QWidget* page, const char* name, int x, int y, int w, int h) {
  auto* list = Named(new QListWidget(page), name);
  list->setGeometry(x, y, w, h);
  return list;
}

QAction* MenuItem(QMenu* menu, const char* name, const char* caption,
                  const QKeySequence& shortcut = QKeySequence()) {
  QAction* action = menu->addAction(QString::fromLatin1(caption));
  action->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  return action;
}

}  // namespace

TfrmImport::TfrmImport(Dialogs& dialogs, std::string settingsPath,
                       std::vector<std::string> commandWords, QWidget* parent)
    : QMainWindow(parent),
      dialogs_(dialogs),
      store_(std::move(settingsPath)),
      commandWords_(std::move(commandWords)),
      programDir_(ProgramDir()) {
  setObjectName(QStringLiteral("frmImport"));
  setWindowTitle(QStringLiteral("Log File Importer"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(kClientWidth, kClientHeight);
  setCentralWidget(client);

  BuildPages();
  BuildButtons();
  grpStats = new StatsPanel(client);
  grpStats->setGeometry(4, 136, 537, 249);
  BuildStatusLine();
  BuildMenu();

  layout()->setSizeConstraint(QLayout::SetFixedSize);
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }

  // FormCreate: the one statistics object, cleared.
  stats_ = std::make_unique<clsImportStats>();
  analysis_ = std::make_unique<TfrmAnalysis>(*stats_, dialogs_);
  stats_->Clear();
}

TfrmImport::~TfrmImport() {
  // FormDestroy: the statistics object and the FTP transfer object (a running transfer
  // is cancelled and its thread joined) go with the window.
  ShowDefaultCursor();
}

void TfrmImport::BuildButtons() {
  btnImport = Named(new QPushButton(QStringLiteral("&Import"), centralWidget()), "btnImport");
  btnImport->setGeometry(440, 28, 75, 21);
  btnAnalyze = Named(new QPushButton(QStringLiteral("&Analyze"), centralWidget()), "btnAnalyze");
  btnAnalyze->setGeometry(440, 56, 75, 21);
  connect(btnImport, &QPushButton::clicked, this, [this] { btnImportClick(); });
  connect(btnAnalyze, &QPushButton::clicked, this, [this] { btnAnalyzeClick(); });
}

void TfrmImport::BuildPages() {
  pgSettings = Named(new QTabWidget(centralWidget()), "pgSettings");
  pgSettings->setGeometry(4, 8, 429, 125);
  pgSettings->setUsesScrollButtons(true);
  pgSettings->setElideMode(Qt::ElideNone);
  BuildImportPages();
  BuildPathPages();
  BuildListPages();
  BuildFtpPage();
  pgSettings->setCurrentWidget(tabFiles);
}

void TfrmImport::BuildImportPages() {
  tabDatabase = Page(pgSettings, "tabDatabase", "Database");
  PageLabel(tabDatabase, "System / File DSN name:", 8, 8, 200);
  ebDSN = PageEdit(tabDatabase, "ebDSN", 8, 26, 300);
  cbAddToDb = PageCheck(tabDatabase, "cbAddToDb", "Add to database", 8, 56, 200);

  tabFormat = Page(pgSettings, "tabFormat", "Format");
  PageLabel(tabFormat, "Format:", 8, 8, 100);
  rbIIS = Named(new QRadioButton(QStringLiteral("IIS 4.0"), tabFormat), "rbIIS");
  rbIIS->setGeometry(8, 26, 100, 17);
  rbIIS->setChecked(true);
  rbUnix = Named(new QRadioButton(QStringLiteral("UNIX"), tabFormat), "rbUnix");
  rbUnix->setGeometry(8, 48, 100, 17);
  PageLabel(tabFormat, "Site IP", 140, 8, 100);
  ebSiteIP = PageEdit(tabFormat, "ebSiteIP", 140, 26, 160);
  cbUnixCombined = PageCheck(tabFormat, "cbUnixCombined",
                             "Combined format: read referrer and user agent", 140, 54, 280);
  cbUnixKeepCase =
      PageCheck(tabFormat, "cbUnixKeepCase", "Keep the letter case of UNIX lines", 140, 74, 280);
}

void TfrmImport::BuildPathPages() {
  tabPaths = Page(pgSettings, "tabPaths", "Paths");
  PageLabel(tabPaths, "Import file path:", 8, 8, 200);
  cbPath = Named(new QComboBox(tabPaths), "cbPath");
  cbPath->setGeometry(8, 26, 405, 21);
  cbPath->setEditable(true);
  cbPath->setInsertPolicy(QComboBox::NoInsert);
  cbPath->setToolTip(QStringLiteral("Press RETURN to remember the import path"));
  cbPath->lineEdit()->setMaxLength(static_cast<int>(kShortTextMax));
  cbPath->lineEdit()->installEventFilter(this);
  cbPath->installEventFilter(this);
  connect(cbPath, &QComboBox::activated, this, [this](int index) {
    // cbPathClick: an entry picked from the list.
    const std::string text = ToStdString(cbPath->itemText(index));
    if (!text.empty()) ScanPath(text);
  });
  cbMoveToProcessed =
      PageCheck(tabPaths, "cbMoveToProcessed",
                "Move processed files to Processed / Invalid subdirectory", 8, 56, 405);

  tabFiles = Page(pgSettings, "tabFiles", "Files");
  PageLabel(tabFiles, "Files to import:", 8, 4, 200);
  lbFiles = PageList(tabFiles, "lbFiles", 8, 21, 405, 70);
  lbFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lbFiles->setToolTip(QStringLiteral("(All files in the list are imported)"));
}

void TfrmImport::BuildListPages() {
  tabDownloadExt = Page(pgSettings, "tabDownloadExt", "Download");
  cbDownloadExt =
      PageCheck(tabDownloadExt, "cbDownloadExt",
                "Pages with these extensions are added to the download total:", 8, 4, 405);
  lbDownloadExt = PageList(tabDownloadExt, "lbDownloadExt", 8, 24, 405, 67);

  tabIgnore = Page(pgSettings, "tabIgnore", "Ignore");
  cbIgnoreExt =
      PageCheck(tabIgnore, "cbIgnoreExt", "Pages with these extensions are ignored:", 8, 4, 405);
  lbIgnoreExt = PageList(tabIgnore, "lbIgnoreExt", 8, 24, 405, 67);
  lbIgnoreExt->setToolTip(QStringLiteral(
      "Press INS to insert a new extension; press DEL to remove the selected extension."));

  tabIgnoreIPs = Page(pgSettings, "tabIgnoreIPs", "Ignore Users");
  cbIgnoreIP =
      PageCheck(tabIgnoreIPs, "cbIgnoreIP", "Users with these IP adresses are ignored:", 8, 4, 405);
  lbIgnoreIP = PageList(tabIgnoreIPs, "lbIgnoreIP", 8, 24, 405, 67);
  lbIgnoreIP->setToolTip(
      QStringLiteral("Press INS to insert a new IP; press DEL to remove the selected IP."));

  for (QListWidget* list : {lbDownloadExt, lbIgnoreExt, lbIgnoreIP}) list->installEventFilter(this);
}

void TfrmImport::BuildFtpPage() {
  tabFTP = Page(pgSettings, "tabFTP", "FTP");
  PageLabel(tabFTP, "FTP Server:", 8, 6, 100);
  ebFTPServer = PageEdit(tabFTP, "ebFTPServer", 110, 4, 150);
  PageLabel(tabFTP, "FTP Log directory:", 8, 30, 100);
  ebFTPLogDirectory = PageEdit(tabFTP, "ebFTPLogDirectory", 110, 28, 150);
  PageLabel(tabFTP, "FTP User name:", 8, 54, 100);
  ebFTPUsername = PageEdit(tabFTP, "ebFTPUsername", 110, 52, 150);
  PageLabel(tabFTP, "FTP Password:", 8, 78, 100);
  ebFTPPassword = PageEdit(tabFTP, "ebFTPPassword", 110, 76, 150);
  ebFTPPassword->setEchoMode(QLineEdit::Password);
  cbRemoveDownloadedFiles =
      PageCheck(tabFTP, "cbRemoveDownloadedFiles", "Remove downloaded files", 268, 6, 150);
  cbRemoveDownloadedFiles->setEnabled(false);
}

void TfrmImport::BuildStatusLine() {
  pnStatus = Named(new QLabel(centralWidget()), "pnStatus");
  pnStatus->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
  pnStatus->setFrameStyle(QFrame::Panel | QFrame::Raised);
  pnStatus->setLineWidth(1);
  pnStatus->setIndent(4);
  pnStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  pbProgress = Named(new QProgressBar(pnStatus), "pbProgress");
  pbProgress->setGeometry(372, 4, 145, 12);
  pbProgress->setRange(0, 100);
  pbProgress->setValue(0);
  pbProgress->setTextVisible(false);
  // The text is cut where the progress bar begins, rather than running on under the bar
  // and out again to the right of it.
  constexpr int kGapBeforeBar = 4;
  pnStatus->setContentsMargins(
      0, 0, kClientWidth - pbProgress->x() - pnStatus->frameWidth() + kGapBeforeBar, 0);
}

void TfrmImport::BuildMenu() {
  QMenuBar* mmMain = menuBar();
  mmMain->setObjectName(QStringLiteral("mmMain"));

  mnFile = Named(mmMain->addMenu(QStringLiteral("&File")), "mnFile");
  mnClear = MenuItem(mnFile, "mnClear", "&Clear", QKeySequence(Qt::CTRL | Qt::Key_R));
  mnFile->addSeparator();
  mnSaveReport = MenuItem(mnFile, "mnSaveReport", "Save &report", QKeySequence(Qt::Key_F2));
  mnToExcel = MenuItem(mnFile, "mnToExcel", "&Analyze with Excel", QKeySequence(Qt::Key_F3));
  mnDownload = MenuItem(mnFile, "mnDownload", "&Download", QKeySequence(Qt::Key_F4));
  mnDownload->setVisible(false);
  mnDownload->setEnabled(false);
  mnFile->addSeparator();
  mnExit = MenuItem(mnFile, "mnExit", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q));

  mnOptions = Named(mmMain->addMenu(QStringLiteral("&Options")), "mnOptions");
  // Checkable: triggering an item toggles its check mark, which is the option itself.
  mnShowimportcompletionmessage =
      MenuItem(mnOptions, "mnShowimportcompletionmessage", "Show import completion message");
  mnShowimportcompletionmessage->setCheckable(true);
  mnShowimportcompletionmessage->setChecked(true);
  mnStartExcelautomatically =
      MenuItem(mnOptions, "mnStartExcelautomatically", "Start Excel automatically");
  mnStartExcelautomatically->setCheckable(true);

  mnView = Named(mmMain->addMenu(QStringLiteral("&View")), "mnView");
  mnAnalysis = MenuItem(mnView, "mnAnalysis", "&Analysis\u2026", QKeySequence(Qt::Key_F6));

  mnHelp = Named(mmMain->addMenu(QStringLiteral("&Help")), "mnHelp");
  mnOnlineHelp = MenuItem(mnHelp, "mnOnlineHelp", "Online", QKeySequence(Qt::CTRL | Qt::Key_F1));
  mnEmailSupport = MenuItem(mnHelp, "mnEmailSupport", "Email us");
  mnHelp->addSeparator();
  mnHelpAbout = MenuItem(mnHelp, "mnHelpAbout", "About", QKeySequence(Qt::Key_F11));
  ConnectMenu();
}

void TfrmImport::ConnectMenu() {
  connect(mnClear, &QAction::triggered, this, [this] { mnClearClick(); });
  connect(mnSaveReport, &QAction::triggered, this, [this] { mnSaveReportClick(); });
  connect(mnToExcel, &QAction::triggered, this, [this] { mnToExcelClick(); });
  connect(mnDownload, &QAction::triggered, this, [this] { mnDownloadClick(); });
  connect(mnExit, &QAction::triggered, this, [this] { mnExitClick(); });
  connect(mnAnalysis, &QAction::triggered, this, [this] { mnAnalysisClick(); });
  connect(mnOnlineHelp, &QAction::triggered, this, [this] { mnOnlineHelpClick(); });
  connect(mnEmailSupport, &QAction::triggered, this, [this] { mnEmailSupportClick(); });
  connect(mnHelpAbout, &QAction::triggered, this, [this] { mnHelpAboutClick(); });
}

void TfrmImport::closeEvent(QCloseEvent* event) {
  // FormClose.
  SaveSettings();
  event->accept();
}

bool TfrmImport::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == cbPath || (cbPath && watched == cbPath->lineEdit())) {
      // cbPathKeyPress: RETURN lists the files of the path and is swallowed.
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        ScanPath(ToStdString(cbPath->currentText()));
        return true;
      }
    } else if (auto* list = qobject_cast<QListWidget*>(watched)) {
      if (ListKeyDown(list, key)) return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmImport::UpdateLanguage() {
  setWindowTitle(QStringLiteral("Kestrune v1.00"));
}

void TfrmImport::DisableAll() {
  btnImport->setEnabled(false);
  btnAnalyze->setEnabled(false);
  pgSettings->setEnabled(false);
  for (QMenu* menu : {mnFile, mnOptions, mnView, mnHelp}) {
    menu->menuAction()->setEnabled(false);
    menu->setEnabled(false);
  }
  ShowHourglass();
}

void TfrmImport::EnableAll() {
  ShowDefaultCursor();
  pgSettings->setEnabled(true);
  for (QMenu* menu : {mnFile, mnOptions, mnView, mnHelp}) {
    menu->setEnabled(true);
    menu->menuAction()->setEnabled(true);
  }
  btnImport->setEnabled(true);
  btnAnalyze->setEnabled(true);
}

void TfrmImport::mnExitClick() {
  close();
}

void TfrmImport::mnAnalysisClick() {
  analysis_->ShowFor(ToStdString(ebDSN->text()));
}

void TfrmImport::btnAnalyzeClick() {
  mnToExcelClick();
}

}  // namespace kestrune
