// The three report writers. Each reads the panel texts, the import settings of the
// window and the model's file and page lists; none changes them.
#pragma once

#include <string>

#include "reports/panel_texts.h"

namespace kestrune {

struct ReportInput {
  const PanelTexts& panel;
  const ReportSettings& settings;
  const clsImportStats& stats;
};

// Plain text, CR LF lines. False when any error occurred while writing.
bool SaveReportAsText(const std::string& fileName, const ReportInput& input);

// XML with every value escaped as XML 1.0 prescribes. False on any error.
bool SaveReportAsXML(const std::string& fileName, const ReportInput& input);

// HTML from the template: the placeholders replaced by HTML-escaped values. Raises
// kestrune::Error "Cannot open file <template>" or "Cannot create file <report>"; a
// missing template leaves no report file and an existing one untouched.
void SaveReportAsHTML(const std::string& templatePath, const std::string& fileName,
                      const ReportInput& input);

}  // namespace kestrune
