// The import driver of the window: ScanPath lists the files of the import path,
// btnImportClick records the path and runs DoImport, which hands the controls' state to
// an ImportRun (src/importing) and the window to it as its host.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "app/screen_cursor.h"
#include "app/window_host.h"
#include "desktop/file_search.h"
#include "desktop/maintenance_log.h"
#include "importing/import_run.h"
#include "util/path.h"
#include "util/text.h"

namespace kestrune {

namespace {

// lbFiles keeps each full file name as bytes beside its shown text, so that a name that
// is not valid text in the system's encoding still compares exactly.
constexpr int kNameRole = Qt::UserRole;

// The file list and its selection, as the import run asks it.
std::vector<ListedFile> ListedFiles(const QListWidget* list) {
  std::vector<ListedFile> files;
  files.reserve(static_cast<std::size_t>(list->count()));
  for (int i = 0; i < list->count(); ++i) {
    const QListWidgetItem* item = list->item(i);
    files.push_back({item->data(kNameRole).toByteArray().toStdString(), item->isSelected()});
  }
  return files;
}

// The window as the import run's host: the error box through the window's dialogs, the
// readers' message pumping in the throttled panel refresh.
class WindowImportHost : public WindowHost<ImportHost> {
 public:
  WindowImportHost(TfrmImport& window, Dialogs& dialogs) : WindowHost(window), dialogs_(dialogs) {}

  void ProcessMessages() override { window_.ShowStats(); }
  void ShowStats() override { window_.ShowStats(); }
  void LogString(const std::string& message, bool box) override { window_.LogString(message, box); }
  void ShowStatsNow() override { window_.ShowStatsNow(); }
  ErrorAnswer ErrorBox(const std::string& text, bool offerCancel) override {
    const DialogButton answer =
        dialogs_.MessageBox(text, "Error",
                            DialogButtons::Of(DialogButton::Ok, offerCancel ? DialogButton::Cancel
                                                                            : DialogButton::None),
                            DialogButton::Ok, DialogIcon::Error);
    return answer == DialogButton::Cancel ? ErrorAnswer::Cancel : ErrorAnswer::Ok;
  }
  void ShowDefaultCursor() override { kestrune::ShowDefaultCursor(); }
  void DisableAll() override { window_.DisableAll(); }
  void EnableAll() override { window_.EnableAll(); }
  void ResetProgress() override { window_.ResetProgress(); }

 private:
  Dialogs& dialogs_;
};

}  // namespace

void TfrmImport::ScanPath(const std::string& path) {
  bool known = false;
  for (int i = 0; i < cbPath->count() && !known; ++i)
    known = SameText(ToStdString(cbPath->itemText(i)), path);
  if (!known) cbPath->addItem(ToQString(path));

  lbFiles->clear();
  const std::vector<FoundEntry> entries = FindEntries(path);
  if (entries.empty()) return;

  const std::string directory = AddBackslash(ExtractDir(TrimBlanks(path)));
  int count = 0;
  for (const FoundEntry& entry : entries) {
    if (entry.isDirectory || entry.name == "." || entry.name == "..") continue;
    const std::string fileName = directory + entry.name;
    auto* item = new QListWidgetItem(ToQString(fileName), lbFiles);
    item->setData(kNameRole, QByteArray::fromStdString(fileName));
    ++count;
  }
  lbFiles->selectAll();
  Status(std::to_string(count) + " files found in " + path);
}

void TfrmImport::btnImportClick() {
  const std::string path = ToStdString(cbPath->currentText());
  int index = cbPath->findText(ToQString(path), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) index = 0;
  const std::string directory = AddBackslash(ExtractDir(path));
  RememberLastPath(index, directory);
  maintenanceLogPath_ = directory + std::string(kMaintenanceLogName);
  DoImport(directory, path, ToStdString(ebDSN->text()), cbMoveToProcessed->isChecked(),
           cbAddToDb->isChecked());
}

void TfrmImport::DoImport(const std::string& directory, const std::string& path,
                          const std::string& dsn, bool move, bool addToDb) {
  if (addToDb && TrimBlanks(dsn).empty()) {
    dialogs_.MessageBox("No DSN specified.", "Database error", DialogButtons::Of(DialogButton::Ok),
                        DialogButton::Ok, DialogIcon::Warning);
    unattended_.ImportEnded({});  // nothing was imported: Failed
    return;
  }
  ImportRequest request{directory, path, ListedFiles(lbFiles), {}};
  ImportOptions& options = request.options;
  options.move = move;
  options.addToDb = addToDb;
  options.dsn = dsn;
  options.iis = rbIIS->isChecked();
  options.siteIP = ToStdString(ebSiteIP->text());
  options.unixRead = {.combined = cbUnixCombined->isChecked(),
                      .keepCase = cbUnixKeepCase->isChecked()};
  options.useDownloadExt = cbDownloadExt->isChecked();
  options.useIgnoreExt = cbIgnoreExt->isChecked();
  options.useIgnoreIP = cbIgnoreIP->isChecked();
  options.completionBox = mnShowimportcompletionmessage->isChecked();

  WindowImportHost host(*this, dialogs_);
  ImportRun run(host, *stats_, std::move(request));
  unattended_.ImportEnded(run.Run());
  if (mnStartExcelautomatically->isChecked()) mnToExcelClick();
}

}  // namespace kestrune
