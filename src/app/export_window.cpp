// The spreadsheet export from the window: File > Analyze with Excel (F3), the Analyze
// button, the end of an import with "Start Excel automatically", and the command word
// EXPORT=<file>. The export itself lives in src/export; the window lends it its status
// line, progress bar, lock and message pumping through an ExportHost adapter.
#include <exception>

#include "app/import_window.h"
#include "app/window_host.h"
#include "desktop/shell_launcher.h"
#include "export/workbook_file.h"
#include "export/workbook_model.h"

namespace kestrune {

namespace {

class WindowExportHost : public WindowHost<ExportHost> {
 public:
  using WindowHost::WindowHost;
  void DisableAll() override { window_.DisableAll(); }
  void EnableAll() override { window_.EnableAll(); }
  // The panel refresh's throttle (at most about 20 redraws a second) paces the message
  // pumping after every row too.
  void ProcessMessages() override { window_.ShowStats(); }
};

}  // namespace

void TfrmImport::SetSpreadsheetFactory(ApplicationFactory factory) {
  spreadsheetFactory_ = std::move(factory);
}

ExportResult TfrmImport::RunExport(const WorkbookDestination& destination) {
  ExportResult result;
  {
    // However the export ends, also by an error that nothing below catches, the export
    // commands work again and the window is unlocked, its cursor the default.
    struct Running {
      TfrmImport& window;
      const int unwinding = std::uncaught_exceptions();
      ~Running() {
        window.exporting_ = false;
        if (std::uncaught_exceptions() > unwinding) window.EnableAll();
      }
    } running{*this};
    exporting_ = true;
    // The panel exact, as the summary sheet copies its texts.
    const PanelTexts panel = ShowStatsNow();
    WindowExportHost host(*this);
    const ApplicationFactory& factory = spreadsheetFactory_
                                            ? spreadsheetFactory_
                                            : ApplicationFactory(CreateSpreadsheetApplication);
    result = RunWorkbookExport(host, factory, ExportSource{panel, *stats_}, destination);
  }
  if (result.Failed()) unattended_.ExportFailed();
  if (unattended_.Active()) {
    // Unattended: the outcome goes to the maintenance log, and nothing is opened.
    if (!result.automationError.empty())
      LogString(AutomationErrorText(result.automationError), false);
    if (!result.file.empty())
      LogString("Workbook saved: " + result.file, false);
    else if (!result.saveError.empty())
      LogString("Workbook not saved: " + result.saveError, false);
  }
  return result;
}

void TfrmImport::mnToExcelClick() {
  if (exporting_) return;  // the commands are locked while an export runs
  const ExportResult result = RunExport(WorkbookDestination::NewFileIn(DocumentsFolder()));
  // Without a desktop application to open it, the file stays written and its path shown.
  if (!unattended_.Active() && !result.file.empty()) OpenDocument(result.file);
}

void TfrmImport::CommandExport(const std::string& fileName) {
  if (exporting_) return;
  RunExport(WorkbookDestination::Replace(fileName));
}

}  // namespace kestrune
