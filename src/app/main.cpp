// The program entry: the usage and version texts, the start-up of the window, the
// command words of an unattended run and its exit status.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "app/app_setup.h"
#include "app/import_window.h"
#include "app/qt_dialogs.h"
#include "desktop/command_line.h"
#include "desktop/maintenance_log.h"
#include "desktop/settings_store.h"
#include "util/text.h"

int main(int argc, char** argv) {
  using namespace kestrune;
  InitLocaleFromEnvironment();
  const std::vector<std::string> words(argv + 1, argv + argc);
  switch (ChooseStartAction(words)) {
    case StartAction::Usage:
      std::fputs(UsageText(SettingsStore::DefaultPath()).c_str(), stdout);
      return 0;
    case StartAction::Version:
      std::printf("%s\n", VersionText().c_str());
      return 0;
    case StartAction::Window:
      break;
  }

  // Command words without a display: no window can be shown, so run on Qt's offscreen
  // platform and answer any message box by itself (its text goes to the log).
  const bool headless = !words.empty() && !HasDisplay();
  if (headless) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ProvideRuntimeDirectory();
  } else if (!HasDisplay() && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    std::fputs(
        "kestrune: no display (DISPLAY and WAYLAND_DISPLAY are unset).\n"
        "Give command words for an unattended run, e.g. `kestrune RUN QUIT`; see --help.\n",
        stderr);
    return 1;
  }

  QApplication app(argc, argv);
  ConfigureApplication(app);

  QtDialogs dialogs(headless);
  auto frmImport = std::make_unique<TfrmImport>(dialogs, SettingsStore::DefaultPath(), words);
  dialogs.SetParent(frmImport.get());
  TfrmImport* window = frmImport.get();
  dialogs.SetLogSink([window](const std::string& text) {
    AppendMaintenanceLine(window->MaintenanceLogPath(), text);
  });
  auto frmAbout = std::make_unique<TfrmAbout>(frmImport.get());
  frmImport->SetAboutBox(frmAbout.get());

  frmImport->show();
  frmImport->FormShow();
  if (headless && !frmImport->Unattended().QuitRequested()) frmImport->CommandWord("QUIT");
  if (frmImport->Unattended().QuitRequested()) {
    // QUIT: no message loop, and the window goes without FormClose, so the settings of
    // this run are not written.
    const int status = frmImport->Unattended().ExitStatus();
    frmAbout.reset();
    frmImport.reset();
    return status;
  }
  const int status = app.exec();
  frmAbout.reset();
  frmImport.reset();
  return status;
}
