// The FTP fetch of the window: mnDownloadClick and axFTP_StateChanged hand the window's
// fields to FtpFetch (src/ftp) and carry out what it asks through WindowFtpHost: log
// lines, the error box, the message pumping of its wait, and a transfer object whose
// states arrive as queued calls on the window's thread. The fetch keeps its busy state.
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "app/window_host.h"
#include "ftp/ftp_fetch.h"
#include "ftp/gui_delivery.h"

namespace kestrune {

namespace {

class WindowFtpHost : public WindowHost<FtpFetchHost> {
 public:
  WindowFtpHost(TfrmImport& window, Dialogs& dialogs) : WindowHost(window), dialogs_(dialogs) {}

  void LogString(const std::string& message, bool box) override { window_.LogString(message, box); }
  void ErrorBox(const std::string& text) override {
    dialogs_.MessageBox(text, "Error", DialogButtons::Of(DialogButton::Ok), DialogButton::Ok,
                        DialogIcon::Error);
  }
  // One turn of the DOWNLOAD wait: window messages get through for 20 ms.
  void ProcessMessages() override {
    QEventLoop pause;
    QTimer::singleShot(20, &pause, &QEventLoop::quit);
    pause.exec();
  }
  std::unique_ptr<FtpTransfer> CreateTransfer() override {
    return std::make_unique<FtpTransfer>(QueuedOnThreadOf(&window_));
  }
  void FtpStateChanged(int state) override { window_.axFTP_StateChanged(state); }

 private:
  Dialogs& dialogs_;
};

}  // namespace

void TfrmImport::mnDownloadClick() {
  if (!ftpFetch_) {
    ftpHost_ = std::make_unique<WindowFtpHost>(*this, dialogs_);
    ftpFetch_ = std::make_unique<FtpFetch>(*ftpHost_);
  }
  FtpFetchSettings settings;
  settings.importPath = ToStdString(cbPath->currentText());
  settings.server = ToStdString(ebFTPServer->text());
  settings.logDir = ToStdString(ebFTPLogDirectory->text());
  settings.user = ToStdString(ebFTPUsername->text());
  settings.password = ToStdString(ebFTPPassword->text());
  settings.iis = rbIIS->isChecked();
  settings.removeDownloaded = cbRemoveDownloadedFiles->isChecked();
  ftpFetch_->Start(settings, clock_());
}

void TfrmImport::axFTP_StateChanged(int state) {
  if (ftpFetch_) ftpFetch_->StateChanged(state);
}

bool TfrmImport::DownloadBusy() const {
  return ftpFetch_ && ftpFetch_->Busy();
}

void TfrmImport::WaitForFtpFetch() {
  if (ftpFetch_) ftpFetch_->Wait(downloadWaitLimit_);
}

void TfrmImport::DropFtpTransfer() {
  if (ftpFetch_) ftpFetch_->DropTransfer();
}

}  // namespace kestrune
