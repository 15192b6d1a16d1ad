#include "reports/report_format.h"

#include "util/path.h"
#include "util/text.h"

namespace kestrune {

ReportTarget ChooseReportTarget(const std::string& dialogName, bool xmlFilterSelected) {
  ReportTarget target;
  target.fileName = TrimBlanks(ShortText(dialogName));
  // The extension of the last path component; none for an existing directory.
  std::string ext = ExtractExt(target.fileName);
  if (ext.empty()) {
    ext = xmlFilterSelected ? "xml" : "txt";
    target.fileName += "." + ext;
  }
  UpperCaseInPlace(ext);
  if (ext == "XML")
    target.format = ReportFormat::Xml;
  else if (ext == "HTML")
    target.format = ReportFormat::Html;
  else
    target.format = ReportFormat::Text;
  return target;
}

}  // namespace kestrune
