// The plain-text report: a fixed sequence of labelled lines, CR LF each, the texts
// written byte for byte as the panel and the model hold them.
#include <exception>
#include <string>

#include "reports/report_file.h"
#include "reports/report_writers.h"
#include "util/datetime.h"

namespace kestrune {

namespace {

class Lines {
 public:
  template <class... Parts>
  void Add(const Parts&... parts) {
    (text_.append(parts), ...);
    text_.append("\r\n");
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

std::string BuildTextReport(const ReportInput& in) {
  const PanelTexts& p = in.panel;
  const ReportSettings& s = in.settings;
  const clsImportStats& stats = in.stats;
  Lines out;
  out.Add("Statistical Report from site logs, ", FormatDdMmmYyyy(NowLocal()));
  out.Add("Period: ", p.ebFrom, " To ", p.ebTo);
  out.Add();
  out.Add("Entries: ", p.ebEntries);
  out.Add("Allowed: ", p.ebAllowedEntries);
  out.Add("Ignored: ", p.ebIgnoredEntries);
  out.Add("Comments: ", p.ebComments);
  out.Add("Ignored extensions: ", p.ebIgnoredExt);
  out.Add("Ignored users/IPs: ", p.ebIgnoredUsers);
  out.Add("Page hits: ", p.ebPageHits);
  out.Add("(", p.ebPageHEAD, " HEAD, ", p.ebPageGET, " GET, ", p.ebPagePOST, " POST, ",
          p.ebPageOPTIONS, " OPTIONS, ", p.ebPageUNKNOWN, " UNKNOWN)");
  out.Add();
  out.Add("Traffic: ", p.ebTraffic, ", ", p.ebTrafficKb, " Kb ", p.ebTrafficMb, " Mb");
  out.Add("Downloads: ", p.ebDownloads);
  out.Add("Download traffic: ", p.ebDownloadTraffic, ", ", p.ebDownloadTrafficHint);
  out.Add();
  out.Add("Users: ", p.ebUsers);
  out.Add("Repeat rq: ", p.ebKnownUsers);
  out.Add("New  : ", p.ebNewUsers);
  out.Add("Referers: ", p.ebReferers);
  out.Add("Repeat rq: ", p.ebKnownReferers);
  out.Add("New  : ", p.ebNewReferers);
  out.Add("Errors: ", p.ebErrors);
  out.Add("404 Page Not Found: ", p.ebError404);
  out.Add("3xx Errors: ", p.ebError30x);
  out.Add("Other errors: ", p.ebOtherErrors);
  out.Add();
  out.Add("Files scanned:");
  out.Add("Path: ", s.path);
  const char* prefix = s.iis ? "IIS  " : "UNIX ";
  for (int i = 0; i < stats.slFiles.Count(); ++i) out.Add(prefix, stats.slFiles.Key(i));
  if (s.moved) out.Add("Files were moved to invalid\\ or processed\\ after processing.");
  if (s.addToDb) out.Add("Entries were added to the database.");
  out.Add();
  out.Add("Pages found:");
  out.Add("Page : Hits");
  for (int i = 0; i < stats.slPages.Count(); ++i) {
    const std::string& page = stats.slPages.Key(i);
    if (page.empty()) continue;
    const clsPageObject* object = stats.slPages.Object(i);
    out.Add(page, " : ", std::to_string(object ? object->Hits : 0));
  }
  out.Add();
  return out.Text();
}

}  // namespace

bool SaveReportAsText(const std::string& fileName, const ReportInput& input) {
  try {
    return WriteReportFile(fileName, BuildTextReport(input)) == WriteResult::Ok;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace kestrune
