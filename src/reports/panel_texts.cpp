#include "reports/panel_texts.h"

#include <cmath>
#include <cstdint>

namespace kestrune {

namespace {
std::string Unsigned(Counter c) {
  return std::to_string(c);
}
}  // namespace

std::string ByteForm(double bytes) {
  // Truncation toward zero to a 64-bit integer; NaN and out-of-range sums show 0 rather
  // than invoke undefined behaviour.
  const double t = std::trunc(bytes);
  if (!(t >= -9.2e18 && t <= 9.2e18)) return "0";
  return std::to_string(static_cast<std::int64_t>(t));
}

std::string PanelDate(TDateTime value) {
  return FormatDdMmmYyyy(value == 0 ? NowLocal() : value);
}

PanelTexts MakePanelTexts(const clsImportStats& s) {
  PanelTexts p;
  p.ebEntries = Unsigned(s.Entries);
  p.ebAllowedEntries = Unsigned(s.Allowed);
  p.ebIgnoredEntries = Unsigned(s.Ignored);
  p.ebComments = Unsigned(s.Comments);
  p.ebIgnoredUsers = Unsigned(s.IgnoredUsers);
  p.ebIgnoredExt = Unsigned(s.IgnoredExtensions);
  p.ebPageHits = Unsigned(s.PageHits);
  p.ebPageHEAD = Unsigned(s.HEAD);
  p.ebPageGET = Unsigned(s.GET);
  p.ebPagePOST = Unsigned(s.POST);
  p.ebPageOPTIONS = Unsigned(s.OPTIONS);
  p.ebPageUNKNOWN = Unsigned(s.UNKNOWN);
  p.ebUsers = std::to_string(s.slUsers.Count());
  p.ebKnownUsers = Unsigned(s.RepeatUserRq);
  p.ebNewUsers = Unsigned(s.NewUsers);
  p.ebDownloads = Unsigned(s.Downloads);
  p.ebDownloadTraffic = ByteForm(s.DownloadTraffic);
  p.ebDownloadTrafficKb = ByteForm(s.DownloadTraffic / 1024);
  p.ebDownloadTrafficMb = ByteForm(s.DownloadTraffic / 1048576);
  p.ebDownloadTrafficHint = p.ebDownloadTrafficKb + " Kb / " + p.ebDownloadTrafficMb + " Mb";
  p.ebReferers = std::to_string(s.slReferers.Count());
  p.ebKnownReferers = Unsigned(s.RepeatRefRq);
  p.ebNewReferers = Unsigned(s.NewReferers);
  p.ebErrors = Unsigned(s.Errors);
  p.ebError404 = Unsigned(s.Error404);
  p.ebError30x = Unsigned(s.Error3xx);
  p.ebOtherErrors = Unsigned(s.OtherErrors);
  p.ebTraffic = ByteForm(s.Traffic);
  p.ebTrafficKb = ByteForm(s.Traffic / 1024);
  p.ebTrafficMb = ByteForm(s.Traffic / 1048576);
  p.ebTrafficHint = p.ebTrafficKb + " Kb / " + p.ebTrafficMb + " Mb";
  p.ebFrom = PanelDate(s.FirstDate);
  p.ebTo = PanelDate(s.LastDate);
  return p;
}

}  // namespace kestrune
