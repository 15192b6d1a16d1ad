// LoadSettings, SaveSettings and RememberLastPath: the window and the statistics object's
// three configuration lists against the settings store, key Software\Vantorel\Kestrune.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <charconv>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "desktop/maintenance_log.h"
#include "storage/database.h"
#include "util/text.h"

namespace kestrune {

namespace {

const std::string kRoot = "Software\\Vantorel\\Kestrune";
const std::string kDownloadExtKey = kRoot + "\\DownloadExt";
const std::string kIgnoreExtKey = kRoot + "\\IgnoreExt";
const std::string kIgnoreIPKey = kRoot + "\\IgnoreIP";
const std::string kImportPathsKey = kRoot + "\\ImportPaths";

const char* Flag(bool on) {
  return on ? "Y" : "N";
}

// Only the exact text "Y" is on.
bool ReadFlag(const SettingsStore& store, const char* name, const char* defaultValue) {
  return store.RegReadString(kRoot, name, defaultValue) == "Y";
}

// Decimal text as an integer; anything that is not wholly one counts as 0.
int ToIntDefault0(const std::string& text) {
  int value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || text.empty()) return 0;
  return value;
}

template <class T>
void LoadList(const SettingsStore& store, const std::string& key, KeyedList<T>& list,
              QListWidget* listBox) {
  list.Clear();
  for (const std::string& name : store.RegValueNames(key))
    if (list.IndexOf(name) < 0) list.Add(name);
  listBox->clear();
  for (int i = 0; i < list.Count(); ++i) listBox->addItem(ToQString(list.Key(i)));
}

template <class T>
void SaveList(SettingsStore& store, const std::string& key, const KeyedList<T>& list) {
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Key(i));
  store.RegWriteNames(key, names);  // one write, however long the list
}

}  // namespace

void TfrmImport::LoadSettings() {
  // A damaged settings file is read as far as it can be; the lines left out are counted
  // in the maintenance log, once.
  store_.SetDamageReport([this](std::size_t skipped) {
    LogString("Settings file " + EscapeControlCharacters(store_.FilePath(), false) + ": " +
                  std::to_string(skipped) + " unreadable line(s) skipped",
              false);
  });
  lbFiles->clear();

  cbDownloadExt->setChecked(ReadFlag(store_, "DownloadExtFlag", "N"));
  LoadList(store_, kDownloadExtKey, stats_->slDownloadExt, lbDownloadExt);
  cbIgnoreExt->setChecked(ReadFlag(store_, "IgnoreExtFlag", "N"));
  LoadList(store_, kIgnoreExtKey, stats_->slIgnoreExt, lbIgnoreExt);
  cbIgnoreIP->setChecked(ReadFlag(store_, "IgnoreIPFlag", "N"));
  LoadList(store_, kIgnoreIPKey, stats_->slIgnoreIP, lbIgnoreIP);

  LoadImportPaths();

  mnShowimportcompletionmessage->setChecked(ReadFlag(store_, "ImportMsg", "Y"));
  mnStartExcelautomatically->setChecked(ReadFlag(store_, "StartExcel", "N"));
  LoadFormat();

  cbMoveToProcessed->setChecked(ReadFlag(store_, "Move", "N"));
  cbAddToDb->setChecked(ReadFlag(store_, "AddToDb", "N"));

  ebSiteIP->setText(ToQString(store_.RegReadString(kRoot, "SiteIP", "")));
  ebDSN->setText(ToQString(store_.RegReadString(kRoot, "DSN", std::string(kDefaultDsn))));
  ebFTPServer->setText(ToQString(store_.RegReadString(kRoot, "FTPServer", "")));
  ebFTPLogDirectory->setText(ToQString(store_.RegReadString(kRoot, "FTPLogDir", "")));
  ebFTPUsername->setText(ToQString(store_.RegReadString(kRoot, "FTPUsername", "")));
  ebFTPPassword->setText(ToQString(store_.RegReadString(kRoot, "FTPPassword", "")));

  cbRemoveDownloadedFiles->setChecked(ReadFlag(store_, "RemoveDownloadedFiles", "N"));
}

void TfrmImport::LoadImportPaths() {
  cbPath->clear();
  for (const std::string& name : store_.RegValueNames(kImportPathsKey)) {
    if (SameText(name, "Last") || SameText(name, "LastPath")) continue;
    cbPath->addItem(ToQString(name));
  }
  const int last = ToIntDefault0(store_.RegReadString(kImportPathsKey, "Last", "0"));
  if (last >= 0 && last < cbPath->count()) {
    cbPath->setCurrentIndex(last);
    ScanPath(ToStdString(cbPath->itemText(last)));
  } else {
    cbPath->setCurrentIndex(-1);
    cbPath->setEditText(QString());
  }
}

void TfrmImport::LoadFormat() {
  // Two radio buttons of one group: both on means UNIX (set second) wins; both off leaves
  // neither checked, which the exclusive group would not allow while it is exclusive.
  const bool iis = ReadFlag(store_, "IIS", "Y");
  const bool unix = ReadFlag(store_, "UNIX", "N");
  rbIIS->setAutoExclusive(false);
  rbUnix->setAutoExclusive(false);
  rbIIS->setChecked(iis && !unix);
  rbUnix->setChecked(unix);
  rbIIS->setAutoExclusive(true);
  rbUnix->setAutoExclusive(true);
  cbUnixCombined->setChecked(ReadFlag(store_, "UnixCombined", "N"));
  cbUnixKeepCase->setChecked(ReadFlag(store_, "UnixKeepCase", "N"));
}

void TfrmImport::SaveSettings() {
  for (int i = 0; i < cbPath->count(); ++i) {
    const std::string path = ToStdString(cbPath->itemText(i));
    if (!path.empty()) store_.RegWriteString(kImportPathsKey, path, "");
  }

  const auto text = [](const QLineEdit* edit) { return ToStdString(edit->text()); };
  store_.RegWriteString(kRoot, "ImportMsg", Flag(mnShowimportcompletionmessage->isChecked()));
  store_.RegWriteString(kRoot, "StartExcel", Flag(mnStartExcelautomatically->isChecked()));
  store_.RegWriteString(kRoot, "IIS", Flag(rbIIS->isChecked()));
  store_.RegWriteString(kRoot, "UNIX", Flag(rbUnix->isChecked()));
  store_.RegWriteString(kRoot, "UnixCombined", Flag(cbUnixCombined->isChecked()));
  store_.RegWriteString(kRoot, "UnixKeepCase", Flag(cbUnixKeepCase->isChecked()));
  store_.RegWriteString(kRoot, "Move", Flag(cbMoveToProcessed->isChecked()));
  store_.RegWriteString(kRoot, "AddToDb", Flag(cbAddToDb->isChecked()));
  store_.RegWriteString(kRoot, "SiteIP", text(ebSiteIP));
  store_.RegWriteString(kRoot, "DSN", text(ebDSN));
  store_.RegWriteString(kRoot, "FTPServer", TrimBlanks(text(ebFTPServer)));
  store_.RegWriteString(kRoot, "FTPLogDir", TrimBlanks(text(ebFTPLogDirectory)));
  store_.RegWriteString(kRoot, "FTPUsername", TrimBlanks(text(ebFTPUsername)));
  store_.RegWriteString(kRoot, "FTPPassword", TrimBlanks(text(ebFTPPassword)));
  store_.RegWriteString(kRoot, "RemoveDownloadedFiles", Flag(cbRemoveDownloadedFiles->isChecked()));
  store_.RegWriteString(kRoot, "DownloadExtFlag", Flag(cbDownloadExt->isChecked()));
  store_.RegWriteString(kRoot, "IgnoreExtFlag", Flag(cbIgnoreExt->isChecked()));
  store_.RegWriteString(kRoot, "IgnoreIPFlag", Flag(cbIgnoreIP->isChecked()));

  SaveList(store_, kDownloadExtKey, stats_->slDownloadExt);
  SaveList(store_, kIgnoreExtKey, stats_->slIgnoreExt);
  SaveList(store_, kIgnoreIPKey, stats_->slIgnoreIP);
}

void TfrmImport::RememberLastPath(int index, const std::string& directory) {
  store_.RegWriteString(kImportPathsKey, "Last", std::to_string(index));
  store_.RegWriteString(kImportPathsKey, "LastPath", directory);
}

}  // namespace kestrune
