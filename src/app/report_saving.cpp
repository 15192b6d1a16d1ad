// Saving a report: File > Save report (F2) through the save dialog, and the command word
// REPORT=<file>. The format follows the final file name's extension.
#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

#include "app/import_window.h"
#include "app/qt_text.h"
#include "desktop/data_files.h"
#include "desktop/shell_launcher.h"
#include "reports/report_format.h"
#include "reports/report_writers.h"

namespace kestrune {

namespace {
constexpr char kReportFilter[] = "Text files (*.txt);;XML (*.xml);;HTML (*.html);;All files (*.*)";
constexpr int kXmlFilterIndex = 1;
}  // namespace

bool TfrmImport::WriteReport(const ReportTarget& target, std::string& error) {
  error.clear();
  const PanelTexts panel = ShowStatsNow();  // the panel exact, as the report copies its texts
  ReportSettings settings;
  settings.path = ToStdString(cbPath->currentText());
  settings.iis = rbIIS->isChecked();
  settings.moved = cbMoveToProcessed->isChecked();
  settings.addToDb = cbAddToDb->isChecked();
  const ReportInput input{panel, settings, *stats_};
  switch (target.format) {
    case ReportFormat::Xml:
      if (SaveReportAsXML(target.fileName, input)) return true;
      break;
    case ReportFormat::Html:
      try {
        SaveReportAsHTML(FindTemplateFile(programDir_), target.fileName, input);
        return true;
      } catch (const std::exception& e) {
        error = std::string(e.what()) + ".";
        return false;
      }
    case ReportFormat::Text:
      if (SaveReportAsText(target.fileName, input)) return true;
      break;
  }
  error = "An error occurred";
  return false;
}

void TfrmImport::mnSaveReportClick() {
  SaveReport();
}

void TfrmImport::SaveReport() {
  const std::optional<SaveFileChoice> choice = dialogs_.SaveFile(
      "Save Report", kReportFilter, "txt", "Report-" + FormatDdMmmYyyy(NowLocal()));
  if (!choice) return;
  const ReportTarget target =
      ChooseReportTarget(choice->fileName, choice->filterIndex == kXmlFilterIndex);
  std::string error;
  if (WriteReport(target, error)) {
    OpenDocument(target.fileName);
  } else if (target.format == ReportFormat::Html) {
    dialogs_.MessageBox(error, "Kestrune", DialogButtons::Of(DialogButton::Ok), DialogButton::Ok,
                        DialogIcon::Error);
  } else {
    dialogs_.MessageBox(error, "Kestrune v1.00", DialogButtons::Of(DialogButton::Ok),
                        DialogButton::Ok, DialogIcon::None);
  }
}

void TfrmImport::CommandReport(const std::string& fileName) {
  const ReportTarget target = ChooseReportTarget(fileName, false);
  std::string error;
  if (WriteReport(target, error)) {
    LogString("Report saved: " + target.fileName, false);
  } else {
    unattended_.ReportFailed();
    LogString("Report not saved: " + target.fileName + " (" + error + ")", false);
  }
}

}  // namespace kestrune
