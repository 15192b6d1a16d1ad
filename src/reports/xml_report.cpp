// The XML report: one element or tag per line, CR LF each, no indentation. Every value is
// escaped (xml_escape.h) and written whole, so the document is well-formed for any
// content of the panel, the settings and the lists.
#include <exception>
#include <string>

#include "reports/report_file.h"
#include "reports/report_writers.h"
#include "reports/xml_escape.h"
#include "util/datetime.h"

namespace kestrune {

namespace {

class XmlLines {
 public:
  void Raw(std::string_view line) {
    text_.append(line);
    text_.append("\r\n");
  }
  // A simple element: "<name>value</name>".
  void WriteElement(std::string_view name, std::string_view value) {
    text_.append("<").append(name).append(">");
    AppendXmlText(text_, value);
    text_.append("</").append(name).append(">\r\n");
  }
  // "<tag attribute="value">" + tail: the opening part of a line with one attribute.
  void OpenWithAttribute(std::string_view tag, std::string_view attribute, std::string_view value) {
    text_.append("<").append(tag).append(" ").append(attribute).append("=\"");
    AppendXmlAttribute(text_, value);
    text_.append("\"");
  }
  std::string& Text() { return text_; }

 private:
  std::string text_;
};

std::string BuildXmlReport(const ReportInput& in) {
  const PanelTexts& p = in.panel;
  const ReportSettings& s = in.settings;
  const clsImportStats& stats = in.stats;
  XmlLines out;
  out.Raw("<?xml version=\"1.0\"?>");
  out.Raw("<XML>");
  out.WriteElement("ReportDate", FormatDdMmmYyyy(NowLocal()));
  out.WriteElement("FirstDate", p.ebFrom);
  out.WriteElement("LastDate", p.ebTo);
  out.WriteElement("Entries", p.ebEntries);
  out.WriteElement("Allowed", p.ebAllowedEntries);
  out.WriteElement("Ignored", p.ebIgnoredEntries);
  out.WriteElement("Comments", p.ebComments);
  out.WriteElement("IgnoredExtensions", p.ebIgnoredExt);
  out.WriteElement("IgnoredUsers", p.ebIgnoredUsers);
  out.WriteElement("PageHits", p.ebPageHits);
  out.WriteElement("HEAD", p.ebPageHEAD);
  out.WriteElement("GET", p.ebPageGET);
  out.WriteElement("POST", p.ebPagePOST);
  out.WriteElement("OPTIONS", p.ebPageOPTIONS);
  out.WriteElement("UNKNOWN", p.ebPageUNKNOWN);
  out.WriteElement("Traffic", p.ebTraffic);
  out.WriteElement("TrafficKb", p.ebTrafficKb);
  out.WriteElement("TrafficMb", p.ebTrafficMb);
  out.WriteElement("Downloads", p.ebDownloads);
  out.WriteElement("DownloadTraffic", p.ebDownloadTraffic);
  out.WriteElement("Users", p.ebUsers);
  out.WriteElement("RepeatUserRq", p.ebKnownUsers);
  out.WriteElement("NewUsers", p.ebNewUsers);
  out.WriteElement("Referers", p.ebReferers);
  out.WriteElement("RepeatRefRq", p.ebKnownReferers);
  out.WriteElement("NewReferers", p.ebNewReferers);
  out.WriteElement("Errors", p.ebErrors);
  out.WriteElement("Error404", p.ebError404);
  out.WriteElement("Error3xx", p.ebError30x);
  out.WriteElement("OtherErrors", p.ebOtherErrors);

  out.Raw("<Files count=\"" + std::to_string(stats.slFiles.Count()) + "\">");
  out.WriteElement("Path", s.path);
  out.WriteElement("FileFormat", s.iis ? "IIS" : "UNIX");
  for (int i = 0; i < stats.slFiles.Count(); ++i) {
    const std::string& file = stats.slFiles.Key(i);
    if (file.empty()) continue;
    out.OpenWithAttribute("File", "url", file);
    out.Raw(" />");
  }
  out.Raw("</Files>");
  out.WriteElement("FilesMoved", s.moved ? "Yes" : "No");
  out.WriteElement("AddedToDatabase", s.addToDb ? "Yes" : "No");

  out.Raw("<Pages count=\"" + std::to_string(stats.slPages.Count()) + "\">");
  for (int i = 0; i < stats.slPages.Count(); ++i) {
    const std::string& page = stats.slPages.Key(i);
    if (page.empty()) continue;
    const clsPageObject* object = stats.slPages.Object(i);
    out.OpenWithAttribute("Page", "url", page);
    out.Raw(">" + std::to_string(object ? object->Hits : 0) + "</Page>");
  }
  out.Raw("</Pages>");
  out.Raw("</XML>");
  return std::move(out.Text());
}

}  // namespace

bool SaveReportAsXML(const std::string& fileName, const ReportInput& input) {
  try {
    return WriteReportFile(fileName, BuildXmlReport(input)) == WriteResult::Ok;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace kestrune
