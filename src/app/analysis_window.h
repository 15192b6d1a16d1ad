// TfrmAnalysis: the analysis window (object name frmAnalysis). A grid over the lists of
// the current statistics (the model in memory) or of the database (the data source of
// the DSN field, read only), filtered by period, year, subject, site and a text on the
// key; a totals row, a status line with the row count and the totals, copy of the
// selected rows (Ctrl+C, tab-separated), Save as CSV (Ctrl+S) and a chart of hits and
// visitors per day (database) or of the top entries (current statistics).
//
// The window never changes the statistics or the database. The current statistics are
// read on the GUI thread when a choice changes (the table is a copy); database queries
// run on threads of their own (DbJob) and deliver their results to the GUI thread, so
// the window stays responsive; a new choice, Cancel (Esc) or closing the window stops
// the running query. Every modal interaction goes through the Dialogs given; `clock`
// says which day "today" is for the quick choices. Controls carry their names as
// objectName.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/analysis_table.h"
#include "analysis/db_queries.h"
#include "analysis/db_reader.h"
#include "analysis/period.h"
#include "analysis/subjects.h"
#include "desktop/dialogs.h"
#include "stats/import_stats.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTableView;
class QTimer;

namespace kestrune {

class AnalysisChart;
class AnalysisModel;
class DbJob;

class TfrmAnalysis : public QMainWindow {
  Q_OBJECT

 public:
  enum class Source { Statistics = 0, Database = 1 };

  TfrmAnalysis(clsImportStats& stats, Dialogs& dialogs, std::function<TDateTime()> clock = NowLocal,
               QWidget* parent = nullptr);
  ~TfrmAnalysis() override;

  // The data source of the database source (the DSN field of the main window).
  void SetDsn(const std::string& dsn);
  const std::string& Dsn() const { return dsn_; }
  // What the main window's "Analysis..." command does: takes the current DSN, shows and
  // raises the window and reads the chosen list anew.
  void ShowFor(const std::string& dsn);

  // --- The choices (also what the controls do) --------------------------------------
  void SetSource(Source source);
  // An index into the subject box of the current source.
  void SetSubjectIndex(int index);
  void SetQuickChoice(QuickChoice choice);
  void SetYear(int year);
  void SetDays(TDateTime from, TDateTime to);  // a custom period
  void SetSite(const std::string& site);
  void SetFilter(const std::string& filter);  // applied at once (typing waits 300 ms)
  void SortBy(int column, bool descending);

  Source CurrentSource() const { return source_; }
  Period CurrentPeriod() const;
  // Reads the chosen list anew (F5).
  void Refresh();
  void Cancel();         // Esc
  void CopySelection();  // Ctrl+C
  void SaveAsCsv();      // Ctrl+S
  // A database query is running.
  bool Busy() const;

  // For the tests: what the grid, the status line, the chart and the reason show.
  const AnalysisModel& Model() const { return *model_; }
  std::string StatusText() const;
  std::string ReasonText() const;  // empty when the grid is shown
  const AnalysisChart& Chart() const { return *chart_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildControls();
  void FillSubjects();
  void ApplyPeriodControls();
  void StartStatistics();
  void StartDatabase();
  void StopJob();
  void ShowReason(const QString& text);
  void ShowGrid();
  void UpdateStatus();
  void UpdateChartFromTable();
  void JobFailed(int serial, const std::string& reason);
  void JobRows(int serial, AnalysisTable chunk);
  void JobRowsDone(int serial);
  void JobTotals(int serial, AnalysisTable totals);
  void JobSeries(int serial, std::vector<DayPoint> series);
  void JobFinished();
  std::string DefaultCsvName() const;

  clsImportStats& stats_;
  Dialogs& dialogs_;
  std::function<TDateTime()> clock_;
  std::string dsn_;
  Source source_ = Source::Statistics;
  int sortColumn_ = -1;  // -1: hits
  bool descending_ = true;
  bool updating_ = false;  // controls being set by the program: no refresh per change

  // The running database query, and stopped ones whose threads still end.
  std::unique_ptr<DbJob> job_;
  std::vector<std::unique_ptr<DbJob>> stopping_;
  int serial_ = 0;
  bool rowsDone_ = true, totalsDone_ = true;

  AnalysisModel* model_ = nullptr;
  AnalysisChart* chart_ = nullptr;
  QTimer* filterTimer_ = nullptr;

  // Controls, by their names.
  QComboBox *cbSource = nullptr, *cbSubject = nullptr, *cbPeriod = nullptr;
  QDateEdit *ebFrom = nullptr, *ebTo = nullptr;
  QSpinBox* ebYear = nullptr;
  QLineEdit *ebSite = nullptr, *ebFilter = nullptr;
  QPushButton *btnRefresh = nullptr, *btnCancel = nullptr, *btnSaveCsv = nullptr;
  QStackedWidget* pnGrid = nullptr;
  QTableView* grdRows = nullptr;
  QLabel* lblReason = nullptr;
  QLabel* pnStatus = nullptr;
  QProgressBar* pbBusy = nullptr;
};

}  // namespace kestrune
