// TfrmImport: the main window (object name frmImport). It owns the controls and the one
// statistics object; its handlers read the controls, call the lower layers and write
// back. Small adapters (window_host.h) lend its status line, progress, panel refresh and
// message pumping to the import run, the export and the FTP fetch.
//
// Lifecycle: the constructor is FormCreate; FormShow() is run by the program right after
// show() (and by tests directly); closeEvent() is FormClose, which saves the settings;
// the destructor is FormDestroy. Every modal interaction goes through the Dialogs given
// to the constructor. Every control carries its program name as objectName.
#pragma once

#include <QMainWindow>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/table_command.h"
#include "desktop/dialogs.h"
#include "desktop/settings_store.h"
#include "export/export_run.h"
#include "importing/unattended_run.h"
#include "reports/panel_texts.h"
#include "reports/report_format.h"
#include "stats/import_stats.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace kestrune {

class FtpFetch;
class FtpFetchHost;
class StatsPanel;
class TfrmAnalysis;

class TfrmImport : public QMainWindow {
  Q_OBJECT

 public:
  // `settingsPath` is the settings file (SettingsStore::DefaultPath() for the program);
  // `commandWords` are the command-line parameters that FormShow carries out.
  TfrmImport(Dialogs& dialogs, std::string settingsPath, std::vector<std::string> commandWords = {},
             QWidget* parent = nullptr);
  ~TfrmImport() override;  // FormDestroy

  // --- Start-up (import_window.cpp, command_words.cpp) ------------------------------
  void FormShow();
  void UpdateLanguage();
  void DisableAll();
  void EnableAll();
  // Carries out one command word (upper-cased first); unknown words are ignored.
  void CommandWord(const std::string& word);

  // --- Settings (window_settings.cpp) -----------------------------------------------
  void LoadSettings();
  void SaveSettings();
  void RememberLastPath(int index, const std::string& directory);

  // --- Import (import_driver.cpp) ----------------------------------------------------
  void ScanPath(const std::string& path);
  void btnImportClick();
  // Reads the controls and carries out an ImportRun (src/importing); the box for a
  // missing data-source name is the window's own.
  void DoImport(const std::string& directory, const std::string& path, const std::string& dsn,
                bool move, bool addToDb);

  // --- Status line, progress, maintenance log (status_line.cpp) ---------------------
  void Status(const std::string& message);
  void InitProgress(int maximum);
  void SetProgress(int position);
  void EndProgress();
  // The progress bar back at its minimum, at once.
  void ResetProgress();
  void LogString(const std::string& message, bool box);

  // --- Statistics panel (stats_panel_handlers.cpp) ----------------------------------
  // The readers' per-line refresh: applied at most about 20 times a second.
  void ShowStats();
  // The exact refresh: every label, the progress position, a repaint, pending events.
  // Returns the texts it shows, which are what the reports and the export write.
  PanelTexts ShowStatsNow();
  void mnClearClick();

  // --- List editing (list_editing.cpp) -----------------------------------------------
  template <class T>
  void AddToSl(const std::string& prompt, KeyedList<T>* list, QListWidget* listBox);
  template <class T>
  void RemoveFromSl(const std::string& prompt, KeyedList<T>* list, QListWidget* listBox);

  // --- Menu and button handlers -------------------------------------------------------
  void mnSaveReportClick();
  void SaveReport();
  void mnToExcelClick();
  void btnAnalyzeClick();
  // The export into `destination`, its outcome logged when unattended (export_window.cpp).
  ExportResult RunExport(const WorkbookDestination& destination);
  // How the export creates its spreadsheet application (tests wrap the real one).
  void SetSpreadsheetFactory(ApplicationFactory factory);
  void mnDownloadClick();
  void axFTP_StateChanged(int state);  // the FTP transfer's state changes (ftp_download.cpp)
  void mnExitClick();
  // "&View" > "&Analysis...": the analysis window over the statistics and the database.
  void mnAnalysisClick();
  TfrmAnalysis& Analysis() { return *analysis_; }
  void mnOnlineHelpClick();
  void mnEmailSupportClick();
  void mnHelpAboutClick();

  // --- State -----------------------------------------------------------------------
  clsImportStats& Stats() { return *stats_; }
  // The state of this run of the program: unattended or not, QUIT asked for, the last
  // import's result, the exit status.
  const UnattendedRun& Unattended() const { return unattended_; }
  const std::string& MaintenanceLogPath() const { return maintenanceLogPath_; }
  // Whether an FTP fetch is running (the fetch keeps that state itself).
  bool DownloadBusy() const;
  // The longest the DOWNLOAD command waits for a fetch (25 seconds).
  void SetDownloadWaitLimit(std::chrono::milliseconds limit) { downloadWaitLimit_ = limit; }
  // The clock that says which day "yesterday" is for the FTP fetch (NowLocal at first).
  void SetClock(std::function<TDateTime()> clock) { clock_ = std::move(clock); }
  // The program's directory with its trailing "/" (ProgramDir() unless a test sets one).
  void SetProgramDirectory(std::string dir) { programDir_ = std::move(dir); }
  void SetAboutBox(QDialog* about) { aboutBox_ = about; }

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormClose
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildButtons();
  void BuildPages();
  void BuildImportPages();  // Database, Format
  void BuildPathPages();    // Paths, Files
  void BuildListPages();    // Download, Ignore, Ignore Users
  void BuildFtpPage();
  void BuildMenu();
  void ConnectMenu();  // each item to its handler
  void BuildStatusLine();
  void LoadImportPaths();  // the items of cbPath, the remembered one listed
  void LoadFormat();       // rbIIS / rbUnix
  void ApplyProgress();
  void CommandDownload();
  void WaitForFtpFetch();
  void DropFtpTransfer();
  void CommandRun();
  void CommandRunMask(const std::string& mask);
  void CommandQuit();
  void CommandReport(const std::string& fileName);
  void CommandExport(const std::string& fileName);
  bool ListKeyDown(QListWidget* listBox, int key);
  // Writes the report named by `target`; false with `error` set to the text to show.
  bool WriteReport(const ReportTarget& target, std::string& error);

  Dialogs& dialogs_;
  SettingsStore store_;
  std::vector<std::string> commandWords_;
  std::unique_ptr<clsImportStats> stats_;

  UnattendedRun unattended_;
  std::string maintenanceLogPath_;
  std::string programDir_;
  std::chrono::milliseconds downloadWaitLimit_{std::chrono::seconds(25)};
  bool exporting_ = false;
  ApplicationFactory spreadsheetFactory_;
  QDialog* aboutBox_ = nullptr;

  // The FTP fetch (ftp_download.cpp); the host before the fetch, which goes first.
  std::function<TDateTime()> clock_ = NowLocal;
  std::unique_ptr<FtpFetchHost> ftpHost_;
  std::unique_ptr<FtpFetch> ftpFetch_;

  // Progress and the throttled panel refresh.
  int progressMax_ = 100;
  int progressPos_ = 0;
  unsigned statsCalls_ = 0;
  std::chrono::steady_clock::time_point lastRefresh_{};

  // Controls, by their program names.
  QTabWidget* pgSettings = nullptr;
  QWidget *tabDatabase = nullptr, *tabFormat = nullptr, *tabPaths = nullptr, *tabFiles = nullptr,
          *tabDownloadExt = nullptr, *tabIgnore = nullptr, *tabIgnoreIPs = nullptr,
          *tabFTP = nullptr;
  QLineEdit* ebDSN = nullptr;
  QCheckBox* cbAddToDb = nullptr;
  QRadioButton *rbIIS = nullptr, *rbUnix = nullptr;
  QLineEdit* ebSiteIP = nullptr;
  QCheckBox *cbUnixCombined = nullptr, *cbUnixKeepCase = nullptr;
  QComboBox* cbPath = nullptr;
  QCheckBox* cbMoveToProcessed = nullptr;
  QListWidget* lbFiles = nullptr;
  QCheckBox* cbDownloadExt = nullptr;
  QListWidget* lbDownloadExt = nullptr;
  QCheckBox* cbIgnoreExt = nullptr;
  QListWidget* lbIgnoreExt = nullptr;
  QCheckBox* cbIgnoreIP = nullptr;
  QListWidget* lbIgnoreIP = nullptr;
  QLineEdit *ebFTPServer = nullptr, *ebFTPLogDirectory = nullptr, *ebFTPUsername = nullptr,
            *ebFTPPassword = nullptr;
  QCheckBox* cbRemoveDownloadedFiles = nullptr;
  QPushButton *btnImport = nullptr, *btnAnalyze = nullptr;
  StatsPanel* grpStats = nullptr;
  QLabel* pnStatus = nullptr;
  QProgressBar* pbProgress = nullptr;
  QMenu *mnFile = nullptr, *mnOptions = nullptr, *mnView = nullptr, *mnHelp = nullptr;
  QAction* mnAnalysis = nullptr;
  std::unique_ptr<TfrmAnalysis> analysis_;  // created with the window, shown on demand
  AnalysisWords analysisWords_;             // PERIOD= and TABLE= of an unattended run
  QAction *mnClear = nullptr, *mnSaveReport = nullptr, *mnToExcel = nullptr, *mnDownload = nullptr,
          *mnExit = nullptr, *mnShowimportcompletionmessage = nullptr,
          *mnStartExcelautomatically = nullptr, *mnOnlineHelp = nullptr, *mnEmailSupport = nullptr,
          *mnHelpAbout = nullptr;
};

}  // namespace kestrune
