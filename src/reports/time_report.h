// The HTML report's tables and charts of the tally by day and by hour of the day.
//
// - DaysTable: one row per day present (the latest kMaxDayRows when there are more), with
//   the day's hits, visits, distinct visitors and traffic, and a total row.
// - HoursTable: 24 rows, hours 00 to 23, with hits, traffic and share of the hits.
// - DaysChart: one slot per day present; over kMaxChartDays days, one per month present
//   instead, and of those the latest kMaxChartMonths.
// - HoursChart: 24 slots.
#pragma once

#include <string>

#include "stats/import_stats.h"

namespace kestrune {

constexpr std::size_t kMaxDayRows = 1000;
constexpr std::size_t kMaxChartDays = 93;
constexpr std::size_t kMaxChartMonths = 120;

std::string DaysTable(const clsTimeTally& tally);
std::string HoursTable(const clsTimeTally& tally);
std::string DaysChart(const clsTimeTally& tally);
std::string HoursChart(const clsTimeTally& tally);

}  // namespace kestrune
