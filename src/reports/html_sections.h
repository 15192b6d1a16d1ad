// The HTML report's placeholders beyond the 39 of the panel and the import settings,
// replaced after those and only where they stand in the template's own text (never
// inside a value inserted before, such as a page text that reads "%Days%"):
//
//   %TopPages%  %TopVisitors%  %TopReferrers%  %TopUserAgents%  %TopErrors%
//   %TopDownloads%   the top 25, or the top N of %TopPages:N% (N from 1 to 1000; a
//                    larger N counts as 1000, 0 leaves the text as it is)
//   %Days%  %Hours%  the tables by day and by hour of the day
//   %DaysChart%  %HoursChart%   the charts
//   %Version%        the program's version
//
// Names are matched as the 39 are: in exact letter case everywhere, in any letter case
// within the document's first 255 characters.
#pragma once

#include <string>

#include "reports/template_text.h"
#include "stats/import_stats.h"

namespace kestrune {

void ReplaceSections(FilledTemplate& document, const clsImportStats& stats);

// The version as the about box shows it, without "Version ": "1.00.1".
std::string ProgramVersion();

}  // namespace kestrune
