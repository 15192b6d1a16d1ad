#include "app/analysis_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "analysis/cell_text.h"
#include "analysis/csv_writer.h"
#include "analysis/db_job.h"
#include "analysis/stats_tables.h"
#include "app/analysis_chart.h"
#include "app/analysis_model.h"
#include "app/qt_text.h"
#include "util/text.h"
#include "util/utf8.h"

namespace kestrune {
namespace {

// The period box: the quick choices, then these two.
constexpr int kYearItem = 6;
constexpr int kCustomItem = 7;
// The database subject box: the stored subjects, then the two that are not stored.
constexpr int kNotStoredFirst = 6;
// Entries of the current statistics the chart shows.
constexpr std::size_t kTopEntries = 20;

QDate ToQDate(TDateTime day) {
  int y = 0, m = 0, d = 0;
  DecodeDate(day, y, m, d);
  return QDate(y, m, d);
}

TDateTime FromQDate(const QDate& date) {
  TDateTime day = 0;
  TryEncodeDate(date.year(), date.month(), date.day(), day);
  return day;
}

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TfrmAnalysis::TfrmAnalysis(clsImportStats& stats, Dialogs& dialogs,
                           std::function<TDateTime()> clock, QWidget* parent)
    : QMainWindow(parent), stats_(stats), dialogs_(dialogs), clock_(std::move(clock)) {
  setObjectName(QStringLiteral("frmAnalysis"));
  setWindowTitle(QStringLiteral("Analysis"));
  // A second window: closing the main window ends the program even while this one is
  // open.
  setAttribute(Qt::WA_QuitOnClose, false);
  BuildControls();
  resize(960, 640);
}

TfrmAnalysis::~TfrmAnalysis() {
  // Every query stops and its threads end before the window goes (their results, posted
  // to this window, are dropped with it).
  if (job_) job_->Cancel();
  for (auto& job : stopping_) job->Cancel();
  job_.reset();
  stopping_.clear();
}

void TfrmAnalysis::BuildControls() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  auto* choices = new QGridLayout();
  auto label = [&](const char* text, int row, int column) {
    auto* l = new QLabel(QString::fromLatin1(text), central);
    l->setTextFormat(Qt::PlainText);
    choices->addWidget(l, row, column);
  };
  cbSource = new QComboBox(central);
  cbSource->setObjectName(QStringLiteral("cbSource"));
  cbSource->addItems({QStringLiteral("Current statistics"), QStringLiteral("Database")});
  cbSubject = new QComboBox(central);
  cbSubject->setObjectName(QStringLiteral("cbSubject"));
  cbPeriod = new QComboBox(central);
  cbPeriod->setObjectName(QStringLiteral("cbPeriod"));
  for (const QuickChoiceName& quick : QuickChoices())
    cbPeriod->addItem(QString::fromLatin1(quick.caption));
  cbPeriod->addItem(QStringLiteral("Year"));
  cbPeriod->addItem(QStringLiteral("From - to"));
  cbPeriod->setCurrentIndex(static_cast<int>(QuickChoice::All));
  ebYear = new QSpinBox(central);
  ebYear->setObjectName(QStringLiteral("ebYear"));
  ebYear->setRange(1, 9999);
  int year = 0, month = 0, day = 0;
  DecodeDate(clock_(), year, month, day);
  ebYear->setValue(year);
  ebFrom = new QDateEdit(central);
  ebFrom->setObjectName(QStringLiteral("ebFrom"));
  ebTo = new QDateEdit(central);
  ebTo->setObjectName(QStringLiteral("ebTo"));
  for (QDateEdit* edit : {ebFrom, ebTo}) {
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    edit->setDate(ToQDate(DayOf(clock_())));
  }
  ebSite = new QLineEdit(central);
  ebSite->setObjectName(QStringLiteral("ebSite"));
  ebSite->setPlaceholderText(QStringLiteral("every site"));
  ebFilter = new QLineEdit(central);
  ebFilter->setObjectName(QStringLiteral("ebFilter"));
  ebFilter->setPlaceholderText(QStringLiteral("text in the key"));
  ebFilter->setClearButtonEnabled(true);

  label("Source:", 0, 0);
  choices->addWidget(cbSource, 0, 1);
  label("Subject:", 0, 2);
  choices->addWidget(cbSubject, 0, 3);
  label("Site:", 0, 4);
  choices->addWidget(ebSite, 0, 5);
  label("Period:", 1, 0);
  choices->addWidget(cbPeriod, 1, 1);
  auto* days = new QHBoxLayout();
  days->addWidget(ebYear);
  days->addWidget(ebFrom);
  days->addWidget(ebTo);
  choices->addLayout(days, 1, 2, 1, 2);
  label("Filter:", 1, 4);
  choices->addWidget(ebFilter, 1, 5);
  layout->addLayout(choices);

  auto* buttons = new QHBoxLayout();
  btnRefresh = new QPushButton(QStringLiteral("&Refresh"), central);
  btnRefresh->setObjectName(QStringLiteral("btnRefresh"));
  btnCancel = new QPushButton(QStringLiteral("&Cancel"), central);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setEnabled(false);
  btnSaveCsv = new QPushButton(QStringLiteral("&Save as CSV..."), central);
  btnSaveCsv->setObjectName(QStringLiteral("btnSaveCsv"));
  buttons->addWidget(btnRefresh);
  buttons->addWidget(btnCancel);
  buttons->addStretch(1);
  buttons->addWidget(btnSaveCsv);
  layout->addLayout(buttons);

  auto* split = new QSplitter(Qt::Vertical, central);
  pnGrid = new QStackedWidget(split);
  grdRows = new QTableView(pnGrid);
  grdRows->setObjectName(QStringLiteral("grdRows"));
  model_ = new AnalysisModel(this);
  grdRows->setModel(model_);
  grdRows->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdRows->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grdRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdRows->setWordWrap(false);
  grdRows->setSortingEnabled(true);
  grdRows->horizontalHeader()->setSortIndicatorShown(true);
  grdRows->verticalHeader()->setDefaultSectionSize(grdRows->fontMetrics().height() + 4);
  lblReason = new QLabel(pnGrid);
  lblReason->setObjectName(QStringLiteral("lblReason"));
  lblReason->setTextFormat(Qt::PlainText);
  lblReason->setWordWrap(true);
  lblReason->setAlignment(Qt::AlignCenter);
  lblReason->setMargin(24);
  pnGrid->addWidget(grdRows);
  pnGrid->addWidget(lblReason);
  chart_ = new AnalysisChart(split);
  chart_->setObjectName(QStringLiteral("chtAnalysis"));
  split->addWidget(pnGrid);
  split->addWidget(chart_);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 1);
  layout->addWidget(split, 1);
  setCentralWidget(central);

  pnStatus = new QLabel(this);
  pnStatus->setObjectName(QStringLiteral("pnStatus"));
  pnStatus->setTextFormat(Qt::PlainText);
  pbBusy = new QProgressBar(this);
  pbBusy->setObjectName(QStringLiteral("pbBusy"));
  pbBusy->setRange(0, 0);
  pbBusy->setMaximumWidth(160);
  pbBusy->setVisible(false);
  statusBar()->addWidget(pnStatus, 1);
  statusBar()->addPermanentWidget(pbBusy);

  filterTimer_ = new QTimer(this);
  filterTimer_->setSingleShot(true);
  filterTimer_->setInterval(300);

  auto shortcut = [this](const QKeySequence& keys, QWidget* scope, auto handler) {
    auto* action = new QAction(scope);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    scope->addAction(action);
    connect(action, &QAction::triggered, this, handler);
  };
  shortcut(QKeySequence(Qt::Key_F5), this, [this] { Refresh(); });
  shortcut(QKeySequence(Qt::Key_Escape), this, [this] { Cancel(); });
  shortcut(QKeySequence::Save, this, [this] { SaveAsCsv(); });
  shortcut(QKeySequence::Copy, grdRows, [this] { CopySelection(); });

  connect(cbSource, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!updating_) SetSource(static_cast<Source>(index));
  });
  connect(cbSubject, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!updating_) SetSubjectIndex(index);
  });
  connect(cbPeriod, &QComboBox::currentIndexChanged, this, [this] {
    if (updating_) return;
    ApplyPeriodControls();
    Refresh();
  });
  connect(ebYear, &QSpinBox::valueChanged, this, [this] {
    if (updating_ || cbPeriod->currentIndex() != kYearItem) return;
    ApplyPeriodControls();
    Refresh();
  });
  for (QDateEdit* edit : {ebFrom, ebTo})
    connect(edit, &QDateEdit::dateChanged, this, [this] {
      if (updating_) return;
      updating_ = true;
      cbPeriod->setCurrentIndex(kCustomItem);
      ApplyPeriodControls();
      updating_ = false;
      Refresh();
    });
  connect(ebSite, &QLineEdit::editingFinished, this, [this] {
    if (source_ == Source::Database) Refresh();
  });
  connect(ebFilter, &QLineEdit::textEdited, this, [this] { filterTimer_->start(); });
  connect(ebFilter, &QLineEdit::returnPressed, this, [this] { Refresh(); });
  connect(filterTimer_, &QTimer::timeout, this, [this] { Refresh(); });
  connect(btnRefresh, &QPushButton::clicked, this, [this] { Refresh(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { Cancel(); });
  connect(btnSaveCsv, &QPushButton::clicked, this, [this] { SaveAsCsv(); });
  connect(model_, &AnalysisModel::sortRequested, this, [this](int column, bool descending) {
    if (!updating_) SortBy(column, descending);
  });

  updating_ = true;
  FillSubjects();
  ApplyPeriodControls();
  updating_ = false;
}

void TfrmAnalysis::FillSubjects() {
  cbSubject->clear();
  if (source_ == Source::Statistics) {
    for (const StatsSubjectName& s : StatsSubjects())
      cbSubject->addItem(QString::fromLatin1(s.caption));
  } else {
    for (const DbSubjectName& s : DbSubjects()) cbSubject->addItem(QString::fromLatin1(s.caption));
    cbSubject->addItem(QStringLiteral("Referrers (not stored)"));
    cbSubject->addItem(QStringLiteral("User agents (not stored)"));
  }
  cbSubject->setCurrentIndex(0);
  const bool database = source_ == Source::Database;
  for (QWidget* w : std::initializer_list<QWidget*>{cbPeriod, ebYear, ebFrom, ebTo, ebSite})
    w->setEnabled(database);
  if (database) ebYear->setEnabled(cbPeriod->currentIndex() == kYearItem);
}

void TfrmAnalysis::ApplyPeriodControls() {
  const int item = cbPeriod->currentIndex();
  ebYear->setEnabled(source_ == Source::Database && item == kYearItem);
  if (item == kCustomItem) return;
  const Period period = CurrentPeriod();
  if (period.all) return;
  const bool was = updating_;
  updating_ = true;
  ebFrom->setDate(ToQDate(period.from));
  ebTo->setDate(ToQDate(period.to));
  updating_ = was;
}

Period TfrmAnalysis::CurrentPeriod() const {
  const int item = cbPeriod->currentIndex();
  if (item >= 0 && item < kYearItem) return QuickPeriod(QuickChoices()[item].choice, clock_());
  if (item == kYearItem) return YearPeriod(ebYear->value());
  return Period::Days(FromQDate(ebFrom->date()), FromQDate(ebTo->date()));
}

void TfrmAnalysis::SetDsn(const std::string& dsn) {
  dsn_ = dsn;
}

void TfrmAnalysis::ShowFor(const std::string& dsn) {
  SetDsn(dsn);
  show();
  raise();
  activateWindow();
  Refresh();
}

void TfrmAnalysis::SetSource(Source source) {
  updating_ = true;
  source_ = source;
  cbSource->setCurrentIndex(static_cast<int>(source));
  FillSubjects();
  updating_ = false;
  sortColumn_ = -1;
  descending_ = true;
  Refresh();
}

void TfrmAnalysis::SetSubjectIndex(int index) {
  updating_ = true;
  cbSubject->setCurrentIndex(index);
  updating_ = false;
  // A new subject starts in its natural order: days by date, everything else by hits.
  const bool days = source_ == Source::Database && index == static_cast<int>(DbSubject::Days);
  sortColumn_ = days ? 0 : -1;
  descending_ = !days;
  Refresh();
}

void TfrmAnalysis::SetQuickChoice(QuickChoice choice) {
  updating_ = true;
  cbPeriod->setCurrentIndex(static_cast<int>(choice));
  ApplyPeriodControls();
  updating_ = false;
  Refresh();
}

void TfrmAnalysis::SetYear(int year) {
  updating_ = true;
  cbPeriod->setCurrentIndex(kYearItem);
  ebYear->setValue(year);
  ApplyPeriodControls();
  updating_ = false;
  Refresh();
}

void TfrmAnalysis::SetDays(TDateTime from, TDateTime to) {
  updating_ = true;
  cbPeriod->setCurrentIndex(kCustomItem);
  ebFrom->setDate(ToQDate(from));
  ebTo->setDate(ToQDate(to));
  ApplyPeriodControls();
  updating_ = false;
  Refresh();
}

void TfrmAnalysis::SetSite(const std::string& site) {
  ebSite->setText(ToQString(site));
  Refresh();
}

void TfrmAnalysis::SetFilter(const std::string& filter) {
  ebFilter->setText(ToQString(filter));
  filterTimer_->stop();
  Refresh();
}

void TfrmAnalysis::SortBy(int column, bool descending) {
  if (column == sortColumn_ && descending == descending_) return;
  sortColumn_ = column;
  descending_ = descending;
  if (source_ == Source::Statistics && model_->Complete()) {
    // The current statistics are sorted in memory, the copy shown stays the same.
    AnalysisTable table = model_->Table();
    const AnalysisTable totals = model_->Totals();
    table.Sort(column < 0 ? table.HitsColumn() : column, descending);
    updating_ = true;
    model_->Reset(std::move(table), true);
    model_->SetTotals(totals);
    grdRows->horizontalHeader()->setSortIndicator(
        column < 0 ? model_->Table().HitsColumn() : column,
        descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    updating_ = false;
    return;
  }
  Refresh();
}

void TfrmAnalysis::Refresh() {
  filterTimer_->stop();
  StopJob();
  if (source_ == Source::Statistics)
    StartStatistics();
  else
    StartDatabase();
}

void TfrmAnalysis::StartStatistics() {
  const int index = std::clamp(cbSubject->currentIndex(), 0, 6);
  const StatsSubject subject = StatsSubjects()[static_cast<std::size_t>(index)].subject;
  AnalysisTable table = StatsTable(stats_, subject, ToStdString(ebFilter->text()));
  const AnalysisTable totals = table.Totals();
  const int column = sortColumn_ < 0 ? table.HitsColumn() : sortColumn_;
  table.Sort(column, descending_);
  updating_ = true;
  model_->Reset(std::move(table), true);
  model_->SetTotals(totals);
  grdRows->horizontalHeader()->setSortIndicator(
      column, descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
  updating_ = false;
  ShowGrid();
  UpdateChartFromTable();
  UpdateStatus();
}

void TfrmAnalysis::UpdateChartFromTable() {
  // The top entries by hits, whatever order the grid shows.
  const AnalysisTable& table = model_->Table();
  std::vector<std::size_t> rows(table.RowCount());
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = i;
  const int hits = table.HitsColumn();
  const std::size_t top = std::min(kTopEntries, rows.size());
  if (hits >= 0)
    std::partial_sort(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(top), rows.end(),
                      [&](std::size_t a, std::size_t b) {
                        const double x = table.Number(a, hits), y = table.Number(b, hits);
                        return x != y ? x > y : table.Text(a, 0) < table.Text(b, 0);
                      });
  int visits = -1;
  for (int c = 0; c < table.ColumnCount(); ++c)
    if (table.Columns()[c].title == "Visits") visits = c;
  ChartData data;
  data.barsName = hits >= 0 ? Utf8(table.Columns()[hits].title) : QString();
  data.lineName = visits >= 0 ? QStringLiteral("Visits") : QString();
  for (std::size_t i = 0; i < top; ++i) {
    data.labels.push_back(Utf8(CellText(table, rows[i], 0, model_->Totals(), CellStyle::Grid)));
    data.bars.push_back(hits >= 0 ? table.Number(rows[i], hits) : 0);
    if (visits >= 0) data.line.push_back(table.Number(rows[i], visits));
  }
  chart_->SetData(std::move(data));
}

void TfrmAnalysis::StartDatabase() {
  const int index = cbSubject->currentIndex();
  if (index >= kNotStoredFirst) {
    model_->Reset(AnalysisTable(), true);
    chart_->SetData({});
    ShowReason(QString::fromLatin1(kNotStoredText));
    UpdateStatus();
    return;
  }
  DbRequest request;
  request.subject = DbSubjects()[static_cast<std::size_t>(std::max(index, 0))].subject;
  request.period = CurrentPeriod();
  request.site = TrimBlanks(ToStdString(ebSite->text()));
  request.filter = ToStdString(ebFilter->text());
  request.sortColumn = sortColumn_;
  request.descending = descending_;

  AnalysisTable columns = DbColumns(request.subject);
  const int column = sortColumn_ < 0 ? columns.HitsColumn() : sortColumn_;
  updating_ = true;
  model_->Reset(columns, false);
  grdRows->horizontalHeader()->setSortIndicator(
      column, descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
  updating_ = false;
  ShowGrid();
  chart_->SetData({});
  if (request.period.Empty()) {
    // No day at all: nothing to ask the database.
    AnalysisTable totals = columns.EmptyCopy();
    totals.AddRow();
    model_->SetComplete();
    model_->SetTotals(std::move(totals));
    UpdateStatus();
    return;
  }

  const int serial = ++serial_;
  DbJob::Callbacks callbacks;
  callbacks.failed = [this, serial](const std::string& reason) {
    QMetaObject::invokeMethod(
        this, [this, serial, reason] { JobFailed(serial, reason); }, Qt::QueuedConnection);
  };
  callbacks.rows = [this, serial](AnalysisTable&& chunk) {
    auto rows = std::make_shared<AnalysisTable>(std::move(chunk));
    QMetaObject::invokeMethod(
        this, [this, serial, rows] { JobRows(serial, std::move(*rows)); }, Qt::QueuedConnection);
  };
  callbacks.rowsDone = [this, serial] {
    QMetaObject::invokeMethod(
        this, [this, serial] { JobRowsDone(serial); }, Qt::QueuedConnection);
  };
  callbacks.totals = [this, serial](AnalysisTable&& totals) {
    auto row = std::make_shared<AnalysisTable>(std::move(totals));
    QMetaObject::invokeMethod(
        this, [this, serial, row] { JobTotals(serial, std::move(*row)); }, Qt::QueuedConnection);
  };
  callbacks.series = [this, serial](std::vector<DayPoint>&& series) {
    auto points = std::make_shared<std::vector<DayPoint>>(std::move(series));
    QMetaObject::invokeMethod(
        this, [this, serial, points] { JobSeries(serial, std::move(*points)); },
        Qt::QueuedConnection);
  };
  callbacks.finished = [this] {
    QMetaObject::invokeMethod(
        this, [this] { JobFinished(); }, Qt::QueuedConnection);
  };
  rowsDone_ = totalsDone_ = false;
  job_ = std::make_unique<DbJob>(dsn_, request, true, std::move(callbacks));
  job_->Start();
  pbBusy->setVisible(true);
  btnCancel->setEnabled(true);
  btnSaveCsv->setEnabled(false);
  UpdateStatus();
}

void TfrmAnalysis::StopJob() {
  if (job_) {
    job_->Cancel();
    stopping_.push_back(std::move(job_));
  }
  ++serial_;  // whatever a stopped query still posts is dropped
  pbBusy->setVisible(false);
  btnCancel->setEnabled(false);
  btnSaveCsv->setEnabled(true);
}

void TfrmAnalysis::Cancel() {
  if (!job_) return;
  StopJob();
  model_->SetComplete();
  pnStatus->setText(QStringLiteral("Cancelled; ") + QString::number(model_->Table().RowCount()) +
                    QStringLiteral(" rows read."));
}

bool TfrmAnalysis::Busy() const {
  return job_ != nullptr;
}

void TfrmAnalysis::JobFailed(int serial, const std::string& reason) {
  if (serial != serial_) return;
  StopJob();
  model_->Reset(AnalysisTable(), true);
  chart_->SetData({});
  // The driver's text as it is: shown as plain text, the repair rule for odd bytes.
  ShowReason(Utf8(Latin1ToUtf8(reason)));
  UpdateStatus();
}

void TfrmAnalysis::JobRows(int serial, AnalysisTable chunk) {
  if (serial != serial_) return;
  model_->Append(std::move(chunk));
  UpdateStatus();
}

void TfrmAnalysis::JobRowsDone(int serial) {
  if (serial != serial_) return;
  model_->SetComplete();
  rowsDone_ = true;
  UpdateStatus();
}

void TfrmAnalysis::JobTotals(int serial, AnalysisTable totals) {
  if (serial != serial_) return;
  model_->SetTotals(std::move(totals));
  totalsDone_ = true;
  UpdateStatus();
}

void TfrmAnalysis::JobSeries(int serial, std::vector<DayPoint> series) {
  if (serial != serial_) return;
  ChartData data;
  data.barsName = QStringLiteral("Hits");
  data.lineName = QStringLiteral("Visitors");
  for (const DayPoint& point : series) {
    data.labels.push_back(Utf8(FormatIsoDate(point.day)));
    data.bars.push_back(point.hits);
    data.line.push_back(point.visitors);
  }
  chart_->SetData(std::move(data));
}

void TfrmAnalysis::JobFinished() {
  // The threads of finished queries end now; the current one may be among them.
  if (job_ && job_->Done()) {
    job_.reset();
    pbBusy->setVisible(false);
    btnCancel->setEnabled(false);
    btnSaveCsv->setEnabled(true);
    model_->SetComplete();
    UpdateStatus();
  }
  stopping_.erase(std::remove_if(stopping_.begin(), stopping_.end(),
                                 [](const std::unique_ptr<DbJob>& job) { return job->Done(); }),
                  stopping_.end());
}

void TfrmAnalysis::ShowReason(const QString& text) {
  lblReason->setText(text);
  pnGrid->setCurrentWidget(lblReason);
}

void TfrmAnalysis::ShowGrid() {
  lblReason->clear();
  pnGrid->setCurrentWidget(grdRows);
}

void TfrmAnalysis::UpdateStatus() {
  if (pnGrid->currentWidget() == lblReason) {
    pnStatus->setText(QString());
    return;
  }
  const AnalysisTable& table = model_->Table();
  QString text = QString::number(table.RowCount()) + QStringLiteral(" rows");
  if (job_) {
    pnStatus->setText(QStringLiteral("Reading... ") + text + QStringLiteral(" so far"));
    return;
  }
  const AnalysisTable& totals = model_->Totals();
  if (!totals.Empty()) {
    for (int c = 1; c < totals.ColumnCount(); ++c) {
      const Column& column = totals.Columns()[c];
      if (column.title != "Hits" && column.title != "Visitors" && column.title != "Visits" &&
          column.title != "Bytes" && column.title != "Lines")
        continue;
      text += QStringLiteral("; ") + Utf8(column.title) + QStringLiteral(": ") +
              Utf8(CellText(totals, 0, c, totals, CellStyle::Grid));
    }
  }
  pnStatus->setText(text);
}

std::string TfrmAnalysis::StatusText() const {
  return ToStdString(pnStatus->text());
}

std::string TfrmAnalysis::ReasonText() const {
  return pnGrid->currentWidget() == lblReason ? lblReason->text().toStdString() : std::string();
}

void TfrmAnalysis::CopySelection() {
  const QModelIndexList selected = grdRows->selectionModel()->selectedIndexes();
  std::set<int> rows;
  for (const QModelIndex& index : selected) rows.insert(index.row());
  QString text;
  for (int row : rows) {
    for (int c = 0; c < model_->columnCount(); ++c) {
      if (c) text += QLatin1Char('\t');
      text += model_->CellString(row, c);
    }
    text += QLatin1Char('\n');
  }
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

std::string TfrmAnalysis::DefaultCsvName() const {
  const int index = std::max(cbSubject->currentIndex(), 0);
  std::string name;
  if (source_ == Source::Statistics) {
    name = std::string("stats-") + StatsSubjects()[static_cast<std::size_t>(index)].word;
  } else {
    name = DbSubjects()[static_cast<std::size_t>(std::min(index, 5))].word;
    const Period period = CurrentPeriod();
    if (!period.all && !period.Empty())
      name += "-" + FormatIsoDate(period.from) + "-" + FormatIsoDate(period.to);
  }
  return name + ".csv";
}

void TfrmAnalysis::SaveAsCsv() {
  if (job_ || pnGrid->currentWidget() == lblReason) return;
  const std::optional<SaveFileChoice> choice = dialogs_.SaveFile(
      "Save as CSV", "CSV files (*.csv);;All files (*.*)", "csv", DefaultCsvName());
  if (!choice) return;
  std::string error;
  if (WriteCsvFile(choice->fileName, model_->Table(), model_->Totals(), error)) {
    pnStatus->setText(QStringLiteral("Saved: ") + Utf8(Latin1ToUtf8(choice->fileName)));
  } else {
    dialogs_.MessageBox("The table was not saved: " + error, "Kestrune",
                        DialogButtons::Of(DialogButton::Ok), DialogButton::Ok, DialogIcon::Error);
  }
}

void TfrmAnalysis::closeEvent(QCloseEvent* event) {
  Cancel();
  QMainWindow::closeEvent(event);
}

}  // namespace kestrune
