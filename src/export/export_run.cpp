#include "export/export_run.h"

#include "export/workbook_file.h"
#include "util/text.h"

namespace kestrune {

namespace {

// Unlocks the window however the export ends.
class Locked {
 public:
  explicit Locked(ExportHost& host) : host_(host) { host_.DisableAll(); }
  ~Locked() { host_.EnableAll(); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  ExportHost& host_;
};

}  // namespace

std::string AutomationErrorText(const std::string& message) {
  return ShortText("Automation error: " + message);
}

ExportResult RunWorkbookExport(ExportHost& host, const ApplicationFactory& createApplication,
                               const ExportSource& source, const WorkbookDestination& destination) {
  Locked locked(host);
  ExportResult result;
  std::unique_ptr<Application> application;
  Workbook* workbook = nullptr;
  std::string outcome;
  try {
    application = createApplication();
    if (!application) throw AutomationError("The spreadsheet application could not be created.");
    host.Status("Found workbook writer " + application->Version());
    workbook = &application->WorkbooksAdd();
    application->SetVisible(true);
    ExportContext context{*workbook, host};
    ExportStatistics(context, source);
    result.completed = true;
    outcome = "Completed exporting statistics.";
  } catch (const std::exception& e) {
    result.automationError = e.what();
    outcome = AutomationErrorText(result.automationError);
    host.Status(outcome);
  }
  if (workbook == nullptr) return result;

  const bool saved =
      destination.folder.empty()
          ? SaveWorkbookReplacing(*workbook, destination.file, result.saveError)
          : SaveWorkbookAsNew(*workbook, destination.folder, WorkbookBaseName(NowLocal()),
                              result.file, result.saveError);
  if (saved && destination.folder.empty()) result.file = destination.file;
  if (saved)
    host.Status(outcome + " Workbook saved: " + result.file);
  else
    host.Status(AutomationErrorText(result.saveError));
  return result;
}

}  // namespace kestrune
