// The current-statistics source: one subject of the model in memory as a table, every
// figure the model keeps for an item, the share of the total hits, the user agents with
// the browser and operating system of the classification. Reads the model only (on the
// thread that owns it); the table is a copy, so a later import or Clear does not touch it.
#pragma once

#include <string_view>

#include "analysis/analysis_table.h"
#include "analysis/subjects.h"
#include "stats/import_stats.h"

namespace kestrune {

// The columns of `subject` (no rows).
AnalysisTable StatsColumns(StatsSubject subject);

// The rows of `subject` whose key passes `filter` (see key_filter.h), in the model's
// order.
AnalysisTable StatsTable(const clsImportStats& stats, StatsSubject subject,
                         std::string_view filter);

}  // namespace kestrune
