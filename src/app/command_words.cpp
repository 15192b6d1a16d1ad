// FormShow and the command words of an unattended run: DOWNLOAD, RUN, REPORT=<file>,
// EXPORT=<file> and QUIT, matched without regard to case and carried out in order.
#include <QComboBox>
#include <QRadioButton>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "desktop/maintenance_log.h"
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
  if (upper == "DOWNLOAD") {
    CommandDownload();
  } else if (upper == "RUN") {
    CommandRun();
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

void TfrmImport::CommandQuit() {
  LogString("Quitting", false);
  unattended_.RequestQuit();
}

}  // namespace kestrune
