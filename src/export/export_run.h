// One run of the workbook export as the window's "Analyze" command carries it out: the
// window locked, the spreadsheet application created, the ten sheets filled, the
// outcome in the status line ("Completed exporting statistics." or "Automation error: "
// with the message), and the workbook written to its file, in every outcome in which a
// workbook exists (what was written before a failure stays), then the window unlocked.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "export/export_host.h"
#include "export/object_model.h"
#include "export/workbook_export.h"

namespace kestrune {

// The creation of the spreadsheet application (CreateSpreadsheetApplication for the
// program); it may throw.
using ApplicationFactory = std::function<std::unique_ptr<Application>()>;

// Where the workbook goes: a new file in a folder (the dated name, never replacing a
// file), or a given file, replaced.
struct WorkbookDestination {
  std::string folder;  // when not empty: a new file here
  std::string file;    // else: this file

  static WorkbookDestination NewFileIn(std::string folder) { return {std::move(folder), {}}; }
  static WorkbookDestination Replace(std::string file) { return {{}, std::move(file)}; }
};

struct ExportResult {
  bool completed = false;       // all ten sheets were written
  std::string automationError;  // the message that ended the export, when it did not complete
  std::string file;             // the workbook file written; empty when none was
  std::string saveError;        // why the workbook could not be written, when it was not
  // Whether something went wrong: the export ended early or no file was written.
  bool Failed() const { return !completed || file.empty(); }
};

// The status text of an error: "Automation error: " + message, cut to 255 characters.
std::string AutomationErrorText(const std::string& message);

// Runs the export. Status texts: the export's own, then on success
// "Completed exporting statistics. Workbook saved: <file>", on a failure
// "Automation error: <message>" (followed by " Workbook saved: <file>" when what was
// written could be saved).
ExportResult RunWorkbookExport(ExportHost& host, const ApplicationFactory& createApplication,
                               const ExportSource& source, const WorkbookDestination& destination);

}  // namespace kestrune
