// window_import: the import as a user runs it in the window, on Qt's offscreen platform:
// the real TfrmImport lists the folder's logs, the Import button is clicked, and the
// status line, progress bar and throttled statistics panel are redrawn as the readers
// go. Each run builds a fresh window (a fresh statistics object) on a settings file of
// its own; files are not moved. Prints the best of R runs.
//
//   window_import [--format iis|unix] [--repeat R] DIR   (imports DIR/*.log)
#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app_setup.h"
#include "app/import_window.h"
#include "app/qt_dialogs.h"
#include "bench_files.h"
#include "util/text.h"

using namespace kestrune;

int main(int argc, char** argv) {
  bench::ImportArgs args;
  if (!bench::ParseImportArgs(argc, argv, "window_import [--format iis|unix] [--repeat R] DIR",
                              args))
    return 2;
  std::string dir = args.target;
  const char* format = args.iis ? "iis" : "unix";
  if (dir.back() != '/') dir += '/';
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  InitLocaleFromEnvironment();
  QApplication app(argc, argv);
  ConfigureApplication(app);

  const std::string settings =
      (std::filesystem::temp_directory_path() /
       ("kestrune-window-bench-" + std::to_string(QCoreApplication::applicationPid()) + ".reg"))
          .string();
  double best = 1e100;
  for (int r = 0; r < args.repeat; ++r) {
    QtDialogs dialogs(/*headless=*/true);
    TfrmImport window(dialogs, settings);
    dialogs.SetParent(&window);
    window.show();
    window.FormShow();
    window.findChild<QRadioButton*>(args.iis ? "rbIIS" : "rbUnix")->setChecked(true);
    window.ScanPath(dir + "*.log");
    QApplication::processEvents();
    const double start = bench::Seconds();
    window.findChild<QPushButton*>("btnImport")->click();
    best = std::min(best, bench::Seconds() - start);
  }
  std::remove(settings.c_str());
  std::printf("window_import %s: %s*.log in %.3f s (best of %d)\n", format, dir.c_str(), best,
              args.repeat);
  return 0;
}
