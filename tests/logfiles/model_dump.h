// The statistics model as text: every counter and every entry of every list with all its
// fields, one line each, so that two imports are compared whole and a difference shows
// where it lies.
#pragma once

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "stats/import_stats.h"

namespace kestrune::testing {

inline void DumpBasic(std::ostringstream& out, const clsBasicInfo& o) {
  out << " hits=" << o.Hits << " visits=" << o.Visits << " bytes=" << o.Bytes
      << " last=" << o.LastDate << " spent=" << o.TimeSpent << " taken=" << o.TimeTaken;
}

template <class T, class Extra>
void DumpList(std::vector<std::string>& lines, const char* name, const KeyedList<T>& list,
              const std::function<std::string(const std::string&)>& key, Extra&& extra) {
  lines.push_back(std::string(name) + " count=" + std::to_string(list.Count()));
  for (int i = 0; i < list.Count(); ++i) {
    std::ostringstream out;
    out.precision(17);
    out << name << "[" << i << "] " << key(list.Key(i));
    if (const T* object = list.Object(i)) extra(out, *object);
    lines.push_back(out.str());
  }
}

// `key` maps each list key before it is written (e.g. to upper case, to compare an
// import that kept the letter case with one that did not).
inline std::vector<std::string> DumpModel(
    const clsImportStats& s, const std::function<std::string(const std::string&)>& key =
                                 [](const std::string& k) { return k; }) {
  std::vector<std::string> lines;
  std::ostringstream out;
  out.precision(17);
  out << "Entries=" << s.Entries << " Comments=" << s.Comments << " Allowed=" << s.Allowed
      << " Ignored=" << s.Ignored << " Http10=" << s.Http10Requests
      << " Http11=" << s.Http11Requests << " PageHits=" << s.PageHits << " HEAD=" << s.HEAD
      << " GET=" << s.GET << " POST=" << s.POST << " OPTIONS=" << s.OPTIONS
      << " UNKNOWN=" << s.UNKNOWN << " RepeatUserRq=" << s.RepeatUserRq
      << " NewUsers=" << s.NewUsers << " Downloads=" << s.Downloads << " Errors=" << s.Errors
      << " Error3xx=" << s.Error3xx << " Error404=" << s.Error404
      << " OtherErrors=" << s.OtherErrors << " Traffic=" << s.Traffic
      << " DownloadTraffic=" << s.DownloadTraffic << " IgnoredExtensions=" << s.IgnoredExtensions
      << " IgnoredUsers=" << s.IgnoredUsers << " FirstDate=" << s.FirstDate
      << " LastDate=" << s.LastDate;
  lines.push_back(out.str());
  // The referrer counters on a line of their own, which a comparison may leave out with
  // the list.
  lines.push_back("Referers RepeatRefRq=" + std::to_string(s.RepeatRefRq) +
                  " NewReferers=" + std::to_string(s.NewReferers));
  const auto basic = [](std::ostringstream& o, const clsBasicInfo& b) { DumpBasic(o, b); };
  DumpList(lines, "DLExt", s.slDownloadExt, key, basic);
  DumpList(lines, "IgnoreExt", s.slIgnoreExt, key, basic);
  DumpList(lines, "IgnoreIP", s.slIgnoreIP, key, basic);
  DumpList(lines, "Files", s.slFiles, key,
           [](std::ostringstream& o, const clsPFileObject& f) { o << " lines=" << f.LineCount; });
  DumpList(lines, "Referers", s.slReferers, key, basic);
  DumpList(lines, "Users", s.slUsers, key, [](std::ostringstream& o, const clsUserObject& u) {
    DumpBasic(o, u);
    o << " download=" << u.LastWasDownload << " robot=" << u.Robot << " page=" << u.LastPage;
  });
  DumpList(lines, "Pages", s.slPages, key, [](std::ostringstream& o, const clsPageObject& p) {
    DumpBasic(o, p);
    o << " hit=" << p.LastHit << " in=" << p.Entrances << " out=" << p.Exits << " HEAD=" << p.HEAD
      << " GET=" << p.GET << " POST=" << p.POST << " OPTIONS=" << p.OPTIONS
      << " UNKNOWN=" << p.UNKNOWN;
  });
  DumpList(lines, "UserAgents", s.slUserAgents, key, basic);
  DumpList(lines, "Errors", s.slErrors, key, [](std::ostringstream& o, const clsErrorObject& e) {
    DumpBasic(o, e);
    o << " status=" << e.StatusCode;
  });
  return lines;
}

}  // namespace kestrune::testing
