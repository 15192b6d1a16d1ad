#include "reports/html_sections.h"

#include <map>

#include "reports/time_report.h"
#include "reports/top_lists.h"

// Stringised so that a definition left empty still compiles and reads as missing.
#define KESTRUNE_STR2(x) #x
#define KESTRUNE_STR(x) KESTRUNE_STR2(x)

namespace kestrune {

namespace {

// N of a top-list placeholder from its digits ("" when not given); 0 when it is no N.
int TopCount(const std::string& digits) {
  if (digits.empty()) return kTopDefault;
  std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  if (digits.size() - first > 9) return kTopLimit;
  const int n = std::stoi(digits.substr(first));
  return n > kTopLimit ? kTopLimit : n;
}

void ReplaceTopList(FilledTemplate& document, const clsImportStats& stats, const char* name,
                    TopList list) {
  std::map<int, std::string> tables;  // built once for each N
  for (const std::string& digits : document.ArgumentsOf(name)) {
    const int n = TopCount(digits);
    if (n <= 0) continue;
    auto table = tables.find(n);
    if (table == tables.end()) table = tables.emplace(n, TopTable(stats, list, n)).first;
    document.ReplaceInTemplateText(
        digits.empty() ? std::string(name) : std::string(name) + ":" + digits, table->second);
  }
}

}  // namespace

std::string ProgramVersion() {
#if defined(KESTRUNE_VERSION_MAJOR) && defined(KESTRUNE_VERSION_MINOR) && \
    defined(KESTRUNE_VERSION_PATCH) && defined(KESTRUNE_VERSION_TWEAK)
  const auto IsNumber = [](std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
      if (c < '0' || c > '9') return false;
    return true;
  };
  const std::string_view major = KESTRUNE_STR(KESTRUNE_VERSION_MAJOR);
  const std::string_view minor = KESTRUNE_STR(KESTRUNE_VERSION_MINOR);
  const std::string_view patch = KESTRUNE_STR(KESTRUNE_VERSION_PATCH);
  const std::string_view tweak = KESTRUNE_STR(KESTRUNE_VERSION_TWEAK);
  if (IsNumber(major) && IsNumber(minor) && IsNumber(patch) && IsNumber(tweak))
    return std::string(major) + "." + std::string(minor) + std::string(patch) + "." +
           std::string(tweak);
#endif
  return "1.00";
}

void ReplaceSections(FilledTemplate& document, const clsImportStats& stats) {
  ReplaceTopList(document, stats, "TopPages", TopList::Pages);
  ReplaceTopList(document, stats, "TopVisitors", TopList::Visitors);
  ReplaceTopList(document, stats, "TopReferrers", TopList::Referrers);
  ReplaceTopList(document, stats, "TopUserAgents", TopList::UserAgents);
  ReplaceTopList(document, stats, "TopErrors", TopList::Errors);
  ReplaceTopList(document, stats, "TopDownloads", TopList::Downloads);
  // Each section is built only when the template asks for it.
  const auto section = [&](const char* name, auto&& build) {
    if (!document.ArgumentsOf(name).empty()) document.ReplaceInTemplateText(name, build());
  };
  section("Days", [&] { return DaysTable(stats.ByTime); });
  section("Hours", [&] { return HoursTable(stats.ByTime); });
  section("DaysChart", [&] { return DaysChart(stats.ByTime); });
  section("HoursChart", [&] { return HoursChart(stats.ByTime); });
  section("Version", [] { return ProgramVersion(); });
}

}  // namespace kestrune
