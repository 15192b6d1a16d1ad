// TfrmAbout: the about box. It shows the product name "Kestrune", the version line and
// three buttons: OK closes it, "Web page" and "Vantorel" open the product's and the
// maker's web pages through the shell launcher.
#pragma once

#include <QDialog>

#include <string>
#include <string_view>

#include "desktop/shell_launcher.h"

class QLabel;
class QPushButton;

namespace kestrune {

// "Version " + major + "." + minor + patch + "." + tweak, so 1.0.0.12 reads
// "Version 1.00.12". "Version v1.00" when a part is missing or not a number.
std::string VersionLine(std::string_view major, std::string_view minor, std::string_view patch,
                        std::string_view tweak);
// The version line of this build (from the KESTRUNE_VERSION_* compile definitions).
std::string VersionLine();

class TfrmAbout : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAbout(QWidget* parent = nullptr);
  // Opens its pages through `launcher` (tests give one with a recording command).
  TfrmAbout(Launcher launcher, QWidget* parent = nullptr);

  void btnOKClick();
  void btnWebPageClick();
  void btnVantorelClick();

 private:
  Launcher launcher_;
  QLabel* lblProductName = nullptr;
  QLabel* lblVersion = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnWebPage = nullptr;
  QPushButton* btnVantorel = nullptr;
};

}  // namespace kestrune
