// The status line, the progress bar and the maintenance log of the main window. Status,
// LogString and EndProgress are points at which pending window messages get through.
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "desktop/maintenance_log.h"

namespace kestrune {

void TfrmImport::Status(const std::string& message) {
  pnStatus->setText(ToQString(message));
  repaint();
  QCoreApplication::processEvents();
  update();
  repaint();
  QCoreApplication::processEvents();
}

void TfrmImport::InitProgress(int maximum) {
  progressMax_ = maximum;
  // A bar whose range is 0..0 would turn into a busy indicator; keep it a bar.
  pbProgress->setRange(0, maximum > 0 ? maximum : 1);
}

void TfrmImport::SetProgress(int position) {
  progressPos_ = position;
}

void TfrmImport::ApplyProgress() {
  if (pbProgress->value() != progressPos_) pbProgress->setValue(progressPos_);
}

void TfrmImport::EndProgress() {
  progressPos_ = progressMax_ > 0 ? progressMax_ : 1;
  ApplyProgress();
  repaint();
  QCoreApplication::processEvents();
}

void TfrmImport::ResetProgress() {
  progressPos_ = 0;
  pbProgress->setValue(pbProgress->minimum());
}

void TfrmImport::LogString(const std::string& message, bool box) {
  AppendMaintenanceLine(maintenanceLogPath_, message);
  Status(message);
  if (box && !unattended_.Active())
    dialogs_.MessageBox(message, "Kestrune", DialogButtons::Of(DialogButton::Ok), DialogButton::Ok,
                        DialogIcon::Information);
}

}  // namespace kestrune
