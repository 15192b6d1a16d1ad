// The import driver: ScanPath lists the files of the import path, btnImportClick records
// the path and runs DoImport, which reads every matching file with the chosen reader and
// moves it into "processed" or "invalid" when moving is on.
#include <sys/stat.h>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QRadioButton>

#include <cstdio>
#include <unordered_map>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "app/screen_cursor.h"
#include "desktop/file_search.h"
#include "desktop/maintenance_log.h"
#include "logfiles/log_readers.h"
#include "storage/database.h"
#include "util/directory_lock.h"
#include "util/error.h"
#include "util/move_file.h"
#include "util/path.h"
#include "util/text.h"

namespace kestrune {

namespace {

// lbFiles keeps each full file name as bytes beside its shown text, so that a name that
// is not valid text in the system's encoding still compares exactly.
constexpr int kNameRole = Qt::UserRole;

std::string Folded(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
  return out;
}

// A file or directory name as it joins a log line: no control character of it can start
// a line of its own.
std::string LogName(const std::string& name) {
  return EscapeControlCharacters(name, false);
}

std::string ExceptionText(const std::string& message) {
  return "Exception:\r\n" + message + "\r\n";
}

// Why a run found no file at all: the folder is missing, or the mask matches nothing in it.
std::string NothingFoundText(const std::string& path, const std::string& directory) {
  struct stat info {};
  const std::string folder =
      directory.size() > 1 ? directory.substr(0, directory.size() - 1) : directory;
  if (!folder.empty() && ::stat(folder.c_str(), &info) != 0)
    return "Folder not found: " + LogName(folder);
  return "No file matches " + LogName(path);
}

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
    lastImport_ = ImportResult::Failed;  // nothing was imported
    return;
  }

  DisableAll();
  // One import at a time per directory, across processes: a second run would read and
  // count the same files again. It reads and moves nothing and ends FAILED.
  const DirectoryLock importLock(directory);
  const bool busy = importLock.state() == DirectoryLock::State::kBusy;
  if (busy) LogString("Another import is running in " + LogName(directory), false);
  // A directory with a wildcard in it is a mask typed without one (or a pattern): no
  // file can be imported from it, and folders named after the mask would only litter.
  if (move && !busy && directory.find_first_of("*?") == std::string::npos) {
    ForceDirectory(directory + "invalid");
    ForceDirectory(directory + "processed");
  }
  clsImportStats& stats = *stats_;
  stats.UseDownloadExt = cbDownloadExt->isChecked();
  stats.UseIgnoreExt = cbIgnoreExt->isChecked();
  stats.UseIgnoreIP = cbIgnoreIP->isChecked();
  stats.ImportStarted = NowLocal();

  // A data source that cannot be opened ends the run before any file is touched, with
  // the error box and the closing steps, so that the window is unlocked again.
  bool databaseFailed = false;
  Database database([this](const std::string& message) { Status(message); });
  if (addToDb && !busy) {
    try {
      database.Open(dsn, stats);
    } catch (const std::exception& e) {
      databaseFailed = true;
      ShowDefaultCursor();
      dialogs_.MessageBox(ExceptionText(e.what()), "Error", DialogButtons::Of(DialogButton::Ok),
                          DialogButton::Ok, DialogIcon::Error);
    }
  }

  const std::vector<FoundEntry> entries =
      databaseFailed || busy ? std::vector<FoundEntry>{} : FindEntries(path);
  bool outcome = !entries.empty();
  if (!outcome && !databaseFailed && !busy) LogString(NothingFoundText(path, directory), false);

  // Which listed files are selected, by name without regard to case (first item wins).
  // Names that differ only in case are different files here: the item of exactly that
  // name decides first, so deselecting A.log never skips a.log (which would then be
  // moved into processed unread).
  std::unordered_map<std::string, bool> listedExactly;
  std::unordered_map<std::string, bool> listed;
  for (int i = 0; i < lbFiles->count(); ++i) {
    const QListWidgetItem* item = lbFiles->item(i);
    const std::string name = item->data(kNameRole).toByteArray().toStdString();
    listedExactly.emplace(name, item->isSelected());
    listed.emplace(Folded(name), item->isSelected());
  }

  const bool iis = rbIIS->isChecked();
  const std::string siteIP = ToStdString(ebSiteIP->text());
  for (std::size_t i = 0; outcome && i < entries.size(); ++i) {
    const FoundEntry& entry = entries[i];
    if (entry.isDirectory || entry.name.front() == '.') continue;
    const std::string fileName = directory + entry.name;
    bool cancelled = false;
    try {
      bool selected = true;
      if (const auto exact = listedExactly.find(fileName); exact != listedExactly.end())
        selected = exact->second;
      else if (const auto found = listed.find(Folded(fileName)); found != listed.end())
        selected = found->second;
      if (!selected) {
        LogString("Skipping file " + LogName(fileName) + ".", false);
      } else {
        LogString("Scanning file " + LogName(fileName) + ".", false);
        const int fileIndex = stats.slFiles.Add(fileName, std::make_unique<clsPFileObject>());
        if (addToDb && database.Connected()) database.StartTransaction();
        ReaderContext context{stats, *this, database.Store()};
        context.unixOptions = {.combined = cbUnixCombined->isChecked(),
                               .keepCase = cbUnixKeepCase->isChecked()};
        const int lines = iis ? ScanIISFile(fileName, addToDb, context)
                              : ScanUnixFile(fileName, siteIP, addToDb, context);
        stats.slFiles.Object(fileIndex)->LineCount = lines;
        outcome = lines > 0;
        if (addToDb && database.Connected()) database.Commit();
      }
    } catch (const std::exception& e) {
      outcome = false;
      ShowDefaultCursor();
      if (addToDb && database.Connected()) database.Rollback();
      const DialogButton answer =
          dialogs_.MessageBox(ExceptionText(e.what()), "Error",
                              DialogButtons::Of(DialogButton::Ok, DialogButton::Cancel),
                              DialogButton::Ok, DialogIcon::Error);
      cancelled = answer == DialogButton::Cancel;
    }
    ShowStatsNow();
    if (cancelled) break;
    if (move) {
      // Replaces an existing target; across file systems the file is copied first. A
      // move that fails leaves the file in place and says so in the log.
      const std::string target = directory + (outcome ? "processed/" : "invalid/") + entry.name;
      std::string reason;
      if (!MoveFile(fileName, target, reason))
        LogString("Could not move " + LogName(fileName) + " to " + LogName(target) + ": " + reason,
                  false);
    }
  }

  ShowDefaultCursor();
  if (addToDb) database.Close();
  stats.ImportFinished = NowLocal();
  ShowStatsNow();

  const std::string result = outcome ? "Update completed." : "Update FAILED !";
  const double duration = stats.ImportFinished - stats.ImportStarted;
  const std::string summary = std::to_string(stats.slFiles.Count()) + " file(s) scanned in " +
                              FormatHNnSs(duration > 0 ? duration : 0);
  lastImport_ = outcome ? ImportResult::Completed : ImportResult::Failed;
  LogString(result + "\r\n\r\n" + summary + "\r\n\r\n", mnShowimportcompletionmessage->isChecked());
  Status(result + " (" + summary + ")");
  progressPos_ = 0;
  pbProgress->setValue(pbProgress->minimum());
  EnableAll();
  if (mnStartExcelautomatically->isChecked()) mnToExcelClick();
}

}  // namespace kestrune
