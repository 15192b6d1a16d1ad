// The Help menu: the product's web page, a support mail and the about box.
#include <QDialog>

#include "app/import_window.h"
#include "desktop/shell_launcher.h"

namespace kestrune {

void TfrmImport::mnOnlineHelpClick() {
  OpenDocument(kProductPageUrl);
}

void TfrmImport::mnEmailSupportClick() {
  OpenDocument(kSupportMailLink);
}

void TfrmImport::mnHelpAboutClick() {
  if (aboutBox_) aboutBox_->exec();
}

}  // namespace kestrune
