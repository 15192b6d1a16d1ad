// The FTP fetch of the window: mnDownloadClick and axFTP_StateChanged hand the window's
// fields to FtpFetch (src/ftp) and carry out what it asks through WindowFtpHost: log
// lines, the error box, the busy flag, and a transfer object whose states arrive as
// queued calls on the window's thread.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "ftp/ftp_fetch.h"
#include "ftp/gui_delivery.h"

namespace kestrune {

class WindowFtpHost : public FtpFetchHost {
 public:
  explicit WindowFtpHost(TfrmImport& window) : window_(window) {}

  void LogString(const std::string& message, bool box) override { window_.LogString(message, box); }
  void ErrorBox(const std::string& text) override {
    window_.dialogs_.MessageBox(text, "Error", DialogButtons::Of(DialogButton::Ok),
                                DialogButton::Ok, DialogIcon::Error);
  }
  bool DownloadBusy() const override { return window_.downloadBusy_; }
  void SetDownloadBusy(bool busy) override { window_.downloadBusy_ = busy; }
  std::unique_ptr<FtpTransfer> CreateTransfer() override {
    return std::make_unique<FtpTransfer>(QueuedOnThreadOf(&window_));
  }
  void FtpStateChanged(int state) override { window_.axFTP_StateChanged(state); }

 private:
  TfrmImport& window_;
};

void TfrmImport::mnDownloadClick() {
  if (!ftpFetch_) {
    ftpHost_ = std::make_unique<WindowFtpHost>(*this);
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

void TfrmImport::DropFtpTransfer() {
  if (ftpFetch_) ftpFetch_->DropTransfer();
}

}  // namespace kestrune
