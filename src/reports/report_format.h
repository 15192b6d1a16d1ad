// The choice of report format from the name the save dialog returned.
#pragma once

#include <string>

namespace kestrune {

enum class ReportFormat { Text, Xml, Html };

struct ReportTarget {
  std::string fileName;  // the final name written and opened
  ReportFormat format = ReportFormat::Text;
};

// Cuts the name to 255 characters and trims blanks; a name without extension (or ending
// in ".", or naming an existing directory) gets ".xml" when the XML filter was selected,
// else ".txt". The format follows the final extension: XML, HTML (any case), else text.
ReportTarget ChooseReportTarget(const std::string& dialogName, bool xmlFilterSelected);

}  // namespace kestrune
