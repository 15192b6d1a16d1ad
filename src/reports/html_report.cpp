// The HTML report: the template with its 39 placeholders replaced, in a fixed order, by
// HTML-escaped values and two generated tables, then the further placeholders of
// html_sections.h. The whole document is built in memory and then written; errors are
// raised as kestrune::Error.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "reports/html_sections.h"
#include "reports/report_file.h"
#include "reports/report_writers.h"
#include "reports/template_text.h"
#include "util/atomic_file.h"
#include "util/datetime.h"
#include "util/error.h"

namespace kestrune {

namespace {

// The whole template; a NUL byte ends the text.
std::string ReadTemplate(const std::string& path) {
  const auto fail = [&] { return Error("Cannot open file " + path); };
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) throw fail();
  std::string text;
  char buffer[65536];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    text.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  if (std::ferror(file.get())) throw fail();
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

void AppendRow(std::string& table, std::string_view text, std::string_view number) {
  table.append("<TR VALIGN=TOP><TD>");
  table.append(HtmlEscape(text));
  table.append("</TD><TD>");
  table.append(number);
  table.append("</TD></TR>\r\n");
}

std::string FileTable(const clsImportStats& stats) {
  std::string table;
  for (int i = 0; i < stats.slFiles.Count(); ++i) {
    const std::string& name = stats.slFiles.Key(i);
    if (name.empty()) continue;
    const clsPFileObject* object = stats.slFiles.Object(i);
    AppendRow(table, name, std::to_string(object ? object->LineCount : 0));
  }
  return table;
}

std::string PageTable(const clsImportStats& stats) {
  std::string table;
  for (int i = 0; i < stats.slPages.Count(); ++i) {
    const std::string& page = stats.slPages.Key(i);
    if (page.empty()) continue;
    const clsPageObject* object = stats.slPages.Object(i);
    AppendRow(table, page, std::to_string(object ? object->Hits : 0));
  }
  return table;
}

std::string BuildHtmlReport(std::string text, const ReportInput& in) {
  const PanelTexts& p = in.panel;
  const ReportSettings& s = in.settings;
  const clsImportStats& stats = in.stats;
  const std::string today = FormatDdMmmYyyy(NowLocal());
  FilledTemplate document(std::move(text));
  const auto put = [&](std::string_view name, std::string_view value) {
    document.Replace(name, HtmlEscape(value));
  };
  put("Date", today);
  put("ReportDate", today);
  put("FirstDate", p.ebFrom);
  put("LastDate", p.ebTo);
  put("Entries", p.ebEntries);
  put("Allowed", p.ebAllowedEntries);
  put("Ignored", p.ebIgnoredEntries);
  put("Comments", p.ebComments);
  put("IgnoredExtensions", p.ebIgnoredExt);
  put("IgnoredUsers", p.ebIgnoredUsers);
  put("PageHits", p.ebPageHits);
  put("HEAD", p.ebPageHEAD);
  put("GET", p.ebPageGET);
  put("POST", p.ebPagePOST);
  put("OPTIONS", p.ebPageOPTIONS);
  put("UNKNOWN", p.ebPageUNKNOWN);
  put("Traffic", p.ebTraffic);
  put("TrafficKb", p.ebTrafficKb);
  put("TrafficMb", p.ebTrafficMb);
  put("Downloads", p.ebDownloads);
  put("DownloadTraffic", p.ebDownloadTraffic);
  put("Users", p.ebUsers);
  put("RepeatUserRq", p.ebKnownUsers);
  put("NewUsers", p.ebNewUsers);
  put("Referers", p.ebReferers);
  put("RepeatRefRq", p.ebKnownReferers);
  put("NewReferers", p.ebNewReferers);
  put("Errors", p.ebErrors);
  put("Error404", p.ebError404);
  put("Error3xx", p.ebError30x);
  put("OtherErrors", p.ebOtherErrors);
  put("FileCount", std::to_string(stats.slFiles.Count()));
  put("Path", s.path);
  put("FileFormat", s.iis ? "IIS" : "UNIX");
  // The tables are escaped cell by cell as they are built.
  if (document.Mentions("Files")) document.Replace("Files", FileTable(stats));
  put("FilesMoved", s.moved ? "Yes" : "No");
  put("AddToDatabase", s.addToDb ? "Yes" : "No");
  put("PageCount", std::to_string(stats.slPages.Count()));
  // The page table of a large model is large: built only for a template that uses it.
  if (document.Mentions("Pages")) document.Replace("Pages", PageTable(stats));
  ReplaceSections(document, stats);
  return NormaliseLineEnds(document.Text());
}

}  // namespace

void SaveReportAsHTML(const std::string& templatePath, const std::string& fileName,
                      const ReportInput& input) {
  const std::string document =
      BuildHtmlReport(NormaliseLineEnds(ReadTemplate(templatePath)), input);
  switch (WriteReportFile(fileName, document)) {
    case WriteResult::Ok:
      return;
    case WriteResult::CannotCreate:
      throw Error("Cannot create file " + fileName);
    case WriteResult::CannotWrite:
      throw Error("Cannot write file " + fileName);
    case WriteResult::SymbolicLink:
      throw Error(FileErrorText(fileName, kSymbolicLinkReason));
  }
}

}  // namespace kestrune
