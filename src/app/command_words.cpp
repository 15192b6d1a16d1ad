// FormShow and the command words of an unattended run: DOWNLOAD, RUN, REPORT=<file>,
// EXPORT=<file> and QUIT, matched without regard to case and carried out in order.
#include <sys/stat.h>
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdlib>
#include <memory>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "desktop/maintenance_log.h"
#include "util/path.h"
#include "util/text.h"

namespace kestrune {

void TfrmImport::FormShow() {
  unattended_.SetActive(false);
  maintenanceLogPath_ = programDir_ + std::string(kMaintenanceLogName);
  LoadSettings();
  UpdateLanguage();
  if (!commandWords_.empty()) {
    unattended_.SetActive(true);
    for (const std::string& word : commandWords_) CommandWord(word);
  }
  ShowStatsNow();
}

void TfrmImport::CommandWord(const std::string& word) {
  const std::string upper = UpperCase(word);
  if (AnalysisWords::Handles(word)) {
    LogString(analysisWords_.Run(word, ToStdString(ebDSN->text()), *stats_), false);
    if (analysisWords_.Failed()) unattended_.TableFailed();
    return;
  }
  if (upper == "DOWNLOAD") {
    CommandDownload();
  } else if (upper == "RUN") {
    CommandRun();
  } else if (upper.rfind("RUN=", 0) == 0) {
    CommandRunMask(word.substr(4));
  } else if (upper == "QUIT") {
    CommandQuit();
  } else if (upper.rfind("REPORT=", 0) == 0) {
    CommandReport(word.substr(7));
  } else if (upper.rfind("EXPORT=", 0) == 0) {
    CommandExport(word.substr(7));
  }
}

void TfrmImport::CommandDownload() {
  mnDownloadClick();
  // The fetch's own wait, letting window messages through; it gives up after the limit.
  WaitForFtpFetch();
  // Whatever still runs is cancelled; the next fetch makes a new transfer object.
  DropFtpTransfer();
}

void TfrmImport::CommandRun() {
  LogString("Scanning for new files", false);
  cbPath->setEditText(ToQString(programDir_ + "*.log"));
  rbIIS->setChecked(true);
  btnImportClick();
}

void TfrmImport::CommandRunMask(const std::string& mask) {
  // The files of a mask anywhere (relative to the current directory), read with the
  // format, site address and options of the settings.
  LogString("Scanning for new files", false);
  std::string path = mask;
  if (!path.empty() && path.front() != '/') {
    const std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (cwd) path = std::string(cwd.get()) + "/" + path;
  }
  // A folder that is not there has no maintenance log of its own: say so in this one.
  const std::string folder = ExtractDir(path);
  if (struct stat info{}; ::stat(folder.c_str(), &info) != 0)
    LogString("Folder not found: " + EscapeControlCharacters(folder, false), false);
  cbPath->setEditText(ToQString(path));
  btnImportClick();
}

void TfrmImport::CommandQuit() {
  LogString("Quitting", false);
  unattended_.RequestQuit();
}

}  // namespace kestrune
